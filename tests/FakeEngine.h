#pragma once
// An engine built from plain data, for tests of everything above the object
// model. Any member of any object can be made to fail by naming it in that
// object's `Fails` set (for example {"Name"}, {"Fields.Count"},
// {"Properties.Count"}, {"Description"}); the failure's text is
// "<member> failed".

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include <engine/EngineError.h>
#include <engine/ObjectModel.h>
#include <engine/TextCompare.h>

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
  FailSet Fails;  // also "Fields.Count", "Fields.Item"
};

struct FakeTableData {
  std::string Name;
  std::int32_t Attributes = 0;
  dao::Variant RecordCount = std::int64_t{0};
  dao::Variant DateCreated = dao::Date{38135.0};
  dao::Variant LastUpdated = dao::Date{38136.5};
  dao::Variant Updatable = true;
  std::string ValidationRule;
  std::string ValidationText;
  std::optional<std::string> Description;
  std::vector<FakeFieldData> Fields;
  std::vector<FakeIndexData> Indexes;
  FailSet Fails;  // also "Fields.Count", "Indexes.Count", "Indexes.Item"
};

struct FakeRelationData {
  std::string Name;
  std::string Table;
  std::string ForeignTable;
  std::int32_t Attributes = 0;
  std::vector<std::pair<std::string, std::string>> Fields;  // name, foreign name
  FailSet Fails;                                            // also "Fields.Count"
};

struct FakeDatabaseData {
  std::string Password;  // "" opens with any password
  int OpenLimit = -1;    // how many opens succeed; -1 for no limit
  std::vector<FakePropertyData> Properties;
  std::vector<FakeTableData> Tables;
  std::vector<FakeRelationData> Relations;
  FailSet Fails;  // "Properties.Count", "TableDefs.Count", "Relations.Count", "Close"
};

// A collection over objects it owns.
template <class T>
class FakeCollection : public dao::Collection<T> {
 public:
  FakeCollection(const FailSet* fails, std::string prefix)
      : FFails(fails), FPrefix(std::move(prefix)) {}
  std::vector<std::unique_ptr<T>> Items;
  std::function<std::string(T&)> NameOf;

  int Count() override {
    if (FFails) MaybeFail(*FFails, FPrefix + ".Count");
    return static_cast<int>(Items.size());
  }
  T& Item(int index) override {
    if (FFails) MaybeFail(*FFails, FPrefix + ".Item");
    if (index < 0 || index >= static_cast<int>(Items.size())) {
      throw dao::EngineError("コレクションにアイテムが見つかりません。");
    }
    return *Items[static_cast<std::size_t>(index)];
  }
  T& Item(std::string_view name) override {
    if (FFails) MaybeFail(*FFails, FPrefix + ".Item");
    for (auto& item : Items) {
      if (EqualsNoCase(NameOf(*item), name)) return *item;
    }
    throw dao::EngineError("コレクションにアイテム '" + std::string(name) + "' が見つかりません。");
  }

 private:
  const FailSet* FFails;
  std::string FPrefix;
};

class FakeProperty : public dao::Property {
 public:
  explicit FakeProperty(FakePropertyData data) : FData(std::move(data)) {}
  std::string Name() override {
    MaybeFail(FData.Fails, "Name");
    return FData.Name;
  }
  dao::Variant Value() override {
    MaybeFail(FData.Fails, "Value");
    return FData.Value;
  }
  const std::string& RawName() const { return FData.Name; }

 private:
  FakePropertyData FData;
};

class FakeProperties : public FakeCollection<dao::Property> {
 public:
  FakeProperties(const FailSet* fails, const std::vector<FakePropertyData>& data)
      : FakeCollection<dao::Property>(fails, "Properties") {
    NameOf = [](dao::Property& p) { return static_cast<FakeProperty&>(p).RawName(); };
    for (const auto& d : data) Items.push_back(std::make_unique<FakeProperty>(d));
  }
};

inline std::vector<FakePropertyData> WithDescription(std::vector<FakePropertyData> properties,
                                                     const std::optional<std::string>& description,
                                                     const FailSet& fails) {
  if (description) {
    FakePropertyData p{"Description", *description, {}};
    if (fails.count("Description")) p.Fails.insert("Value");
    properties.push_back(std::move(p));
  }
  return properties;
}

class FakeField : public dao::Field {
 public:
  explicit FakeField(FakeFieldData data)
      : FData(std::move(data)),
        FProperties(&FData.Fails,
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
  const std::string& RawName() const { return FData.Name; }

 private:
  template <class V>
  V Get(const char* member, const V& value) {
    MaybeFail(FData.Fails, member);
    return value;
  }
  FakeFieldData FData;
  FakeProperties FProperties;
};

class FakeFields : public FakeCollection<dao::Field> {
 public:
  explicit FakeFields(const FailSet* fails) : FakeCollection<dao::Field>(fails, "Fields") {
    NameOf = [](dao::Field& f) { return static_cast<FakeField&>(f).RawName(); };
  }
};

class FakeIndex : public dao::Index {
 public:
  explicit FakeIndex(FakeIndexData data) : FData(std::move(data)), FFields(&FData.Fails) {
    for (const auto& name : FData.Fields) {
      FakeFieldData field;
      field.Name = name;
      FFields.Items.push_back(std::make_unique<FakeField>(field));
    }
  }
  std::string Name() override {
    MaybeFail(FData.Fails, "Name");
    return FData.Name;
  }
  bool Primary() override {
    MaybeFail(FData.Fails, "Primary");
    return FData.Primary;
  }
  bool Foreign() override {
    MaybeFail(FData.Fails, "Foreign");
    return FData.Foreign;
  }
  bool Unique() override {
    MaybeFail(FData.Fails, "Unique");
    return FData.Unique;
  }
  dao::Collection<dao::Field>& Fields() override { return FFields; }
  const std::string& RawName() const { return FData.Name; }

