#pragma once
// An engine built from plain data, for tests of everything above the object
// model. Any member of any object can be made to fail by naming it in that
// object's `Fails` set (for example {"Name"}, {"Fields.Count"},
// {"Properties.Count"}, {"Description"}); the failure's text is
// "<member> failed".

#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

#include <dao/Dao360.h>
#include <dao/EngineError.h>
#include <dao/ObjectModel.h>
#include <text/TextCompare.h>

namespace tabulon::test {

using FailSet = std::set<std::string>;

inline void MaybeFail(const FailSet& fails, const std::string& member) {
  if (fails.count(member) != 0) throw dao::EngineError(member + " failed");
}

struct FakePropertyData {
  std::string Name;
  dao::Variant Value;
  FailSet Fails;
};

struct FakeFieldData {
  std::string Name;
  std::int32_t Type = dao::dbText;
  dao::Variant Size = std::int64_t{50};
  std::int32_t Attributes = dao::dbVariableField | dao::dbUpdatableField;
  dao::Variant OrdinalPosition = std::int64_t{0};
  bool Required = false;
  bool AllowZeroLength = false;
  dao::Variant DefaultValue = std::string();
  bool DataUpdatable = true;
  std::string ValidationRule;
  std::string ValidationText;
  std::string ForeignName;
  std::optional<std::string> Description;
  std::vector<FakePropertyData> Properties;  // besides Description
  FailSet Fails;
};

struct FakeIndexData {
  std::string Name;
  bool Primary = false;
  bool Foreign = false;
  bool Unique = false;
  std::vector<std::string> Fields;
  FailSet Fails;                          // also "Fields.Count", "Fields.Item"
  std::set<std::string> Descending = {};  // fields of `Fields` in descending order
};

struct FakeTableData {
  std::string Name;
  std::int32_t Attributes = 0;
  std::string Connect;
  std::string SourceTableName;
  dao::Variant RecordCount = std::int64_t{0};
  dao::Variant DateCreated = dao::Date{38135.0};
  dao::Variant LastUpdated = dao::Date{38136.5};
  dao::Variant Updatable = true;
  std::string ValidationRule;
  std::string ValidationText;
  std::optional<std::string> Description;
  std::vector<FakeFieldData> Fields;
  std::vector<FakeIndexData> Indexes;
  FailSet Fails;  // also "Fields.Count", "Indexes.Count", "Indexes.Item", "OpenRecordset"
  // What OpenRecordset reads: one value per field, in field order.
  std::vector<std::vector<dao::Variant>> Rows = {};
  std::vector<FakePropertyData> Properties = {};  // besides Description
};

struct FakeRelationData {
  std::string Name;
  std::string Table;
  std::string ForeignTable;
  std::int32_t Attributes = 0;
  std::vector<std::pair<std::string, std::string>> Fields;  // name, foreign name
  FailSet Fails;                                            // also "Fields.Count"
};

struct FakeParameterData {
  std::string Name;
  std::int32_t Type = dao::dbText;
  FailSet Fails;
};

struct FakeQueryData {
  std::string Name;
  std::int32_t Type = dao::dbQSelect;
  std::string SQL;
  std::string Connect;
  dao::Variant DateCreated = dao::Date{38135.0};
  dao::Variant LastUpdated = dao::Date{38136.5};
  std::vector<FakeParameterData> Parameters;
  FailSet Fails;  // also "SQL", "Parameters.Count", "Parts"
  std::vector<dao::QueryPart> Parts = {};
};

struct FakeDocumentData {
  std::string Name;
  std::string Container;
  dao::Variant DateCreated = dao::Date{38135.0};
  dao::Variant LastUpdated = dao::Date{38136.5};
  FailSet Fails;
};

struct FakeContainerData {
  std::string Name;
  std::vector<FakeDocumentData> Documents;
  FailSet Fails;  // also "Documents.Count"
};

struct FakeDatabaseData {
  std::string Password;  // "" opens with any password
  int OpenLimit = -1;    // how many opens succeed; -1 for no limit
  std::vector<FakePropertyData> Properties;
  std::vector<FakeTableData> Tables;
  std::vector<FakeRelationData> Relations;
  std::vector<FakeQueryData> Queries;  // AllQueryDefs; QueryDefs leaves out "~sq_" names
  std::vector<FakeContainerData> Containers;
  // "Properties.Count", "TableDefs.Count", "Relations.Count", "QueryDefs.Count",
  // "Containers.Count", "Close"
  FailSet Fails;
};

// Answers a member from an object's data unless the member is in its
// Fails; RawName is the name without that check, for lookups by name.
template <class Data>
class FakeObject {
 public:
  explicit FakeObject(Data data) : FData(std::move(data)) {}
  const std::string& RawName() const { return FData.Name; }

