#include <jet/JetDatabase.h>

#include <algorithm>

#include <jet/JetContainer.h>
#include <jet/JetIndex.h>
#include <jet/JetQueryDef.h>
#include <jet/JetTableDef.h>

namespace tabulon::jet {

namespace {

std::string FormatVersionText(std::uint8_t version) {
  switch (version) {
    case VersionJet3:
      return "3.0";
    case VersionJet4:
      return "4.0";
    case VersionAce12:
      return "12.0";
    case VersionAce14:
      return "14.0";
    case VersionAce15:
      return "15.0";
    case VersionAce16:
      return "16.0";
    case VersionAce17:
      return "17.0";
    default:
      return std::to_string(version);
  }
}

}  // namespace

JetDatabase::JetDatabase(std::shared_ptr<JetFile> file) : FFile(std::move(file)) {
  FProperties = std::make_unique<PropertyList>(
      "プロパティ", [](dao::Property& p) { return p.Name(); },
      [this](auto& properties) { LoadProperties(properties); });
  FTableDefs = std::make_unique<ListCollection<dao::TableDef>>(
      "テーブル", [](dao::TableDef& t) { return t.Name(); });
  std::vector<const CatalogEntry*> tables;
  for (const CatalogEntry& entry : FFile->Catalog()) {
    if (entry.IsTable() && !entry.Name.empty()) tables.push_back(&entry);
  }
  std::stable_sort(tables.begin(), tables.end(), [](const CatalogEntry* a, const CatalogEntry* b) {
    return CompareNoCase(a->Name, b->Name) < 0;
  });
  for (const CatalogEntry* entry : tables)
    FTableDefs->Add(std::make_unique<JetTableDef>(FFile, *entry));
  FRelations = std::make_unique<ListCollection<dao::Relation>>(
      "リレーション", [](dao::Relation& r) { return r.Name(); },
      [this](auto& relations) { LoadRelations(relations); });
  FQueryDefs = std::make_unique<ListCollection<dao::QueryDef>>(
      "クエリ", [](dao::QueryDef& q) { return q.Name(); },
      [this](auto& queries) { LoadQueryDefs(queries, false); });
  FAllQueryDefs = std::make_unique<ListCollection<dao::QueryDef>>(
      "クエリ", [](dao::QueryDef& q) { return q.Name(); },
      [this](auto& queries) { LoadQueryDefs(queries, true); });
  FContainers = std::make_unique<ListCollection<dao::Container>>(
      "コンテナー", [](dao::Container& c) { return c.Name(); },
      [this](auto& containers) { LoadContainers(containers); });
}

namespace {

// The catalog's entries of `type` with a name, sorted by name without
// regard to case.
std::vector<const CatalogEntry*> SortedEntries(const std::vector<CatalogEntry>& catalog,
                                               std::int16_t type) {
  std::vector<const CatalogEntry*> entries;
  for (const CatalogEntry& entry : catalog) {
    if (entry.Type == type && !entry.Name.empty()) entries.push_back(&entry);
  }
  std::stable_sort(entries.begin(), entries.end(),
                   [](const CatalogEntry* a, const CatalogEntry* b) {
                     return CompareNoCase(a->Name, b->Name) < 0;
                   });
  return entries;
}

}  // namespace

void JetDatabase::LoadQueryDefs(std::vector<std::unique_ptr<dao::QueryDef>>& queries,
                                bool withHidden) {
  const std::vector<const CatalogEntry*> entries = SortedEntries(FFile->Catalog(), ObjectQuery);
  if (entries.empty()) return;
  if (!FQueryRows) {
    const CatalogEntry* table = FFile->Find("MSysQueries", ObjectLocalTable);
    FQueryRows =
        table == nullptr ? std::map<std::int32_t, std::vector<QueryRow>>{} : FFile->Guard([&] {
          return ReadQueryRows(FFile->Pages(), table->TablePage(), FFile->Text());
        });
  }
  for (const CatalogEntry* entry : entries) {
    if (!withHidden && IsHiddenQueryName(entry->Name)) continue;
    const auto rows = FQueryRows->find(entry->Id);
    queries.push_back(std::make_unique<JetQueryDef>(
        *entry, rows == FQueryRows->end() ? std::vector<QueryRow>{} : rows->second));
  }
}

void JetDatabase::LoadContainers(std::vector<std::unique_ptr<dao::Container>>& containers) {
  for (const CatalogEntry* entry : SortedEntries(FFile->Catalog(), ObjectContainer))
    containers.push_back(std::make_unique<JetContainer>(*entry, FFile->Catalog()));
}

void JetDatabase::LoadProperties(std::vector<std::unique_ptr<dao::Property>>& properties) {
  const HeaderPage& header = FFile->Header();
  const CatalogEntry* msysDb = FFile->Find("MSysDb", ObjectDatabase);
  properties.push_back(std::make_unique<JetProperty>("Name", FFile->Path()));
  properties.push_back(std::make_unique<JetProperty>("Version", FormatVersionText(header.Version)));
  properties.push_back(std::make_unique<JetProperty>("CodePage", std::int64_t{header.CodePage}));
  properties.push_back(
      std::make_unique<JetProperty>("CollatingOrder", std::int64_t{header.SortOrder}));
  if (header.CreationDate) {
    properties.push_back(
        std::make_unique<JetProperty>("DateCreated", dao::Date{*header.CreationDate}));
  } else if (msysDb && msysDb->DateCreate) {
    properties.push_back(
        std::make_unique<JetProperty>("DateCreated", dao::Date{*msysDb->DateCreate}));
  } else {
    properties.push_back(
        JetProperty::Failing("DateCreated", dao::EngineError("作成日時が記録されていません。")));
  }
  properties.push_back(std::make_unique<JetProperty>("Updatable", false));
  if (msysDb == nullptr) return;
  const PropertyBlock block = ReadPropertyBlock(*FFile, *msysDb);
  for (const StoredProperty& stored : block.Object) {
    try {
      properties.push_back(
          std::make_unique<JetProperty>(stored.Name, PropertyValue(stored, FFile->Text())));
    } catch (const FormatError& e) {
      properties.push_back(JetProperty::Failing(stored.Name, FFile->Damaged(e.what())));
    }
  }
}

void JetDatabase::LoadRelations(std::vector<std::unique_ptr<dao::Relation>>& relations) {
  const CatalogEntry* table = FFile->Find("MSysRelationships", ObjectLocalTable);
  if (table == nullptr) return;
  const std::vector<Relationship> read = FFile->Guard(
      [&] { return ReadRelationships(FFile->Pages(), table->TablePage(), FFile->Text()); });
  for (const Relationship& relationship : read)
    relations.push_back(std::make_unique<JetRelation>(relationship));
}

std::unique_ptr<dao::Database> OpenJetDatabase(std::unique_ptr<PageSource> source,
                                               const std::string& path,
                                               const std::string& connect) {
  return std::make_unique<JetDatabase>(
      JetFile::Open(std::move(source), path, PasswordOfConnect(connect)));
}

}  // namespace tabulon::jet