 private:
  FakeIndexData FData;
  FakeFields FFields;
};

class FakeTableDef : public dao::TableDef {
 public:
  explicit FakeTableDef(FakeTableData data)
      : FData(std::move(data)),
        FProperties(&FData.Fails, WithDescription({}, FData.Description, FData.Fails)),
        FFields(&FData.Fails),
        FIndexes(&FData.Fails, "Indexes") {
    for (const auto& f : FData.Fields) FFields.Items.push_back(std::make_unique<FakeField>(f));
    FIndexes.NameOf = [](dao::Index& i) { return static_cast<FakeIndex&>(i).RawName(); };
    for (const auto& i : FData.Indexes) FIndexes.Items.push_back(std::make_unique<FakeIndex>(i));
  }
  std::string Name() override {
    MaybeFail(FData.Fails, "Name");
    return FData.Name;
  }
  std::int32_t Attributes() override {
    MaybeFail(FData.Fails, "Attributes");
    return FData.Attributes;
  }
  dao::Variant RecordCount() override {
    MaybeFail(FData.Fails, "RecordCount");
    return FData.RecordCount;
  }
  dao::Variant DateCreated() override {
    MaybeFail(FData.Fails, "DateCreated");
    return FData.DateCreated;
  }
  dao::Variant LastUpdated() override {
    MaybeFail(FData.Fails, "LastUpdated");
    return FData.LastUpdated;
  }
  dao::Variant Updatable() override {
    MaybeFail(FData.Fails, "Updatable");
    return FData.Updatable;
  }
  std::string ValidationRule() override {
    MaybeFail(FData.Fails, "ValidationRule");
    return FData.ValidationRule;
  }
  std::string ValidationText() override {
    MaybeFail(FData.Fails, "ValidationText");
    return FData.ValidationText;
  }
  dao::Collection<dao::Property>& Properties() override { return FProperties; }
  dao::Collection<dao::Field>& Fields() override { return FFields; }
  dao::Collection<dao::Index>& Indexes() override { return FIndexes; }
  const std::string& RawName() const { return FData.Name; }

 private:
  FakeTableData FData;
  FakeProperties FProperties;
  FakeFields FFields;
  FakeCollection<dao::Index> FIndexes;
};

class FakeRelation : public dao::Relation {
 public:
  explicit FakeRelation(FakeRelationData data) : FData(std::move(data)), FFields(&FData.Fails) {
    for (const auto& [name, foreign] : FData.Fields) {
      FakeFieldData field;
      field.Name = name;
      field.ForeignName = foreign;
      FFields.Items.push_back(std::make_unique<FakeField>(field));
    }
  }
  std::string Name() override {
    MaybeFail(FData.Fails, "Name");
    return FData.Name;
  }
  std::string Table() override {
    MaybeFail(FData.Fails, "Table");
    return FData.Table;
  }
  std::string ForeignTable() override {
    MaybeFail(FData.Fails, "ForeignTable");
    return FData.ForeignTable;
  }
  std::int32_t Attributes() override {
    MaybeFail(FData.Fails, "Attributes");
    return FData.Attributes;
  }
  dao::Collection<dao::Field>& Fields() override { return FFields; }
  const std::string& RawName() const { return FData.Name; }

 private:
  FakeRelationData FData;
  FakeFields FFields;
};

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
        FProperties(&FData.Fails, FData.Properties),
        FTableDefs(&FData.Fails, "TableDefs"),
        FRelations(&FData.Fails, "Relations") {
    FTableDefs.NameOf = [](dao::TableDef& t) { return static_cast<FakeTableDef&>(t).RawName(); };
    for (const auto& t : FData.Tables)
      FTableDefs.Items.push_back(std::make_unique<FakeTableDef>(t));
    FRelations.NameOf = [](dao::Relation& r) { return static_cast<FakeRelation&>(r).RawName(); };
    for (const auto& r : FData.Relations)
      FRelations.Items.push_back(std::make_unique<FakeRelation>(r));
  }
  dao::Collection<dao::Property>& Properties() override { return FProperties; }
  dao::Collection<dao::TableDef>& TableDefs() override { return FTableDefs; }
  dao::Collection<dao::Relation>& Relations() override { return FRelations; }
  void Close() override {
    ++FCalls.Closes;
    MaybeFail(FData.Fails, "Close");
  }

 private:
  FakeDatabaseData FData;
  FakeCalls& FCalls;
  FakeProperties FProperties;
  FakeCollection<dao::TableDef> FTableDefs;
  FakeCollection<dao::Relation> FRelations;
};

class FakeWorkspace : public dao::Workspace {
 public:
  FakeWorkspace(std::map<std::string, FakeDatabaseData>& files, FakeCalls& calls,
                std::vector<FakePropertyData> properties, const FailSet& fails)
      : FFiles(files), FCalls(calls), FProperties(&fails, properties) {}
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
        FProperties(&FFails, engineProperties),
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

}  // namespace tabulon::test
