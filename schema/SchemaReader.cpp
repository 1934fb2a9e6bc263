#include <schema/SchemaReader.h>

#include <map>

#include <schema/Rows.h>

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

int FieldPosition(const Table& table, std::string_view name) {
  if (table.Fields.Ok()) {
    for (std::size_t i = 0; i < table.Fields->size(); ++i) {
      const Member<Field>& field = (*table.Fields)[i];
      if (field.Ok() && field->Name.Ok() && *field->Name == name) return static_cast<int>(i);
    }
  }
  throw dao::EngineError("テーブル '" + table.Name.ValueOr("?") + "' にフィールド '" +
                         std::string(name) + "' がありません。");
}

// Where each complex field keeps its values: MSysComplexColumns names the
// field and, by their ids in MSysObjects, its table and the hidden table.
List<ComplexField> ReadComplexFields(dao::Database& database, const Database& read) {
  return ReadMember([&] {
    std::vector<Member<ComplexField>> found;
    bool any = false;
    if (!read.Tables.Ok()) return found;
    for (const Member<Table>& table : *read.Tables) {
      if (!table.Ok() || IsSystemTable(*table) || !table->Fields.Ok()) continue;
      for (const Member<Field>& field : *table->Fields) {
        any = any || (field.Ok() && field->Type.Ok() && MayBeComplexType(*field->Type));
      }
    }
    const Table* columns = FindTable(read, "MSysComplexColumns");
    const Table* objects = FindTable(read, "MSysObjects");
    if (!any || columns == nullptr || objects == nullptr) return found;

    std::map<std::int64_t, std::string> names;
    std::vector<Member<dao::Variant>> row;
    RowReader objectRows(database, "MSysObjects",
                         {FieldPosition(*objects, "Id"), FieldPosition(*objects, "Name")});
    while (objectRows.Next(row)) {
      if (!row[0].Ok() || !row[1].Ok()) continue;
      const auto* id = std::get_if<std::int64_t>(&*row[0]);
      const auto* name = std::get_if<std::string>(&*row[1]);
      if (id != nullptr && name != nullptr) names[*id] = *name;
    }
    const auto nameOf = [&](const Member<dao::Variant>& id) -> Member<std::string> {
      if (!id.Ok()) return Failure{id.Error()};
      return ReadMember([&] {
        const std::int64_t number = WholeNumber(*id);
        const auto named = names.find(number);
        if (named == names.end()) {
          throw dao::EngineError("MSysObjects に番号 " + std::to_string(number) +
                                 " のオブジェクトがありません。");
        }
        return named->second;
      });
    };
    RowReader complexRows(
        database, "MSysComplexColumns",
        {FieldPosition(*columns, "ColumnName"), FieldPosition(*columns, "ConceptualTableID"),
         FieldPosition(*columns, "FlatTableID")});
    while (complexRows.Next(row)) {
      ComplexField field;
      field.Field = row[0].Ok() ? ReadMember([&] { return dao::VariantToText(*row[0]); })
                                : Member<std::string>(Failure{row[0].Error()});
      field.Table = nameOf(row[1]);
      field.ValueTable = nameOf(row[2]);
      found.push_back(std::move(field));
    }
    return found;
  });
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
  read.ComplexFields = ReadComplexFields(database, read);
  return read;
}

List<ContainerCount> ReadContainerCounts(dao::Database& database) {
  return ReadList<ContainerCount>(
      [&]() -> auto& { return database.Containers(); },
      [](dao::Container& container) {
        ContainerCount count;
        count.Name = ReadMember([&] { return container.Name(); });
        count.Documents = ReadMember([&] { return std::int64_t{container.Documents().Count()}; });
        return count;
      });
}

}  // namespace tabulon::schema