 protected:
  template <class V>
  V Get(const char* member, const V& value) const {
    MaybeFail(FData.Fails, member);
    return value;
  }
  Data FData;
};

// A collection owning one `Fake` made from each data item; "<prefix>.Count"
// and "<prefix>.Item" in `fails` make its members fail.
template <class T, class Fake>
class FakeCollection : public dao::Collection<T> {
 public:
  template <class Data>
  FakeCollection(const FailSet& fails, std::string prefix, const std::vector<Data>& data)
      : FFails(fails), FPrefix(std::move(prefix)) {
    for (const Data& item : data) FItems.push_back(std::make_unique<Fake>(item));
  }
  int Count() override {
    MaybeFail(FFails, FPrefix + ".Count");
    return static_cast<int>(FItems.size());
  }
  T& Item(int index) override {
    MaybeFail(FFails, FPrefix + ".Item");
    if (index < 0 || index >= static_cast<int>(FItems.size())) {
      throw dao::EngineError("コレクションにアイテムが見つかりません。");
    }
    return *FItems[static_cast<std::size_t>(index)];
  }
  T& Item(std::string_view name) override {
    MaybeFail(FFails, FPrefix + ".Item");
    for (auto& item : FItems) {
      if (EqualsNoCase(item->RawName(), name)) return *item;
    }
    throw dao::EngineError("コレクションにアイテム '" + std::string(name) + "' が見つかりません。");
  }

 private:
  const FailSet& FFails;
  std::string FPrefix;
  std::vector<std::unique_ptr<Fake>> FItems;
};

class FakeProperty : public dao::Property, public FakeObject<FakePropertyData> {
 public:
  using FakeObject::FakeObject;
  std::string Name() override { return Get("Name", FData.Name); }
  dao::Variant Value() override { return Get("Value", FData.Value); }
};
using FakeProperties = FakeCollection<dao::Property, FakeProperty>;

// `properties` with a Description property added when there is one; the
// owner's "Description" failure makes its value fail.
inline std::vector<FakePropertyData> WithDescription(std::vector<FakePropertyData> properties,
                                                     const std::optional<std::string>& description,
                                                     const FailSet& fails) {
  if (description) {
    properties.push_back({"Description", *description, {}});
    if (fails.count("Description")) properties.back().Fails.insert("Value");
  }
  return properties;
}

class FakeField : public dao::Field, public FakeObject<FakeFieldData> {
 public:
  explicit FakeField(FakeFieldData data)
      : FakeObject(std::move(data)),
        FProperties(FData.Fails, "Properties",
                    WithDescription(FData.Properties, FData.Description, FData.Fails)) {}
  std::string Name() override { return Get("Name", FData.Name); }
  std::int32_t Type() override { return Get("Type", FData.Type); }
  dao::Variant Size() override { return Get("Size", FData.Size); }
  std::int32_t Attributes() override { return Get("Attributes", FData.Attributes); }
  dao::Variant OrdinalPosition() override { return Get("OrdinalPosition", FData.OrdinalPosition); }
  bool Required() override { return Get("Required", FData.Required); }
  bool AllowZeroLength() override { return Get("AllowZeroLength", FData.AllowZeroLength); }
  dao::Variant DefaultValue() override { return Get("DefaultValue", FData.DefaultValue); }
  bool DataUpdatable() override { return Get("DataUpdatable", FData.DataUpdatable); }
  std::string ValidationRule() override { return Get("ValidationRule", FData.ValidationRule); }
  std::string ValidationText() override { return Get("ValidationText", FData.ValidationText); }
  std::string ForeignName() override { return Get("ForeignName", FData.ForeignName); }
  dao::Collection<dao::Property>& Properties() override { return FProperties; }

