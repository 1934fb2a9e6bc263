#include <outputs/JsonDocument.h>

#include <optional>

#include <exception>

#include <dao/Variant.h>
#include <text/TextCompare.h>

namespace tabulon::outputs {

namespace {

// Writes `key` and what `write` writes as its value; when `write` throws,
// what it wrote is taken back and "<key>Error" gets the failure's text.
template <class F>
void Put(JsonWriter& json, std::string_view key, F&& write) {
  const JsonWriter::Position mark = json.Mark();
  try {
    json.Key(key);
    write();
  } catch (const std::exception& e) {
    json.Rewind(mark);
    json.Key(std::string(key) + "Error");
    json.String(e.what());
  }
}

void PutText(JsonWriter& json, std::string_view key, auto&& read) {
  Put(json, key, [&] { json.String(read()); });
}

void PutInteger(JsonWriter& json, std::string_view key, auto&& read) {
  Put(json, key, [&] { json.Number(read()); });
}

void PutBool(JsonWriter& json, std::string_view key, auto&& read) {
  Put(json, key, [&] { json.Bool(read()); });
}

void PutVariantText(JsonWriter& json, std::string_view key, auto&& read) {
  Put(json, key, [&] { json.String(dao::VariantToText(read())); });
}

// A date as the report shows it under `key`, and in ISO 8601 under
// "<key>Iso" (days since 1899-12-30 to the second, as the report rounds).
void PutDate(JsonWriter& json, std::string_view key, auto&& read) {
  std::optional<dao::Variant> value;
  Put(json, key, [&] {
    value = read();
    json.String(dao::VariantToText(*value));
  });
  if (!value) return;
  if (const auto* date = std::get_if<dao::Date>(&*value)) {
    if (const std::optional<std::string> iso = dao::DateIsoText(*date)) {
      json.Key(std::string(key) + "Iso");
      json.String(*iso);
    }
  }
}

// Integers as numbers, everything else as the report's text.
void NumberOrText(JsonWriter& json, const dao::Variant& value) {
  if (const auto* number = std::get_if<std::int64_t>(&value)) {
    json.Number(*number);
  } else {
    json.String(dao::VariantToText(value));
  }
}

void BoolOrText(JsonWriter& json, const dao::Variant& value) {
  if (const auto* flag = std::get_if<bool>(&value)) {
    json.Bool(*flag);
  } else {
    json.String(dao::VariantToText(value));
  }
}

// Each item of `collection` through `write`, as an array; an item that
// cannot be fetched, or whose writing fails whole, gives {"itemError": ...}.
template <class T, class F>
void PutList(JsonWriter& json, std::string_view key, dao::Collection<T>& collection, F&& write,
             bool flushEach = false) {
  Put(json, key, [&] {
    const int count = collection.Count();
    json.BeginArray();
    for (int i = 0; i < count; ++i) {
      const JsonWriter::Position mark = json.Mark();
      try {
        T& item = collection.Item(i);
        json.BeginObject();
        write(item);
        json.EndObject();
      } catch (const std::exception& e) {
        json.Rewind(mark);
        json.BeginObject();
        json.Key("itemError");
        json.String(e.what());
        json.EndObject();
      }
      if (flushEach) json.Flush();
    }
    json.EndArray();
  });
}

void WriteProperties(JsonWriter& json, dao::Collection<dao::Property>& properties) {
  PutList(json, "properties", properties, [&](dao::Property& property) {
    PutText(json, "name", [&] { return property.Name(); });
    PutVariantText(json, "value", [&] { return property.Value(); });
  });
}

// The position of the property `name` in `properties`, or -1. Looked for
// by position: a lookup by name that fails costs an exception for every
// object without the property, the usual case.
int PropertyIndex(dao::Collection<dao::Property>& properties, std::string_view name) {
  const int count = properties.Count();
  for (int i = 0; i < count; ++i) {
    if (EqualsNoCase(properties.Item(i).Name(), name)) return i;
  }
  return -1;
}

// Writes the property `name` as `key` when the collection holds it; one
// that cannot be read gives "<key>Error".
void PutProperty(JsonWriter& json, std::string_view key, dao::Collection<dao::Property>& properties,
                 std::string_view name, bool asText) {
  int at = -1;
  try {
    at = PropertyIndex(properties, name);
  } catch (const std::exception& e) {
    json.Key(std::string(key) + "Error");
    json.String(e.what());
    return;
  }
  if (at < 0) return;
  Put(json, key, [&] {
    const dao::Variant value = properties.Item(at).Value();
    if (asText) {
      json.String(dao::VariantToText(value));
    } else {
      NumberOrText(json, value);
    }
  });
}

void WriteField(JsonWriter& json, dao::Field& field) {
  PutText(json, "name", [&] { return field.Name(); });
  Put(json, "ordinalPosition", [&] { NumberOrText(json, field.OrdinalPosition()); });
  std::int32_t type = 0;
  Put(json, "type", [&] {
    type = field.Type();
    json.Number(type);
  });
  Put(json, "size", [&] { NumberOrText(json, field.Size()); });
  if (type == dao::dbDecimal) {
    PutProperty(json, "precision", field.Properties(), "Precision", false);
    PutProperty(json, "scale", field.Properties(), "Scale", false);
  }
  PutInteger(json, "attributes", [&] { return field.Attributes(); });
  PutBool(json, "required", [&] { return field.Required(); });
  PutBool(json, "allowZeroLength", [&] { return field.AllowZeroLength(); });
  PutVariantText(json, "defaultValue", [&] { return field.DefaultValue(); });
  PutBool(json, "dataUpdatable", [&] { return field.DataUpdatable(); });
  PutText(json, "validationRule", [&] { return field.ValidationRule(); });
  PutText(json, "validationText", [&] { return field.ValidationText(); });
  PutProperty(json, "description", field.Properties(), "Description", true);
}

void WriteIndex(JsonWriter& json, dao::Index& index) {
  PutText(json, "name", [&] { return index.Name(); });
  PutBool(json, "primary", [&] { return index.Primary(); });
  PutBool(json, "foreign", [&] { return index.Foreign(); });
  PutBool(json, "unique", [&] { return index.Unique(); });
  Put(json, "fields", [&] {
    const int count = index.Fields().Count();
    json.BeginArray();
    for (int k = 0; k < count; ++k) json.String(index.Fields().Item(k).Name());
    json.EndArray();
  });
  // Only an index with descending fields has the member.
  const JsonWriter::Position mark = json.Mark();
  Put(json, "descending", [&] {
    const int count = index.Fields().Count();
    bool any = false;
    json.BeginArray();
    for (int k = 0; k < count; ++k) {
      dao::Field& field = index.Fields().Item(k);
      if ((field.Attributes() & dao::dbDescending) == 0) continue;
      json.String(field.Name());
      any = true;
    }
    json.EndArray();
    if (!any) json.Rewind(mark);
  });
}

void WriteTable(JsonWriter& json, dao::TableDef& table) {
  PutText(json, "name", [&] { return table.Name(); });
  PutInteger(json, "attributes", [&] { return table.Attributes(); });
  PutText(json, "connect", [&] { return table.Connect(); });
  PutText(json, "sourceTableName", [&] { return table.SourceTableName(); });
  std::optional<std::string> countReason;
  Put(json, "recordCount", [&] {
    const dao::Variant count = table.RecordCount();
    const auto* number = std::get_if<std::int64_t>(&count);
    if (number != nullptr && *number >= 0) {
      json.Number(*number);
      return;
    }
    // A linked table's rows, and so their count, are in its source.
    json.Null();
    countReason =
        number != nullptr ? "リンク テーブルの行数はリンク元にあります" : dao::VariantToText(count);
  });
  if (countReason) {
    json.Key("recordCountReason");
    json.String(*countReason);
  }
  PutDate(json, "dateCreated", [&] { return table.DateCreated(); });
  PutDate(json, "lastUpdated", [&] { return table.LastUpdated(); });
  Put(json, "updatable", [&] { BoolOrText(json, table.Updatable()); });
  PutText(json, "validationRule", [&] { return table.ValidationRule(); });
  PutText(json, "validationText", [&] { return table.ValidationText(); });
  PutProperty(json, "description", table.Properties(), "Description", true);
  PutList(json, "fields", table.Fields(), [&](dao::Field& field) { WriteField(json, field); });
  PutList(json, "indexes", table.Indexes(), [&](dao::Index& index) { WriteIndex(json, index); });
}

void WriteRelation(JsonWriter& json, dao::Relation& relation) {
  PutText(json, "name", [&] { return relation.Name(); });
  PutText(json, "table", [&] { return relation.Table(); });
  PutText(json, "foreignTable", [&] { return relation.ForeignTable(); });
  PutInteger(json, "attributes", [&] { return relation.Attributes(); });
  PutList(json, "fields", relation.Fields(), [&](dao::Field& field) {
    PutText(json, "name", [&] { return field.Name(); });
    PutText(json, "foreignName", [&] { return field.ForeignName(); });
  });
}

void WriteQuery(JsonWriter& json, dao::QueryDef& query) {
  PutText(json, "name", [&] { return query.Name(); });
  PutInteger(json, "type", [&] { return query.Type(); });
  PutDate(json, "dateCreated", [&] { return query.DateCreated(); });
  PutDate(json, "lastUpdated", [&] { return query.LastUpdated(); });
  PutText(json, "connect", [&] { return query.Connect(); });
  PutList(json, "parameters", query.Parameters(), [&](dao::Parameter& parameter) {
    PutText(json, "name", [&] { return parameter.Name(); });
    PutInteger(json, "type", [&] { return parameter.Type(); });
  });
  PutText(json, "sql", [&] { return query.SQL(); });
}

void WriteContainer(JsonWriter& json, dao::Container& container) {
  PutText(json, "name", [&] { return container.Name(); });
  PutList(json, "documents", container.Documents(), [&](dao::Document& document) {
    PutText(json, "name", [&] { return document.Name(); });
    PutDate(json, "dateCreated", [&] { return document.DateCreated(); });
    PutDate(json, "lastUpdated", [&] { return document.LastUpdated(); });
  });
}

}  // namespace

JsonDocument::JsonDocument(JsonWriter& writer, std::string_view programName,
                           std::string_view programVersion, dao::Engine& engine,
                           dao::Workspace& workspace)
    : FWriter(writer) {
  JsonWriter& json = FWriter;
  json.BeginObject();
  json.Key("formatVersion");
  json.Number(JsonFormatVersion);
  json.Key("program");
  json.BeginObject();
  json.Key("name");
  json.String(programName);
  json.Key("version");
  json.String(programVersion);
  json.EndObject();
  json.Key("engine");
  json.BeginObject();
  WriteProperties(json, engine.Properties());
  json.EndObject();
  json.Key("workspace");
  json.BeginObject();
  WriteProperties(json, workspace.Properties());
  json.EndObject();
  json.Key("databases");
  json.BeginArray();
}

void JsonDocument::AddDatabase(std::string_view path, dao::Database& database, bool allQueries) {
  JsonWriter& json = FWriter;
  json.BeginObject();
  json.Key("file");
  json.String(path);
  WriteProperties(json, database.Properties());
  PutList(
      json, "tableDefs", database.TableDefs(),
      [&](dao::TableDef& table) { WriteTable(json, table); }, true);
  PutList(json, "relations", database.Relations(),
          [&](dao::Relation& relation) { WriteRelation(json, relation); });
  PutList(json, "queryDefs", allQueries ? database.AllQueryDefs() : database.QueryDefs(),
          [&](dao::QueryDef& query) { WriteQuery(json, query); });
  PutList(json, "containers", database.Containers(),
          [&](dao::Container& container) { WriteContainer(json, container); });
  json.EndObject();
  json.Flush();
}

void JsonDocument::AddNotOpened(std::string_view path, std::string_view kind,
                                std::string_view text) {
  JsonWriter& json = FWriter;
  json.BeginObject();
  json.Key("file");
  json.String(path);
  json.Key("openError");
  json.String(text);
  json.Key("openErrorKind");
  json.String(kind);
  json.EndObject();
}

void JsonDocument::Finish() {
  FWriter.EndArray();
  FWriter.EndObject();
  FWriter.Finish();
}

}  // namespace tabulon::outputs
