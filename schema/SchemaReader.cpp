#include <schema/SchemaReader.h>

namespace tabulon::schema {

namespace {

// An integer the engine hands over as a variant.
std::int64_t WholeNumber(const dao::Variant& value) {
  if (const auto* number = std::get_if<std::int64_t>(&value)) return *number;
  throw dao::EngineError("整数ではない値です: " + dao::VariantToText(value));
}

// Every item of the collection `collectionOf` returns, each read by `read`.
template <class T, class CollectionOf, class Read>
List<T> ReadList(CollectionOf collectionOf, Read read) {
  return ReadMember([&] {
    auto& collection = collectionOf();
    std::vector<Member<T>> items;
    const int count = collection.Count();
    items.reserve(static_cast<std::size_t>(count > 0 ? count : 0));
    for (int i = 0; i < count; ++i) {
      items.push_back(ReadMember([&] { return read(collection.Item(i)); }));
    }
    return items;
  });
}

template <class CollectionOf>
PropertyList ReadProperties(CollectionOf collectionOf) {
  return ReadList<Property>(collectionOf, [](dao::Property& property) {
    Property read;
    read.Name = ReadMember([&] { return property.Name(); });
    read.Value = ReadMember([&] { return property.Value(); });
    return read;
  });
}

Field ReadField(dao::Field& field) {
  Field read;
  read.Name = ReadMember([&] { return field.Name(); });
  read.Type = ReadMember([&] { return field.Type(); });
  read.Size = ReadMember([&] { return WholeNumber(field.Size()); });
  read.Attributes = ReadMember([&] { return field.Attributes(); });
  read.OrdinalPosition = ReadMember([&] { return WholeNumber(field.OrdinalPosition()); });
  read.Required = ReadMember([&] { return field.Required(); });
  read.AllowZeroLength = ReadMember([&] { return field.AllowZeroLength(); });
  read.DefaultValue = ReadMember([&] { return field.DefaultValue(); });
  read.DataUpdatable = ReadMember([&] { return field.DataUpdatable(); });
  read.ValidationRule = ReadMember([&] { return field.ValidationRule(); });
  read.ValidationText = ReadMember([&] { return field.ValidationText(); });
  read.Properties = ReadProperties([&]() -> auto& { return field.Properties(); });
  return read;
}

Index ReadIndex(dao::Index& index) {
  Index read;
  read.Name = ReadMember([&] { return index.Name(); });
  read.Primary = ReadMember([&] { return index.Primary(); });
  read.Foreign = ReadMember([&] { return index.Foreign(); });
  read.Unique = ReadMember([&] { return index.Unique(); });
  read.Fields = ReadList<IndexField>(
      [&]() -> auto& { return index.Fields(); },
      [](dao::Field& field) {
        IndexField key;
        key.Name = ReadMember([&] { return field.Name(); });
        key.Descending = ReadMember([&] { return (field.Attributes() & dao::dbDescending) != 0; });
        return key;
      });
  return read;
}

Table ReadTable(dao::TableDef& table) {
  Table read;
  read.Name = ReadMember([&] { return table.Name(); });
  read.Attributes = ReadMember([&] { return table.Attributes(); });
  read.RecordCount = ReadMember([&] { return WholeNumber(table.RecordCount()); });
  read.DateCreated = ReadMember([&] { return table.DateCreated(); });
  read.LastUpdated = ReadMember([&] { return table.LastUpdated(); });
  read.Updatable = ReadMember([&] { return table.Updatable(); });
  read.ValidationRule = ReadMember([&] { return table.ValidationRule(); });
  read.ValidationText = ReadMember([&] { return table.ValidationText(); });
  read.Properties = ReadProperties([&]() -> auto& { return table.Properties(); });
  read.Fields = ReadList<Field>(
      [&]() -> auto& { return table.Fields(); }, ReadField);
  read.Indexes = ReadList<Index>(
      [&]() -> auto& { return table.Indexes(); }, ReadIndex);
  return read;
}

Relation ReadRelation(dao::Relation& relation) {
  Relation read;
  read.Name = ReadMember([&] { return relation.Name(); });
  read.Table = ReadMember([&] { return relation.Table(); });
  read.ForeignTable = ReadMember([&] { return relation.ForeignTable(); });
  read.Attributes = ReadMember([&] { return relation.Attributes(); });
  read.Fields = ReadList<RelationField>(
      [&]() -> auto& { return relation.Fields(); },
      [](dao::Field& field) {
        RelationField pair;
        pair.Name = ReadMember([&] { return field.Name(); });
        pair.ForeignName = ReadMember([&] { return field.ForeignName(); });
        return pair;
      });
  return read;
}

Query ReadQuery(dao::QueryDef& query) {
  Query read;
  read.Name = ReadMember([&] { return query.Name(); });
  read.Type = ReadMember([&] { return query.Type(); });
  read.Sql = ReadMember([&] { return query.SQL(); });
  read.Connect = ReadMember([&] { return query.Connect(); });
  read.DateCreated = ReadMember([&] { return query.DateCreated(); });
  read.LastUpdated = ReadMember([&] { return query.LastUpdated(); });
  read.Parameters = ReadList<Parameter>(
      [&]() -> auto& { return query.Parameters(); },
      [](dao::Parameter& parameter) {
        Parameter asked;
        asked.Name = ReadMember([&] { return parameter.Name(); });
        asked.Type = ReadMember([&] { return parameter.Type(); });
        return asked;
      });
  read.Parts = ReadMember([&] { return query.Parts(); });
  return read;
}

}  // namespace

Database ReadSchema(dao::Database& database) {
  Database read;
  read.Properties = ReadProperties([&]() -> auto& { return database.Properties(); });
  read.Tables = ReadList<Table>(
      [&]() -> auto& { return database.TableDefs(); }, ReadTable);
  read.Relations = ReadList<Relation>(
      [&]() -> auto& { return database.Relations(); }, ReadRelation);
  read.Queries = ReadList<Query>(
      [&]() -> auto& { return database.QueryDefs(); }, ReadQuery);
  return read;
}

}  // namespace tabulon::schema
