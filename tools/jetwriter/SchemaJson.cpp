#include <tools/jetwriter/SchemaJson.h>

#include <array>
#include <initializer_list>
#include <limits>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include <text/Utf8.h>
#include <tools/jetwriter/SchemaError.h>
#include <tools/jetwriter/Values.h>

namespace tabulon::jetwriter {

namespace {

using Json = nlohmann::json;

struct TypeEntry {
  std::string_view Name;
  std::int32_t Type;
};

constexpr std::array<TypeEntry, 14> Types{{{"yesno", dao::dbBoolean},
                                           {"byte", dao::dbByte},
                                           {"integer", dao::dbInteger},
                                           {"long", dao::dbLong},
                                           {"currency", dao::dbCurrency},
                                           {"single", dao::dbSingle},
                                           {"double", dao::dbDouble},
                                           {"datetime", dao::dbDate},
                                           {"binary", dao::dbBinary},
                                           {"text", dao::dbText},
                                           {"ole", dao::dbLongBinary},
                                           {"memo", dao::dbMemo},
                                           {"guid", dao::dbGUID},
                                           {"decimal", dao::dbDecimal}}};

constexpr std::string_view AutoNumberType = "autonumber";
constexpr std::string_view HyperlinkType = "hyperlink";
constexpr int DefaultTextSize = 50;
constexpr int DefaultBinarySize = 255;

std::string KnownTypes() {
  std::string list;
  for (const TypeEntry& entry : Types) list += std::string(entry.Name) + ", ";
  return list + std::string(AutoNumberType) + ", " + std::string(HyperlinkType);
}

// Where in the document a value sits, for messages.
class Path {
 public:
  explicit Path(std::string text) : FText(std::move(text)) {}
  Path Key(std::string_view key) const {
    return Path(FText.empty() ? std::string(key) : FText + "." + std::string(key));
  }
  Path At(std::size_t index) const { return Path(fmt::format("{}[{}]", FText, index)); }
  Path Named(std::string_view name) const { return Path(fmt::format("{} \"{}\"", FText, name)); }
  [[noreturn]] void Fail(std::string_view problem) const {
    throw SchemaError(FText.empty() ? std::string(problem) : fmt::format("{}: {}", FText, problem));
  }