 private:
  FakeProperties FProperties;
};
using FakeFields = FakeCollection<dao::Field, FakeField>;

// The fields of an index (names) or a relation (names and foreign names).
inline std::vector<FakeFieldData> KeyFields(const std::vector<std::string>& names) {
  std::vector<FakeFieldData> fields(names.size());
  for (std::size_t i = 0; i < names.size(); ++i) fields[i].Name = names[i];
  return fields;
}
inline std::vector<FakeFieldData> KeyFields(
    const std::vector<std::pair<std::string, std::string>>& pairs) {
  std::vector<FakeFieldData> fields(pairs.size());
  for (std::size_t i = 0; i < pairs.size(); ++i)
    std::tie(fields[i].Name, fields[i].ForeignName) = pairs[i];
  return fields;
}

// The fields of an index, the descending ones with dbDescending.
inline std::vector<FakeFieldData> IndexFields(const FakeIndexData& index) {
  std::vector<FakeFieldData> fields = KeyFields(index.Fields);
  for (FakeFieldData& field : fields)
    field.Attributes = index.Descending.count(field.Name) != 0 ? dao::dbDescending : 0;
  return fields;
}

class FakeIndex : public dao::Index, public FakeObject<FakeIndexData> {
 public:
  explicit FakeIndex(FakeIndexData data)
      : FakeObject(std::move(data)), FFields(FData.Fails, "Fields", IndexFields(FData)) {}
  std::string Name() override { return Get("Name", FData.Name); }
  bool Primary() override { return Get("Primary", FData.Primary); }
  bool Foreign() override { return Get("Foreign", FData.Foreign); }
  bool Unique() override { return Get("Unique", FData.Unique); }
  dao::Collection<dao::Field>& Fields() override { return FFields; }

 private:
  FakeFields FFields;
};

// Reads rows given as data; a value missing from a short row is Null.
class FakeRecordset : public dao::Recordset {
 public:
  explicit FakeRecordset(const std::vector<std::vector<dao::Variant>>& rows) : FRows(rows) {}
  bool Eof() override { return FAt >= FRows.size(); }
  void MoveNext() override {
    if (Eof()) throw dao::EngineError("no current row");
    ++FAt;
  }
  dao::Variant Collect(int index) override {
    if (Eof() || index < 0) throw dao::EngineError("no such value");
    const std::vector<dao::Variant>& row = FRows[FAt];
    const auto at = static_cast<std::size_t>(index);
    return at < row.size() ? row[at] : dao::Variant{dao::Null{}};
  }

 private:
  const std::vector<std::vector<dao::Variant>>& FRows;
  std::size_t FAt = 0;
};

class FakeTableDef : public dao::TableDef, public FakeObject<FakeTableData> {
 public:
  explicit FakeTableDef(FakeTableData data)
      : FakeObject(std::move(data)),
        FProperties(FData.Fails, "Properties",
                    WithDescription(FData.Properties, FData.Description, FData.Fails)),
        FFields(FData.Fails, "Fields", FData.Fields),
        FIndexes(FData.Fails, "Indexes", FData.Indexes) {}
  std::string Name() override { return Get("Name", FData.Name); }
  std::int32_t Attributes() override { return Get("Attributes", FData.Attributes); }
  std::string StoredConnect() override { return Get("Connect", FData.Connect); }
  std::string SourceTableName() override { return Get("SourceTableName", FData.SourceTableName); }
  dao::Variant RecordCount() override { return Get("RecordCount", FData.RecordCount); }
  dao::Variant DateCreated() override { return Get("DateCreated", FData.DateCreated); }
  dao::Variant LastUpdated() override { return Get("LastUpdated", FData.LastUpdated); }
  dao::Variant Updatable() override { return Get("Updatable", FData.Updatable); }
  std::string ValidationRule() override { return Get("ValidationRule", FData.ValidationRule); }
  std::string ValidationText() override { return Get("ValidationText", FData.ValidationText); }
  dao::Collection<dao::Property>& Properties() override { return FProperties; }
  dao::Collection<dao::Field>& Fields() override { return FFields; }
  dao::Collection<dao::Index>& Indexes() override { return FIndexes; }
  std::unique_ptr<dao::Recordset> OpenRecordset() override {
    MaybeFail(FData.Fails, "OpenRecordset");
    return std::make_unique<FakeRecordset>(FData.Rows);
  }

