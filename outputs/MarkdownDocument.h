#pragma once
// tabulon-cli --format markdown: the databases' structure as one UTF-8
// Markdown document with GitHub's tables. Per database: a heading, the
// table list, a section per table (its fields with the report's columns
// and key marks, its indexes), the relationships, a Mermaid erDiagram of
// the tables that take part in them, and the saved queries with their SQL.
// Every text from a database is escaped (outputs/MarkdownText.h); a member
// that could not be read shows as "（取得失敗: <reason>）" in its cell.

#include <functional>
#include <string>
#include <string_view>

#include <schema/Schema.h>
#include <words/Wording.h>

namespace tabulon::outputs {

class MarkdownDocument {
 public:
  // `words` gives field types and attributes in the chosen styles; `sink`
  // receives the text database by database (what it throws propagates).
  MarkdownDocument(const Wording& words, std::function<void(std::string_view)> sink);

  // One database's sections, headed by `name` (its file name).
  void AddDatabase(std::string_view name, const schema::Database& database);
  // A database that did not open: its heading and why.
  void AddNotOpened(std::string_view name, std::string_view reason);
  void Finish();

 private:
  const Wording& FWords;
  std::function<void(std::string_view)> FSink;
  bool FFirst = true;
};

}  // namespace tabulon::outputs
