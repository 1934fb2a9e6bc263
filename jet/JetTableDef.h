#pragma once
// A table definition of the object model over one catalog entry. The TDEF
// and the property block are read on first use and kept.
//
// Decisions where DAO leaves the reading of a file to us:
// - Attributes: system (0x80000002) when the catalog flags carry either
//   system bit, hidden (0x1) for the hidden flag, linked (0x40000000) for a
//   linked Jet table, ODBC linked (0x20000000) for a linked ODBC table, and
//   for linked tables the exclusive (0x10000) and saved-password (0x20000)
//   flags as stored.
// - RecordCount: the row count kept in the TDEF; -1 for linked tables (as
//   DAO documents), whose rows live elsewhere.
// - DateCreated, LastUpdated: the catalog's dates (Null where it has none).
// - Updatable: false for system and linked tables, true otherwise (the file
//   itself is only ever read).
// - ValidationRule, ValidationText: the table's stored properties, "" when
//   absent; Properties holds the stored table properties, so
//   Item("Description") fails where none is stored, and for a linked table
//   then "Connect" and "SourceTableName" as the members give them.
// - Connect, SourceTableName: a linked table's connect text (LinkConnect)
//   and its name in the source; "" for local tables.
// - Fields and Indexes of a linked table are those of its source
//   (LinkedSource.h): an ODBC link's definition kept in the file, or the
//   table a Jet link leads to when its file can be found; otherwise they
//   fail (Count and Item) with a text naming the connect text.
// - OpenRecordset: the rows in page order (JetRecordset); a linked table's
//   rows are not read (its source is read for its definition only).
// - Indexes: the logical indexes in logical-number order, except the
//   internal index a relationship adds to its referenced table (it carries
//   the primary key's columns and would mark them as foreign keys).

#include <memory>
#include <optional>
#include <string>

#include <dao/ObjectModel.h>
#include <jet/Catalog.h>
#include <jet/JetField.h>
#include <jet/JetFile.h>
#include <jet/JetIndex.h>
#include <jet/LinkedSource.h>
#include <jet/PropertyBlock.h>
#include <jet/TableDefinition.h>

namespace tabulon::jet {

class JetTableDef : public dao::TableDef {
 public:
  JetTableDef(std::shared_ptr<JetFile> file, const CatalogEntry& entry);

  std::string Name() override { return FEntry.Name; }
  std::int32_t Attributes() override;
  std::string SourceTableName() override;
  std::unique_ptr<dao::Recordset> OpenRecordset() override;
  dao::Variant RecordCount() override;
  dao::Variant DateCreated() override { return CatalogDate(FEntry.DateCreate); }
  dao::Variant LastUpdated() override { return CatalogDate(FEntry.DateUpdate); }
  dao::Variant Updatable() override;
  std::string ValidationRule() override { return StoredText("ValidationRule"); }
  std::string ValidationText() override { return StoredText("ValidationText"); }
  dao::Collection<dao::Property>& Properties() override;
  dao::Collection<dao::Field>& Fields() override { return *FFields; }
  dao::Collection<dao::Index>& Indexes() override { return *FIndexes; }

 protected:
  std::string StoredConnect() override;

 private:
  // The table whose definition holds the columns: this one, or a linked
  // table's source, resolved once.
  const LinkedSource& Source();
  const TableDefinition& Definition();
  const PropertyBlock& Block();
  // The property block that holds the columns' properties.
  const PropertyBlock& ColumnBlock();
  std::string StoredText(std::string_view name);
  void LoadFields(std::vector<std::unique_ptr<dao::Field>>& fields);
  void LoadIndexes(std::vector<std::unique_ptr<dao::Index>>& indexes);

  std::shared_ptr<JetFile> FFile;
  const CatalogEntry& FEntry;  // owned by FFile's catalog
  std::optional<LinkedSource> FSource;
  std::optional<TableDefinition> FDefinition;
  std::optional<PropertyBlock> FBlock;
  std::optional<PropertyBlock> FSourceBlock;  // a linked table's source's
  std::unique_ptr<StoredPropertyCollection> FProperties;
  std::unique_ptr<FieldList> FFields;
  std::unique_ptr<ListCollection<dao::Index>> FIndexes;
};

}  // namespace tabulon::jet