 private:
  FakeProperties FProperties;
  FakeFields FFields;
  FakeCollection<dao::Index, FakeIndex> FIndexes;
};

class FakeRelation : public dao::Relation, public FakeObject<FakeRelationData> {
 public:
  explicit FakeRelation(FakeRelationData data)
      : FakeObject(std::move(data)), FFields(FData.Fails, "Fields", KeyFields(FData.Fields)) {}
  std::string Name() override { return Get("Name", FData.Name); }
  std::string Table() override { return Get("Table", FData.Table); }
  std::string ForeignTable() override { return Get("ForeignTable", FData.ForeignTable); }
  std::int32_t Attributes() override { return Get("Attributes", FData.Attributes); }
  dao::Collection<dao::Field>& Fields() override { return FFields; }

 private:
  FakeFields FFields;
};

class FakeParameter : public dao::Parameter, public FakeObject<FakeParameterData> {
 public:
  using FakeObject::FakeObject;
  std::string Name() override { return Get("Name", FData.Name); }
  std::int32_t Type() override { return Get("Type", FData.Type); }
};

class FakeQueryDef : public dao::QueryDef, public FakeObject<FakeQueryData> {
 public:
  explicit FakeQueryDef(FakeQueryData data)
      : FakeObject(std::move(data)), FParameters(FData.Fails, "Parameters", FData.Parameters) {}
  std::string Name() override { return Get("Name", FData.Name); }
  std::int32_t Type() override { return Get("Type", FData.Type); }
  std::string SQL() override { return Get("SQL", FData.SQL); }
  std::string StoredConnect() override { return Get("Connect", FData.Connect); }
  dao::Variant DateCreated() override { return Get("DateCreated", FData.DateCreated); }
  dao::Variant LastUpdated() override { return Get("LastUpdated", FData.LastUpdated); }
  dao::Collection<dao::Parameter>& Parameters() override { return FParameters; }
  std::vector<dao::QueryPart> Parts() override { return Get("Parts", FData.Parts); }

 private:
  FakeCollection<dao::Parameter, FakeParameter> FParameters;
};

class FakeDocument : public dao::Document, public FakeObject<FakeDocumentData> {
 public:
  using FakeObject::FakeObject;
  std::string Name() override { return Get("Name", FData.Name); }
  std::string Container() override { return Get("Container", FData.Container); }
  dao::Variant DateCreated() override { return Get("DateCreated", FData.DateCreated); }
  dao::Variant LastUpdated() override { return Get("LastUpdated", FData.LastUpdated); }
};

class FakeContainer : public dao::Container, public FakeObject<FakeContainerData> {
 public:
  explicit FakeContainer(FakeContainerData data)
      : FakeObject(std::move(data)), FDocuments(FData.Fails, "Documents", FData.Documents) {}
  std::string Name() override { return Get("Name", FData.Name); }
  dao::Collection<dao::Document>& Documents() override { return FDocuments; }

 private:
  FakeCollection<dao::Document, FakeDocument> FDocuments;
};

// The queries a database lists in QueryDefs: all but "~sq_" ones.
inline std::vector<FakeQueryData> SavedQueries(const std::vector<FakeQueryData>& all) {
  std::vector<FakeQueryData> saved;
  for (const FakeQueryData& query : all) {
    if (query.Name.rfind("~sq_", 0) != 0) saved.push_back(query);
  }
  return saved;
}

// Counts of engine calls, shared by an engine and the databases it opens.
struct FakeCalls {
  int Opens = 0;
  int Closes = 0;
  std::vector<std::string> Connects;
};

class FakeDatabase : public dao::Database {
 public:
  FakeDatabase(FakeDatabaseData data, FakeCalls& calls)
      : FData(std::move(data)),
        FCalls(calls),
        FProperties(FData.Fails, "Properties", FData.Properties),
        FTableDefs(FData.Fails, "TableDefs", FData.Tables),
        FRelations(FData.Fails, "Relations", FData.Relations),
        FQueryDefs(FData.Fails, "QueryDefs", SavedQueries(FData.Queries)),
        FAllQueryDefs(FData.Fails, "QueryDefs", FData.Queries),
        FContainers(FData.Fails, "Containers", FData.Containers) {}
  dao::Collection<dao::Property>& Properties() override { return FProperties; }
  dao::Collection<dao::TableDef>& TableDefs() override { return FTableDefs; }
  dao::Collection<dao::Relation>& Relations() override { return FRelations; }
  dao::Collection<dao::QueryDef>& QueryDefs() override { return FQueryDefs; }
  dao::Collection<dao::QueryDef>& AllQueryDefs() override { return FAllQueryDefs; }
  dao::Collection<dao::Container>& Containers() override { return FContainers; }
  void Close() override {
    ++FCalls.Closes;
    MaybeFail(FData.Fails, "Close");
  }

