#pragma once
// Tables' field listings: a heading and a row per field, with key flags
// derived from the table's indexes.

#include <cstdint>
#include <string>
#include <unordered_map>

#include <dao/ObjectModel.h>
#include <report/ReportContext.h>
#include <text/TextCompare.h>

namespace tabulon {

// The run keeps one listing for all its tables. It holds the key flags of
// the table being written, refilled for every table so that no table's keys
// reach another table's rows, and the words of the field types and
// attributes met so far (the wording does not change during a run).
class FieldListing {
 public:
  // Writes the heading and the field table of `table`. The counts of
  // indexes, of an index's fields and of the table's fields, and each
  // field's description, are guarded; any other failure propagates, and no
  // half row is written.
  void Write(ReportContext& context, dao::TableDef& table);

 private:
  void CollectKeys(dao::TableDef& table);
  const std::string& TypeWords(const Wording& words, std::int32_t type);
  const std::string& AttributeWords(const Wording& words, std::int32_t attributes);

  // Field name -> KeyFlag bits, names compared without regard to case.
  std::unordered_map<std::string, unsigned, NoCaseHash, NoCaseEqual> FKeys;
  std::unordered_map<std::int32_t, std::string> FTypeWords;
  std::unordered_map<std::int32_t, std::string> FAttributeWords;  // with "<br>" between words
  std::string FRow;  // the row being made, kept to reuse its memory
};

}  // namespace tabulon
