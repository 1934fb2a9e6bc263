#pragma once
// Tables' field listings: a heading and a row per field, with key flags
// derived from the table's indexes.

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

#include <dao/ObjectModel.h>
#include <report/ReportContext.h>
#include <text/TextCompare.h>

namespace tabulon {

// The run keeps one listing for all its tables. It holds the key flags of
// the table being written, refilled for every table so that no table's keys
// reach another table's rows, and, in the report's encoding, the words of
// the field types and attributes met so far (the wording does not change
// during a run) and the two mark cells. A field's row is made in the
// report's encoding (ReportFile::AppendEncoded): most of it is markup.
class FieldListing {
 public:
  // Writes the heading and the field table of `table`. The counts of
  // indexes, of an index's fields and of the table's fields, and each
  // field's description, are guarded; any other failure propagates, and no
  // half row is written.
  void Write(ReportContext& context, dao::TableDef& table);

 private:
  void CollectKeys(dao::TableDef& table);
  const std::string& TypeCell(ReportContext& context, std::int32_t type);
  const std::string& AttributeCell(ReportContext& context, std::int32_t attributes);
  // `count` (1 or 6) mark cells, bit i of `marks` saying whether cell i
  // has the mark.
  const std::string& MarkCells(ReportContext& context, unsigned marks, int count);
  // `slot` holding `utf8` encoded, filled on first use.
  const std::string& Encoded(ReportContext& context, std::string& slot, std::string_view utf8);
  // The value's text (VariantToText) encoded onto the row; numbers without
  // making a string.
  void AppendText(ReportContext& context, const dao::Variant& value);

  // Field name -> KeyFlag bits, names compared without regard to case.
  std::unordered_map<std::string, unsigned, NoCaseHash, NoCaseEqual> FKeys;
  // Encoded cells by code: a type's words, attributes' words one a line.
  std::unordered_map<std::int32_t, std::string> FTypeCells;
  std::unordered_map<std::int32_t, std::string> FAttributeCells;
  // Encoded mark cells: one (without and with the mark), then six in a row
  // by their 64 combinations.
  std::string FMarkCells[2 + 64];
  std::string FBlankEnd;       // "　</td>", encoded
  std::string FBlankEndNext;   // "　</td><td nowrap>", encoded
  std::string FNoDescription;  // the blank description cell and the row's end, encoded
  std::string FRow;            // the row being made, kept to reuse its memory
};

}  // namespace tabulon
