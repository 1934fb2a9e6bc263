#pragma once
// tabulon-cli diff OLD NEW: what changed between two versions of a
// schema (outputs/SchemaDiff.h), as text, JSON or Markdown
// (outputs/DiffDocument.h).

#include <iosfwd>
#include <string>

#include <dao/Dao360.h>
#include <words/Wording.h>

namespace tabulon {

struct DiffRequest {
  std::string Old;
  std::string OldPassword;
  std::string New;
  std::string NewPassword;
  std::string Format = "text";  // "text", "json" or "markdown"
  std::string Program;          // names the messages
  const Wording* Words = nullptr;
};

// Reads both schemas and writes their differences to `out`. Returns the
// exit status as diff(1): 0 the same, 1 different, 2 trouble (a database
// did not open, or a part of one could not be read and so was not
// compared; each named on `err`).
int RunDiff(TDao360& dao, const DiffRequest& request, std::ostream& out, std::ostream& err);

}  // namespace tabulon
