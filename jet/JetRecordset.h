#pragma once
// A forward-only reading of a local table's rows for the object model.
//
// Decisions where DAO leaves the reading of a file to us:
// - Rows come in page order (the owned-pages map), each live row once:
//   deleted rows are skipped and moved rows read where they now are.
// - Collect answers as ColumnValue does (an ACE complex column with the
//   key of its values' rows); a column it cannot decode (calculated
//   columns) fails with a text naming the field,
//   damage with the file's damage text, and a text that is not valid
//   UTF-16 (a lone surrogate) with a text naming the field and the fault:
//   no program could be given what is stored.

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include <dao/ObjectModel.h>
#include <jet/DataRow.h>
#include <jet/JetFile.h>
#include <jet/TableDefinition.h>

namespace tabulon::jet {

class JetRecordset : public dao::Recordset {
 public:
  // Reads the table's page list and moves to the first row. Throws
  // dao::EngineError when the page list is damaged.
  JetRecordset(std::shared_ptr<JetFile> file, TableDefinition definition);

  bool Eof() override { return !FRow; }
  void MoveNext() override;
  dao::Variant Collect(int index) override;

 private:
  // Moves to the next live row from where the walk stands, or to the end.
  void Advance();
  std::shared_ptr<JetFile> FFile;
  TableDefinition FDefinition;
  std::vector<std::uint32_t> FPages;
  std::size_t FPageAt = 0;
  std::uint32_t FRowAt = 0;
  std::optional<ByteView> FRow;
  // The data page the walk stands on, and the page of a moved row.
  std::vector<std::uint8_t> FPageBytes;
  std::optional<std::size_t> FPageHeld;
  std::vector<std::uint8_t> FMovedBytes;
};

}  // namespace tabulon::jet