 private:
  FakeDatabaseData FData;
  FakeCalls& FCalls;
  FakeProperties FProperties;
  FakeCollection<dao::TableDef, FakeTableDef> FTableDefs;
  FakeCollection<dao::Relation, FakeRelation> FRelations;
  FakeCollection<dao::QueryDef, FakeQueryDef> FQueryDefs;
  FakeCollection<dao::QueryDef, FakeQueryDef> FAllQueryDefs;
  FakeCollection<dao::Container, FakeContainer> FContainers;
};

class FakeWorkspace : public dao::Workspace {
 public:
  FakeWorkspace(std::map<std::string, FakeDatabaseData>& files, FakeCalls& calls,
                std::vector<FakePropertyData> properties, const FailSet& fails)
      : FFiles(files), FCalls(calls), FProperties(fails, "Properties", properties) {}
  dao::Collection<dao::Property>& Properties() override { return FProperties; }
  std::unique_ptr<dao::Database> OpenDatabase(const std::string& path, bool, bool,
                                              const std::string& connect) override {
    FCalls.Connects.push_back(connect);
    const auto file = FFiles.find(path);
    if (file == FFiles.end()) throw dao::EngineError("ファイル '" + path + "' が見つかりません。");
    const std::string& password = file->second.Password;
    if (!password.empty() && connect != ";pwd=" + password) {
      throw dao::EngineError("パスワードが無効です。");
    }
    if (file->second.OpenLimit == 0)
      throw dao::EngineError("ファイル '" + path + "' はロックされています。");
    if (file->second.OpenLimit > 0) --file->second.OpenLimit;
    ++FCalls.Opens;
    return std::make_unique<FakeDatabase>(file->second, FCalls);
  }

 private:
  std::map<std::string, FakeDatabaseData>& FFiles;
  FakeCalls& FCalls;
  FakeProperties FProperties;
};

// Files are looked up by the exact path given to OpenDatabase.
class FakeEngine : public dao::Engine {
 public:
  FakeEngine(std::map<std::string, FakeDatabaseData> files, std::shared_ptr<FakeCalls> calls,
             std::vector<FakePropertyData> engineProperties = {},
             std::vector<FakePropertyData> workspaceProperties = {}, FailSet fails = {})
      : FFiles(std::move(files)),
        FCalls(std::move(calls)),
        FFails(std::move(fails)),
        FProperties(FFails, "Properties", engineProperties),
        FWorkspace(FFiles, *FCalls, std::move(workspaceProperties), FFails) {}
  dao::Collection<dao::Property>& Properties() override { return FProperties; }
  dao::Workspace& Workspaces(int index) override {
    if (index != 0) throw dao::EngineError("no workspace");
    return FWorkspace;
  }

 private:
  std::map<std::string, FakeDatabaseData> FFiles;
  std::shared_ptr<FakeCalls> FCalls;
  FailSet FFails;
  FakeProperties FProperties;
  FakeWorkspace FWorkspace;
};

// A database of one table with one text field.
inline FakeDatabaseData OneTableDatabase(const std::string& table = "T",
                                         const std::string& field = "F") {
  FakeTableData data;
  data.Name = table;
  data.Fields = KeyFields({field});
  FakeDatabaseData db;
  db.Tables = {data};
  return db;
}

// The engine connection over a fake engine, with the engine's call counts.
struct FakeConnection {
  std::shared_ptr<FakeCalls> Calls = std::make_shared<FakeCalls>();
  TDao360 Dao;
  explicit FakeConnection(std::map<std::string, FakeDatabaseData> files)
      : Dao(std::make_unique<FakeEngine>(std::move(files), Calls)) {}
};

}  // namespace tabulon::test
