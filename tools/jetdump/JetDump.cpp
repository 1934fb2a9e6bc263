// jetdump [--password PW] [--all-queries] FILE
//
// Prints everything the object model presents for a database as JSON: the
// engine's and workspace's properties, the database's properties, its table
// definitions with fields and indexes, its relations, its saved queries
// (with --all-queries also those Access keeps for forms and reports) and
// its containers with their documents. Keys are the
// members' names in lowerCamelCase; a member that fails is replaced by
// "<member>Error" with the failure's text; values the report shows as text
// (record counts, dates, property values, default values) appear as that
// text. A table or field without a stored description has no "description".
// A decimal field adds "precision" and "scale"; an index with descending
// fields adds "descending", their names.
//
// Exit status: 0 printed, 1 the database did not open (the text on standard
// error), 2 wrong usage.

#include <cstdio>
#include <exception>
#include <string>

#include <nlohmann/json.hpp>

#include <dao/ObjectModel.h>
#include <dao/Variant.h>
#include <jet/JetEngine.h>
#include <platform/VersionInfo.h>
#include <text/TextCompare.h>

namespace {

using Json = nlohmann::ordered_json;
using namespace tabulon;

template <class F>
void Put(Json& object, const std::string& key, F&& read) {
  try {
    object[key] = read();
  } catch (const std::exception& e) {
    object[key + "Error"] = e.what();
  }
}

// Integers as numbers, everything else as the report's text.
Json NumberOrText(const dao::Variant& value) {
  if (const auto* number = std::get_if<std::int64_t>(&value)) return *number;
  return dao::VariantToText(value);
}

Json BoolOrText(const dao::Variant& value) {
  if (const auto* flag = std::get_if<bool>(&value)) return *flag;
  return dao::VariantToText(value);
}

Json PropertiesJson(dao::Collection<dao::Property>& properties) {
  Json list = Json::array();
  const int count = properties.Count();
  for (int i = 0; i < count; ++i) {
    Json row = Json::object();
    try {
      dao::Property& property = properties.Item(i);
      Put(row, "name", [&] { return property.Name(); });
      Put(row, "value", [&] { return dao::VariantToText(property.Value()); });
    } catch (const std::exception& e) {
      row["itemError"] = e.what();
    }
    list.push_back(std::move(row));
  }
  return list;
}

// Adds "description" when the object stores one; an absent property adds
// nothing, one that cannot be read adds "descriptionError".
void PutDescription(Json& object, dao::Collection<dao::Property>& properties) {
  // Looked for by position: a lookup by name that fails costs an exception
  // for every object without a description, the usual case.
  Put(object, "description", [&]() -> Json {
    const int count = properties.Count();
    for (int i = 0; i < count; ++i) {
      dao::Property& property = properties.Item(i);
      if (EqualsNoCase(property.Name(), "Description")) return dao::VariantToText(property.Value());
    }
    return nullptr;
  });
  if (object.contains("description") && object["description"].is_null())
    object.erase("description");
}

// Adds the property `name` as `key` when the collection holds it.
void PutProperty(Json& object, const std::string& key, dao::Collection<dao::Property>& properties,
                 std::string_view name) {
  Put(object, key, [&]() -> Json {
    const int count = properties.Count();
    for (int i = 0; i < count; ++i) {
      dao::Property& property = properties.Item(i);
      if (EqualsNoCase(property.Name(), name)) return NumberOrText(property.Value());
    }
    return nullptr;
  });
  if (object.contains(key) && object[key].is_null()) object.erase(key);
}

Json FieldJson(dao::Field& field) {
  Json json = Json::object();
  Put(json, "name", [&] { return field.Name(); });
  Put(json, "ordinalPosition", [&] { return NumberOrText(field.OrdinalPosition()); });
  Put(json, "type", [&] { return field.Type(); });
  Put(json, "size", [&] { return NumberOrText(field.Size()); });
  if (json.value("type", 0) == dao::dbDecimal) {
    PutProperty(json, "precision", field.Properties(), "Precision");
    PutProperty(json, "scale", field.Properties(), "Scale");
  }
  Put(json, "attributes", [&] { return field.Attributes(); });
  Put(json, "required", [&] { return field.Required(); });
  Put(json, "allowZeroLength", [&] { return field.AllowZeroLength(); });
  Put(json, "defaultValue", [&] { return dao::VariantToText(field.DefaultValue()); });
  Put(json, "dataUpdatable", [&] { return field.DataUpdatable(); });
  Put(json, "validationRule", [&] { return field.ValidationRule(); });
  Put(json, "validationText", [&] { return field.ValidationText(); });
  PutDescription(json, field.Properties());
  return json;
}

Json IndexJson(dao::Index& index) {
  Json json = Json::object();
  Put(json, "name", [&] { return index.Name(); });
  Put(json, "primary", [&] { return index.Primary(); });
  Put(json, "foreign", [&] { return index.Foreign(); });
  Put(json, "unique", [&] { return index.Unique(); });
  Put(json, "fields", [&] {
    Json names = Json::array();
    const int count = index.Fields().Count();
    for (int k = 0; k < count; ++k) names.push_back(index.Fields().Item(k).Name());
    return names;
  });
  Put(json, "descending", [&]() -> Json {
    Json names = Json::array();
    const int count = index.Fields().Count();
    for (int k = 0; k < count; ++k) {
      dao::Field& field = index.Fields().Item(k);
      if ((field.Attributes() & dao::dbDescending) != 0) names.push_back(field.Name());
    }
    return names.empty() ? Json(nullptr) : names;
  });
  if (json.contains("descending") && json["descending"].is_null()) json.erase("descending");
  return json;
}

Json TableJson(dao::TableDef& table) {
  Json json = Json::object();
  Put(json, "name", [&] { return table.Name(); });
  Put(json, "attributes", [&] { return table.Attributes(); });
  Put(json, "connect", [&] { return table.Connect(); });
  Put(json, "sourceTableName", [&] { return table.SourceTableName(); });
  Put(json, "recordCount", [&] { return dao::VariantToText(table.RecordCount()); });
  Put(json, "dateCreated", [&] { return dao::VariantToText(table.DateCreated()); });
  Put(json, "lastUpdated", [&] { return dao::VariantToText(table.LastUpdated()); });
  Put(json, "updatable", [&] { return BoolOrText(table.Updatable()); });
  Put(json, "validationRule", [&] { return table.ValidationRule(); });
  Put(json, "validationText", [&] { return table.ValidationText(); });
  PutDescription(json, table.Properties());
  Put(json, "fields", [&] {
    Json fields = Json::array();
    const int count = table.Fields().Count();
    for (int k = 0; k < count; ++k) fields.push_back(FieldJson(table.Fields().Item(k)));
    return fields;
  });
  Put(json, "indexes", [&] {
    Json indexes = Json::array();
    const int count = table.Indexes().Count();
    for (int j = 0; j < count; ++j) indexes.push_back(IndexJson(table.Indexes().Item(j)));
    return indexes;
  });
  return json;
}

Json RelationJson(dao::Relation& relation) {
  Json json = Json::object();
  Put(json, "name", [&] { return relation.Name(); });
  Put(json, "table", [&] { return relation.Table(); });
  Put(json, "foreignTable", [&] { return relation.ForeignTable(); });
  Put(json, "attributes", [&] { return relation.Attributes(); });
  Put(json, "fields", [&] {
    Json fields = Json::array();
    const int count = relation.Fields().Count();
    for (int k = 0; k < count; ++k) {
      dao::Field& field = relation.Fields().Item(k);
      Json pair = Json::object();
      Put(pair, "name", [&] { return field.Name(); });
      Put(pair, "foreignName", [&] { return field.ForeignName(); });
      fields.push_back(std::move(pair));
    }
    return fields;
  });
  return json;
}

Json QueryJson(dao::QueryDef& query) {
  Json json = Json::object();
  Put(json, "name", [&] { return query.Name(); });
  Put(json, "type", [&] { return query.Type(); });
  Put(json, "dateCreated", [&] { return dao::VariantToText(query.DateCreated()); });
  Put(json, "lastUpdated", [&] { return dao::VariantToText(query.LastUpdated()); });
  Put(json, "connect", [&] { return query.Connect(); });
  Put(json, "parameters", [&] {
    Json list = Json::array();
    const int count = query.Parameters().Count();
    for (int k = 0; k < count; ++k) {
      dao::Parameter& parameter = query.Parameters().Item(k);
      Json row = Json::object();
      Put(row, "name", [&] { return parameter.Name(); });
      Put(row, "type", [&] { return parameter.Type(); });
      list.push_back(std::move(row));
    }
    return list;
  });
  Put(json, "sql", [&] { return query.SQL(); });
  return json;
}

Json ContainerJson(dao::Container& container) {
  Json json = Json::object();
  Put(json, "name", [&] { return container.Name(); });
  Put(json, "documents", [&] {
    Json list = Json::array();
    const int count = container.Documents().Count();
    for (int k = 0; k < count; ++k) {
      dao::Document& document = container.Documents().Item(k);
      Json row = Json::object();
      Put(row, "name", [&] { return document.Name(); });
      Put(row, "dateCreated", [&] { return dao::VariantToText(document.DateCreated()); });
      Put(row, "lastUpdated", [&] { return dao::VariantToText(document.LastUpdated()); });
      list.push_back(std::move(row));
    }
    return list;
  });
  return json;
}

// Each element of `collection` through `toJson`; an element that fails
// whole gives {"itemError": ...}.
template <class T, class F>
Json ListJson(dao::Collection<T>& collection, F&& toJson) {
  Json list = Json::array();
  const int count = collection.Count();
  for (int i = 0; i < count; ++i) {
    try {
      list.push_back(toJson(collection.Item(i)));
    } catch (const std::exception& e) {
      Json row = Json::object();
      row["itemError"] = e.what();
      list.push_back(std::move(row));
    }
  }
  return list;
}

// Writes what `out` holds to standard output and empties it.
void Flush(std::string& out) {
  std::fwrite(out.data(), 1, out.size(), stdout);
  out.clear();
}

// Everything above the table list is small; tables are written one at a
// time so that a large database never sits in memory twice.
void PrintDatabase(std::string& out, dao::Database& database, bool allQueries) {
  auto dump = [](const Json& json) {
    return json.dump(-1, ' ', false, Json::error_handler_t::replace);
  };
  Json properties = Json::object();
  Put(properties, "properties", [&] { return PropertiesJson(database.Properties()); });
  const std::string head = dump(properties);
  out += head.substr(0, head.size() - 1);  // without its closing brace
  int count = 0;
  try {
    count = database.TableDefs().Count();
    out += ",\"tableDefs\":[";
  } catch (const std::exception& e) {
    out += ",\"tableDefsError\":" + dump(e.what());
    count = -1;
  }
  for (int i = 0; i < count; ++i) {
    Json table;
    try {
      table = TableJson(database.TableDefs().Item(i));
    } catch (const std::exception& e) {
      table = Json::object();
      table["itemError"] = e.what();
    }
    out += i > 0 ? ",\n" : "\n";
    out += dump(table);
    Flush(out);
  }
  if (count >= 0) out += "]";
  Json relations = Json::object();
  Put(relations, "relations", [&] {
    Json list = Json::array();
    const int n = database.Relations().Count();
    for (int i = 0; i < n; ++i) list.push_back(RelationJson(database.Relations().Item(i)));
    return list;
  });
  Put(relations, "queryDefs", [&] {
    return ListJson(allQueries ? database.AllQueryDefs() : database.QueryDefs(), QueryJson);
  });
  Put(relations, "containers", [&] { return ListJson(database.Containers(), ContainerJson); });
  const std::string tail = dump(relations);
  out += ",\n" + tail.substr(1);  // without its opening brace
}

int Usage() {
  std::fputs("使い方: jetdump [--password パスワード] [--all-queries] ファイル\n", stderr);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::string password;
  std::string path;
  bool havePath = false;
  bool allQueries = false;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument == "--password" && i + 1 < argc) {
      password = argv[++i];
    } else if (argument.rfind("--password=", 0) == 0) {
      password = argument.substr(11);
    } else if (argument == "--all-queries") {
      allQueries = true;
    } else if (argument == "--help" || argument == "-h") {
      Usage();
      return 0;
    } else if (!argument.empty() && argument[0] == '-' && argument != "-") {
      return Usage();
    } else if (!havePath) {
      path = argument;
      havePath = true;
    } else {
      return Usage();
    }
  }
  if (!havePath) return Usage();

  std::unique_ptr<dao::Engine> engine =
      jet::CreateJetEngine({std::string(ReaderName), std::string(ProgramVersion())});
  dao::Workspace& workspace = engine->Workspaces(0);
  std::unique_ptr<dao::Database> database;
  try {
    database = workspace.OpenDatabase(path, false, true, ";pwd=" + password);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  Json json = Json::object();
  json["file"] = path;
  json["engine"] = Json::object();
  Put(json["engine"], "properties", [&] { return PropertiesJson(engine->Properties()); });
  json["workspace"] = Json::object();
  Put(json["workspace"], "properties", [&] { return PropertiesJson(workspace.Properties()); });
  const std::string head = json.dump(-1, ' ', false, Json::error_handler_t::replace);
  std::string out = head.substr(0, head.size() - 1) + ",\n\"database\":";
  PrintDatabase(out, *database, allQueries);
  out += "}\n";
  Flush(out);
  database->Close();
  return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
}