 private:
  std::string FText;
};

const Json& Require(const Json& object, const char* key, const Path& path) {
  const auto it = object.find(key);
  if (it == object.end()) path.Fail(fmt::format("\"{}\" is missing", key));
  return *it;
}

void CheckKeys(const Json& object, const Path& path,
               std::initializer_list<std::string_view> allowed) {
  if (!object.is_object()) path.Fail("expected an object");
  for (const auto& item : object.items()) {
    bool known = false;
    for (const std::string_view key : allowed) known = known || item.key() == key;
    if (!known) path.Fail(fmt::format("unknown key \"{}\"", item.key()));
  }
}

std::string String(const Json& value, const Path& path) {
  if (!value.is_string()) path.Fail("expected a string");
  return value.get<std::string>();
}

bool Bool(const Json& value, const Path& path) {
  if (!value.is_boolean()) path.Fail("expected true or false");
  return value.get<bool>();
}

int Int(const Json& value, const Path& path) {
  if (!value.is_number_integer() || value.get<std::int64_t>() < std::numeric_limits<int>::min() ||
      value.get<std::int64_t>() > std::numeric_limits<int>::max()) {
    path.Fail("expected a whole number");
  }
  return value.get<int>();
}

const Json& Array(const Json& value, const Path& path) {
  if (!value.is_array()) path.Fail("expected an array");
  return value;
}

std::optional<std::string> OptionalString(const Json& object, const char* key, const Path& path) {
  const auto it = object.find(key);
  if (it == object.end()) return std::nullopt;
  return String(*it, path.Key(key));
}

std::optional<bool> OptionalBool(const Json& object, const char* key, const Path& path) {
  const auto it = object.find(key);
  if (it == object.end()) return std::nullopt;
  return Bool(*it, path.Key(key));
}

dao::Date DateValue(const Json& value, const Path& path) {
  const auto date = ParseDate(String(value, path));
  if (!date) path.Fail("expected a date as \"YYYY-MM-DD\" or \"YYYY-MM-DD HH:MM:SS\"");
  return *date;
}

dao::Variant Value(const Json& value, const Path& path) {
  if (value.is_null()) return dao::Null{};
  if (value.is_boolean()) return value.get<bool>();
  if (value.is_number_unsigned() &&
      value.get<std::uint64_t>() > std::numeric_limits<std::int64_t>::max()) {
    path.Fail("the number is too large");
  }
  if (value.is_number_integer()) return value.get<std::int64_t>();
  if (value.is_number_float()) return value.get<double>();
  if (value.is_string()) return value.get<std::string>();
  if (value.is_object() && value.size() == 1 && value.contains("utf16")) {
    // A text of UTF-16 units as given, valid or not (Access stores
    // whatever units it was handed): each unit in UTF-8's three-byte
    // form, which the writer turns back into that unit.
    const Json& units = value["utf16"];
    if (!units.is_array()) path.Key("utf16").Fail("expected an array of UTF-16 units");
    std::string text;
    for (std::size_t i = 0; i < units.size(); ++i) {
      if (!units[i].is_number_unsigned() || units[i].get<std::uint64_t>() > 0xFFFF) {
        path.Key("utf16").At(i).Fail("expected a UTF-16 unit, 0 to 65535");
      }
      const auto unit = units[i].get<std::uint32_t>();
      if (unit < 0x800) {
        AppendUtf8(text, unit);
      } else {
        text += static_cast<char>(0xE0 | unit >> 12);
        text += static_cast<char>(0x80 | (unit >> 6 & 0x3F));
        text += static_cast<char>(0x80 | (unit & 0x3F));
      }
    }
    return text;
  }
  path.Fail("expected null, true, false, a number, a string or {\"utf16\": [...]}");
}

std::int32_t TypeOf(const std::string& name, const Path& path, bool shortcuts) {
  for (const TypeEntry& entry : Types) {
    if (entry.Name == name) return entry.Type;
  }
  if (shortcuts && (name == AutoNumberType || name == HyperlinkType))
    return name == AutoNumberType ? dao::dbLong : dao::dbMemo;
  path.Fail(fmt::format("unknown type \"{}\"; known types: {}", name, KnownTypes()));
}

std::vector<Property> Properties(const Json& object, const Path& path) {
  std::vector<Property> properties;
  const auto it = object.find("properties");
  if (it == object.end()) return properties;
  const Path listPath = path.Key("properties");
  const Json& list = Array(*it, listPath);
  for (std::size_t i = 0; i < list.size(); ++i) {
    Path at = listPath.At(i);
    CheckKeys(list[i], at, {"name", "type", "value", "ddl"});
    Property property;
    property.Name = String(Require(list[i], "name", at), at.Key("name"));
    at = at.Named(property.Name);
    if (list[i].contains("type"))
      property.Type = TypeOf(String(list[i]["type"], at.Key("type")), at.Key("type"), false);
    property.Value = Value(Require(list[i], "value", at), at.Key("value"));
    property.Ddl = OptionalBool(list[i], "ddl", at).value_or(false);
    try {
      PropertyBytes(property.Type, property.Value);
    } catch (const SchemaError& error) {
      at.Fail(error.what());
    }
    properties.push_back(std::move(property));
  }
  return properties;
}

Column ReadColumn(const Json& json, Path path) {
  CheckKeys(json, path,
            {"name", "type", "size", "autoNumber", "precision", "scale", "description",
             "validationRule", "validationText", "defaultValue", "caption", "format", "required",
             "allowZeroLength", "properties"});
  Column column;
  column.Name = String(Require(json, "name", path), path.Key("name"));
  path = path.Named(column.Name);
  const std::string type = String(Require(json, "type", path), path.Key("type"));
  column.Type = TypeOf(type, path.Key("type"), true);
  column.AutoNumber =
      type == AutoNumberType || OptionalBool(json, "autoNumber", path).value_or(false);
  column.Hyperlink = type == HyperlinkType;
  if (column.Type == dao::dbText) column.Size = DefaultTextSize;
  if (column.Type == dao::dbBinary) column.Size = DefaultBinarySize;
  if (json.contains("size")) {
    if (column.Type != dao::dbText && column.Type != dao::dbBinary)
      path.Key("size").Fail("only text and binary columns have a size");
    column.Size = Int(json["size"], path.Key("size"));
  }
  if (json.contains("precision") || json.contains("scale")) {
    if (column.Type != dao::dbDecimal) path.Fail("only decimal columns have a precision and scale");
    if (json.contains("precision"))
      column.Precision = Int(json["precision"], path.Key("precision"));
    if (json.contains("scale")) column.Scale = Int(json["scale"], path.Key("scale"));
  }
  column.Description = OptionalString(json, "description", path);
  column.ValidationRule = OptionalString(json, "validationRule", path);
  column.ValidationText = OptionalString(json, "validationText", path);
  column.DefaultValue = OptionalString(json, "defaultValue", path);
  column.Caption = OptionalString(json, "caption", path);
  column.Format = OptionalString(json, "format", path);
  column.Required = OptionalBool(json, "required", path);
  column.AllowZeroLength = OptionalBool(json, "allowZeroLength", path);
  // The engine gives every GUID AutoNumber this default.
  if (column.Type == dao::dbGUID && column.AutoNumber && !column.DefaultValue)
    column.DefaultValue = "GenGUID()";
  column.Properties = Properties(json, path);
  return column;
}

Index ReadIndex(const Json& json, Path path) {
  CheckKeys(json, path, {"name", "columns", "primary", "unique", "ignoreNulls", "required"});
  Index index;
  index.Name = String(Require(json, "name", path), path.Key("name"));
  path = path.Named(index.Name);
  const Path listPath = path.Key("columns");
  const Json& list = Array(Require(json, "columns", path), listPath);
  for (std::size_t i = 0; i < list.size(); ++i) {
    const Path at = listPath.At(i);
    IndexColumn column;
    if (list[i].is_string()) {
      column.Name = list[i].get<std::string>();
    } else {
      CheckKeys(list[i], at, {"name", "descending"});
      column.Name = String(Require(list[i], "name", at), at.Key("name"));
      column.Descending = OptionalBool(list[i], "descending", at).value_or(false);
    }
    index.Columns.push_back(column);
  }
  index.Primary = OptionalBool(json, "primary", path).value_or(false);
  index.Unique = OptionalBool(json, "unique", path).value_or(false);
  index.IgnoreNulls = OptionalBool(json, "ignoreNulls", path).value_or(false);
  index.Required = OptionalBool(json, "required", path).value_or(false);
  return index;
}

Table ReadTable(const Json& json, Path path) {
  CheckKeys(
      json, path,
      {"name", "hidden", "system", "description", "validationRule", "validationText", "created",
       "updated", "columns", "indexes", "rows", "properties", "connect", "foreignName"});
  Table table;
  table.Name = String(Require(json, "name", path), path.Key("name"));
  path = path.Named(table.Name);
  table.Hidden = OptionalBool(json, "hidden", path).value_or(false);
  table.System = OptionalBool(json, "system", path).value_or(false);
  table.Description = OptionalString(json, "description", path);
  table.ValidationRule = OptionalString(json, "validationRule", path);
  table.ValidationText = OptionalString(json, "validationText", path);
  if (json.contains("created")) table.DateCreated = DateValue(json["created"], path.Key("created"));
  if (json.contains("updated")) table.LastUpdated = DateValue(json["updated"], path.Key("updated"));
  const Path columnsPath = path.Key("columns");
  const Json& columns = Array(Require(json, "columns", path), columnsPath);
  for (std::size_t i = 0; i < columns.size(); ++i)
    table.Columns.push_back(ReadColumn(columns[i], columnsPath.At(i)));
  if (json.contains("indexes")) {
    const Path indexesPath = path.Key("indexes");
    const Json& indexes = Array(json["indexes"], indexesPath);
    for (std::size_t i = 0; i < indexes.size(); ++i)
      table.Indexes.push_back(ReadIndex(indexes[i], indexesPath.At(i)));
  }
  if (json.contains("rows")) {
    const Path rowsPath = path.Key("rows");
    const Json& rows = Array(json["rows"], rowsPath);
    for (std::size_t r = 0; r < rows.size(); ++r) {
      const Path at = rowsPath.At(r);
      if (!rows[r].is_object()) at.Fail("expected an object of column names and values");
      Row row(table.Columns.size());
      for (const auto& item : rows[r].items()) {
        const int column = FindColumn(table, item.key());
        if (column < 0) at.Fail(fmt::format("there is no column \"{}\"", item.key()));
        row[static_cast<std::size_t>(column)] = Value(item.value(), at.Key(item.key()));
      }
      table.Rows.push_back(std::move(row));
    }
  }
  table.Properties = Properties(json, path);
  table.OdbcConnect = OptionalString(json, "connect", path);
  table.ForeignName = OptionalString(json, "foreignName", path).value_or("");
  return table;
}

LinkedTable ReadLinkedTable(const Json& json, Path path) {
  CheckKeys(json, path, {"name", "database", "foreignName", "connect"});
  LinkedTable link;
  link.Name = String(Require(json, "name", path), path.Key("name"));
  path = path.Named(link.Name);
  link.Database = String(Require(json, "database", path), path.Key("database"));
  link.ForeignName = OptionalString(json, "foreignName", path).value_or(link.Name);
  link.Connect = OptionalString(json, "connect", path).value_or("");
  return link;
}

template <class T, std::size_t N>
T Choice(const Json& value, const Path& path,
         const std::array<std::pair<std::string_view, T>, N>& choices) {
  const std::string name = String(value, path);
  std::string known;
  for (const auto& [word, choice] : choices) {
    if (word == name) return choice;
    known += (known.empty() ? "" : ", ") + std::string(word);
  }
  path.Fail(fmt::format("unknown value \"{}\" (one of {})", name, known));
}

constexpr std::array<std::pair<std::string_view, std::int32_t>, 9> QueryTypes{{
    {"select", dao::dbQSelect},
    {"crosstab", dao::dbQCrosstab},
    {"delete", dao::dbQDelete},
    {"update", dao::dbQUpdate},
    {"append", dao::dbQAppend},
    {"makeTable", dao::dbQMakeTable},
    {"dataDefinition", dao::dbQDDL},
    {"passThrough", dao::dbQSQLPassThrough},
    {"union", dao::dbQSetOperation},
}};

constexpr std::array<std::pair<std::string_view, int>, 3> JoinTypes{
    {{"inner", 1}, {"left", 2}, {"right", 3}}};

constexpr std::array<std::pair<std::string_view, CrosstabRole>, 3> CrosstabRoles{
    {{"row", CrosstabRole::RowHeading},
     {"value", CrosstabRole::Value},
     {"column", CrosstabRole::ColumnHeading}}};

// Each element of the array under `key` (when present) through `read`.
template <class F>
void EachOf(const Json& json, const char* key, const Path& path, F&& read) {
  if (!json.contains(key)) return;
  const Path listPath = path.Key(key);
  const Json& list = Array(json[key], listPath);
  for (std::size_t i = 0; i < list.size(); ++i) read(list[i], listPath.At(i));
}

Query ReadQuery(const Json& json, Path path) {
  CheckKeys(json, path,
            {"name",    "type",    "created",     "updated",   "distinct",   "distinctRow",
             "top",     "percent", "ownerAccess", "allFields", "parameters", "target",
             "tables",  "columns", "joins",       "where",     "groupBy",    "having",
             "orderBy", "sql",     "connect",     "union",     "unionAll"});
  Query query;
  query.Name = String(Require(json, "name", path), path.Key("name"));
  path = path.Named(query.Name);
  query.Type = Choice(Require(json, "type", path), path.Key("type"), QueryTypes);
  if (json.contains("created")) query.DateCreated = DateValue(json["created"], path.Key("created"));
  if (json.contains("updated")) query.LastUpdated = DateValue(json["updated"], path.Key("updated"));
  query.Distinct = OptionalBool(json, "distinct", path).value_or(false);
  query.DistinctRow = OptionalBool(json, "distinctRow", path).value_or(false);
  if (json.contains("top")) query.Top = std::to_string(Int(json["top"], path.Key("top")));
  query.Percent = OptionalBool(json, "percent", path).value_or(false);
  query.OwnerAccess = OptionalBool(json, "ownerAccess", path).value_or(false);
  query.AllFields = OptionalBool(json, "allFields", path).value_or(false);
  EachOf(json, "parameters", path, [&](const Json& item, const Path& at) {
    CheckKeys(item, at, {"name", "type", "size"});
    QueryParameter parameter;
    parameter.Name = String(Require(item, "name", at), at.Key("name"));
    const std::string type = OptionalString(item, "type", at).value_or("value");
    parameter.Type = type == "value" ? 0 : TypeOf(type, at.Key("type"), false);
    if (item.contains("size")) parameter.Size = Int(item["size"], at.Key("size"));
    query.Parameters.push_back(parameter);
  });
  query.Target = OptionalString(json, "target", path).value_or("");
  EachOf(json, "tables", path, [&](const Json& item, const Path& at) {
    QueryTable table;
    if (item.is_string()) {
      table.Name = item.get<std::string>();
    } else {
      CheckKeys(item, at, {"name", "alias"});
      table.Name = String(Require(item, "name", at), at.Key("name"));
      table.Alias = OptionalString(item, "alias", at).value_or("");
    }
    query.Tables.push_back(table);
  });
  EachOf(json, "columns", path, [&](const Json& item, const Path& at) {
    QueryColumn column;
    if (item.is_string()) {
      column.Expression = item.get<std::string>();
    } else {
      CheckKeys(item, at, {"expression", "alias", "target", "value", "crosstab"});
      column.Expression = String(Require(item, "expression", at), at.Key("expression"));
      column.Alias = OptionalString(item, "alias", at).value_or("");
      column.Target = OptionalString(item, "target", at).value_or("");
      column.Value = OptionalBool(item, "value", at).value_or(false);
      if (item.contains("crosstab"))
        column.Role = Choice(item["crosstab"], at.Key("crosstab"), CrosstabRoles);
    }
    query.Columns.push_back(column);
  });
  EachOf(json, "joins", path, [&](const Json& item, const Path& at) {
    CheckKeys(item, at, {"left", "right", "type", "on"});
    QueryJoin join;
    join.Left = String(Require(item, "left", at), at.Key("left"));
    join.Right = String(Require(item, "right", at), at.Key("right"));
    if (item.contains("type")) join.Type = Choice(item["type"], at.Key("type"), JoinTypes);
    join.On = String(Require(item, "on", at), at.Key("on"));
    query.Joins.push_back(join);
  });
  query.Where = OptionalString(json, "where", path).value_or("");
  EachOf(json, "groupBy", path,
         [&](const Json& item, const Path& at) { query.GroupBy.push_back(String(item, at)); });
  query.Having = OptionalString(json, "having", path).value_or("");
  EachOf(json, "orderBy", path, [&](const Json& item, const Path& at) {
    QueryOrder order;
    if (item.is_string()) {
      order.Expression = item.get<std::string>();
    } else {
      CheckKeys(item, at, {"expression", "descending"});
      order.Expression = String(Require(item, "expression", at), at.Key("expression"));
      order.Descending = OptionalBool(item, "descending", at).value_or(false);
    }
    query.OrderBy.push_back(order);
  });
  query.Sql = OptionalString(json, "sql", path).value_or("");
  query.Connect = OptionalString(json, "connect", path).value_or("");
  EachOf(json, "union", path,
         [&](const Json& item, const Path& at) { query.UnionParts.push_back(String(item, at)); });
  query.UnionAll = OptionalBool(json, "unionAll", path).value_or(false);
  return query;
}

Relationship ReadRelationship(const Json& json, Path path) {
  CheckKeys(json, path,
            {"name", "table", "foreignTable", "columns", "unique", "dontEnforce", "inherited",
             "cascadeUpdate", "cascadeDelete", "cascadeNull", "left", "right"});
  Relationship relation;
  relation.Name = String(Require(json, "name", path), path.Key("name"));
  path = path.Named(relation.Name);
  relation.Table = String(Require(json, "table", path), path.Key("table"));
  relation.ForeignTable = String(Require(json, "foreignTable", path), path.Key("foreignTable"));
  const Path listPath = path.Key("columns");
  const Json& list = Array(Require(json, "columns", path), listPath);
  for (std::size_t i = 0; i < list.size(); ++i) {
    const Path at = listPath.At(i);
    RelationColumn pair;
    if (list[i].is_string()) {
      pair.Name = pair.ForeignName = list[i].get<std::string>();
    } else {
      CheckKeys(list[i], at, {"name", "foreignName"});
      pair.Name = String(Require(list[i], "name", at), at.Key("name"));
      pair.ForeignName = String(Require(list[i], "foreignName", at), at.Key("foreignName"));
    }
    relation.Columns.push_back(pair);
  }
  const std::pair<const char*, std::int32_t> bits[] = {
      {"unique", dao::dbRelationUnique},
      {"dontEnforce", dao::dbRelationDontEnforce},
      {"inherited", dao::dbRelationInherited},
      {"cascadeUpdate", dao::dbRelationUpdateCascade},
      {"cascadeDelete", dao::dbRelationDeleteCascade},
      {"cascadeNull", dao::dbRelationCascadeNull},
      {"left", dao::dbRelationLeft},
      {"right", dao::dbRelationRight}};
  for (const auto& [key, bit] : bits) {
    if (OptionalBool(json, key, path).value_or(false)) relation.Attributes |= bit;
  }
  return relation;
}

}  // namespace

Database ReadSchemaJson(std::string_view text) {
  Json json;
  try {
    json = Json::parse(text);
  } catch (const Json::parse_error& error) {
    throw SchemaError(fmt::format("not valid JSON: {}", error.what()));
  }
  const Path root("");
  CheckKeys(
      json, root,
      {"password", "created", "properties", "tables", "relationships", "linkedTables", "queries"});
  Database db;
  db.Password = OptionalString(json, "password", root).value_or("");
  if (json.contains("created")) db.Created = DateValue(json["created"], root.Key("created"));
  db.Properties = Properties(json, root);
  if (json.contains("tables")) {
    const Json& tables = Array(json["tables"], root.Key("tables"));
    for (std::size_t i = 0; i < tables.size(); ++i)
      db.Tables.push_back(ReadTable(tables[i], root.Key("tables").At(i)));
  }
  if (json.contains("relationships")) {
    const Json& relations = Array(json["relationships"], root.Key("relationships"));
    for (std::size_t i = 0; i < relations.size(); ++i) {
      db.Relationships.push_back(ReadRelationship(relations[i], root.Key("relationships").At(i)));
    }
  }
  EachOf(json, "linkedTables", root, [&](const Json& item, const Path& at) {
    db.LinkedTables.push_back(ReadLinkedTable(item, at));
  });
  EachOf(json, "queries", root,
         [&](const Json& item, const Path& at) { db.Queries.push_back(ReadQuery(item, at)); });
  return db;
}

}  // namespace tabulon::jetwriter
