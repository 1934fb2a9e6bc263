#include <jet/JetTableDef.h>

#include <algorithm>

#include <jet/JetRecordset.h>

namespace tabulon::jet {

JetTableDef::JetTableDef(std::shared_ptr<JetFile> file, const CatalogEntry& entry)
    : FFile(std::move(file)), FEntry(entry) {
  FFields = NewFieldList([this](auto& fields) { LoadFields(fields); });
  FIndexes = std::make_unique<ListCollection<dao::Index>>(
      "インデックス", [](dao::Index& i) { return i.Name(); },
      [this](auto& indexes) { LoadIndexes(indexes); });
}

std::int32_t JetTableDef::Attributes() {
  std::int32_t attributes = 0;
  if ((FEntry.Flags & (ObjectFlagSystem | ObjectFlagSystemAlt)) != 0)
    attributes |= dao::dbSystemObject;
  if ((FEntry.Flags & ObjectFlagHidden) != 0) attributes |= dao::dbHiddenObject;
  if (FEntry.Type == ObjectLinkedTable) attributes |= dao::dbAttachedTable;
  if (FEntry.Type == ObjectLinkedOdbcTable) attributes |= dao::dbAttachedODBC;
  if (FEntry.IsLinked()) {
    attributes |=
        static_cast<std::int32_t>(FEntry.Flags) & (dao::dbAttachExclusive | dao::dbAttachSavePWD);
  }
  return attributes;
}

std::string JetTableDef::StoredConnect() { return LinkConnect(FEntry); }

std::string JetTableDef::SourceTableName() { return FEntry.IsLinked() ? FEntry.ForeignName : ""; }

dao::Variant JetTableDef::RecordCount() {
  if (FEntry.IsLinked()) return std::int64_t{-1};
  return std::int64_t{Definition().RowCount};
}

dao::Variant JetTableDef::Updatable() {
  return !FEntry.IsLinked() && (FEntry.Flags & (ObjectFlagSystem | ObjectFlagSystemAlt)) == 0;
}

dao::Collection<dao::Property>& JetTableDef::Properties() {
  if (!FProperties) {
    FProperties = std::make_unique<StoredPropertyCollection>(&Block().Object, *FFile);
    if (FEntry.IsLinked()) {
      FProperties->Append(std::make_unique<JetProperty>("Connect", Connect()));
      FProperties->Append(std::make_unique<JetProperty>("SourceTableName", SourceTableName()));
    }
  }
  return *FProperties;
}

std::unique_ptr<dao::Recordset> JetTableDef::OpenRecordset() {
  if (FEntry.IsLinked()) {
    throw dao::EngineError(
        OneLine("リンク テーブル '" + FEntry.Name + "' の行は読めません（リンク先 '" + Connect() +
                "' の行は読みません）。"),
        dao::ErrorKind::Unsupported);
  }
  return std::make_unique<JetRecordset>(FFile, Definition());
}

const LinkedSource& JetTableDef::Source() {
  if (!FSource) FSource = ResolveLinkedSource(FFile, FEntry);
  return *FSource;
}

const TableDefinition& JetTableDef::Definition() {
  if (!FDefinition) {
    JetFile& file = *Source().File;
    const std::uint32_t page = Source().Entry->TablePage();
    FDefinition = file.Guard([&] { return ReadTableDefinition(file.Pages(), page, file.Text()); });
  }
  return *FDefinition;
}

const PropertyBlock& JetTableDef::ColumnBlock() {
  if (Source().Entry == &FEntry) return Block();
  if (!FSourceBlock) FSourceBlock = ReadPropertyBlock(*Source().File, *Source().Entry);
  return *FSourceBlock;
}

const PropertyBlock& JetTableDef::Block() {
  if (!FBlock) FBlock = ReadPropertyBlock(*FFile, FEntry);
  return *FBlock;
}

std::string JetTableDef::StoredText(std::string_view name) {
  return jet::StoredText(*FFile, &Block().Object, name);
}

void JetTableDef::LoadFields(std::vector<std::unique_ptr<dao::Field>>& fields) {
  const TableDefinition& definition = Definition();
  const PropertyBlock& block = ColumnBlock();
  const std::shared_ptr<JetFile>& file = Source().File;
  fields.reserve(definition.Columns.size());
  int ordinal = 0;
  for (const ColumnDefinition& column : definition.Columns) {
    const std::int32_t complexType =
        column.Type == ColComplex ? file->ComplexType(column.ComplexId) : 0;
    fields.push_back(std::make_unique<JetField>(file, column, ordinal++,
                                                DaoTypeOf(column, complexType),
                                                block.ChildProperties(column.Name)));
  }
}

void JetTableDef::LoadIndexes(std::vector<std::unique_ptr<dao::Index>>& indexes) {
  const TableDefinition& definition = Definition();
  JetFile& file = *Source().File;
  std::vector<const LogicalIndexDefinition*> logical;
  for (const auto& index : definition.LogicalIndexes) {
    if (index.Type == IndexForeignKey && index.Side == SideReferenced) continue;
    logical.push_back(&index);
  }
  std::stable_sort(logical.begin(), logical.end(),
                   [](const auto* a, const auto* b) { return a->Number < b->Number; });
  for (const LogicalIndexDefinition* index : logical) {
    // The logical entry names its real index by number, which is the real
    // index's place in the definition.
    if (index->RealIndex >= definition.RealIndexes.size()) {
      throw file.Damaged("インデックス '" + index->Name + "' の実インデックス番号が範囲外です");
    }
    const RealIndexDefinition& real = definition.RealIndexes[index->RealIndex];
    auto fields = NewFieldList();
    for (const IndexColumn& slot : real.Columns) {
      const ColumnDefinition* column = definition.ColumnByNumber(slot.Number);
      if (column == nullptr) {
        throw file.Damaged("インデックス '" + index->Name + "' が存在しない列 " +
                           std::to_string(slot.Number) + " を指しています");
      }
      fields->Add(
          std::make_unique<NameField>(column->Name, "", slot.Ascending ? 0 : dao::dbDescending));
    }
    indexes.push_back(std::make_unique<JetIndex>(
        index->Name, index->Type == IndexPrimaryKey, index->Type == IndexForeignKey,
        (real.Flags & IndexUnique) != 0, std::move(fields)));
  }
}

}  // namespace tabulon::jet
