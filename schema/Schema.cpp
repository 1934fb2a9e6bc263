#include <schema/Schema.h>

#include <dao/ObjectModel.h>
#include <text/TextCompare.h>

namespace tabulon::schema {

namespace {

template <class T, class Items>
const T* FindNamed(const Items& items, std::string_view name) {
  if (!items.Ok()) return nullptr;
  for (const bool exact : {true, false}) {
    for (const Member<T>& item : *items) {
      if (!item.Ok() || !item->Name.Ok()) continue;
      const std::string& itemName = *item->Name;
      if (exact ? itemName == name : EqualsNoCase(itemName, name)) return &*item;
    }
  }
  return nullptr;
}

std::int32_t AttributesOf(const Table& table) { return table.Attributes.ValueOr(0); }

}  // namespace

Member<std::optional<dao::Variant>> FindProperty(const PropertyList& properties,
                                                 std::string_view name) {
  if (!properties.Ok()) return Failure{properties.Error()};
  for (const Member<Property>& property : *properties) {
    if (!property.Ok() || !property->Name.Ok() || !EqualsNoCase(*property->Name, name)) continue;
    if (!property->Value.Ok()) return Failure{property->Value.Error()};
    return std::optional<dao::Variant>(*property->Value);
  }
  return std::optional<dao::Variant>();
}

Member<std::optional<std::string>> PropertyText(const PropertyList& properties,
                                                std::string_view name) {
  const Member<std::optional<dao::Variant>> value = FindProperty(properties, name);
  if (!value.Ok()) return Failure{value.Error()};
  if (!*value) return std::optional<std::string>();
  return ReadMember([&] { return std::optional<std::string>(dao::VariantToText(**value)); });
}

const Table* FindTable(const Database& database, std::string_view name) {
  return FindNamed<Table>(database.Tables, name);
}

const Field* FindField(const Table& table, std::string_view name) {
  return FindNamed<Field>(table.Fields, name);
}

bool IsSystemTable(const Table& table) { return (AttributesOf(table) & dao::dbSystemObject) != 0; }

bool IsLinkedTable(const Table& table) {
  return (AttributesOf(table) & (dao::dbAttachedTable | dao::dbAttachedODBC)) != 0;
}

bool MayBeComplexType(std::int32_t type) {
  return type == 0 || (type >= dao::dbAttachment && type <= dao::dbComplexText);
}

bool IsHiddenTable(const Table& table) { return (AttributesOf(table) & dao::dbHiddenObject) != 0; }

}  // namespace tabulon::schema
