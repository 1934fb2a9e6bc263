#pragma once
// A database's schema as plain data: everything the object model says
// about its tables (fields, indexes, properties), relations and saved
// queries, read once
// (ReadSchema) so that writers of other formats walk structs instead of
// engine objects. It says nothing about any output; every member is a
// Member<T>, its value or why it could not be read, and a collection that
// cannot be counted, or an item that cannot be fetched, is kept the same
// way.
//
// Values are as the object model hands them: type codes and attribute bits
// are DAO's (dao/ObjectModel.h); defaults and dates stay variants.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <dao/ObjectModel.h>
#include <dao/Variant.h>
#include <schema/Member.h>

namespace tabulon::schema {

template <class T>
using List = Member<std::vector<Member<T>>>;

struct Property {
  Member<std::string> Name;
  Member<dao::Variant> Value;
};
using PropertyList = List<Property>;

struct Field {
  Member<std::string> Name;
  Member<std::int32_t> Type;
  Member<std::int64_t> Size;
  Member<std::int32_t> Attributes;
  Member<std::int64_t> OrdinalPosition;
  Member<bool> Required;
  Member<bool> AllowZeroLength;
  Member<dao::Variant> DefaultValue;
  Member<bool> DataUpdatable;
  Member<std::string> ValidationRule;
  Member<std::string> ValidationText;
  // Stored ones (Description, Caption, Format, ...) and those the engine
  // adds (Precision and Scale of a decimal).
  PropertyList Properties;
};

struct IndexField {
  Member<std::string> Name;
  Member<bool> Descending;
};

struct Index {
  Member<std::string> Name;
  Member<bool> Primary;
  Member<bool> Foreign;  // the index Access keeps for an enforced relation
  Member<bool> Unique;
  List<IndexField> Fields;  // in key order
};

struct Table {
  Member<std::string> Name;
  Member<std::int32_t> Attributes;
  Member<std::int64_t> RecordCount;
  Member<dao::Variant> DateCreated;
  Member<dao::Variant> LastUpdated;
  Member<dao::Variant> Updatable;
  Member<std::string> ValidationRule;
  Member<std::string> ValidationText;
  // Stored ones (Description, ...) and, for a linked table, Connect and
  // SourceTableName.
  PropertyList Properties;
  List<Field> Fields;
  List<Index> Indexes;
};

// A relation's field pair: Name on the referenced table, ForeignName on
// the referencing one.
struct RelationField {
  Member<std::string> Name;
  Member<std::string> ForeignName;
};

struct Relation {
  Member<std::string> Name;
  Member<std::string> Table;         // the referenced ("one") table
  Member<std::string> ForeignTable;  // the referencing ("many") table
  Member<std::int32_t> Attributes;
  List<RelationField> Fields;  // in pair order
};

// A parameter a saved query asks for.
struct Parameter {
  Member<std::string> Name;
  Member<std::int32_t> Type;  // a field type code; 0 for any type
};

struct Query {
  Member<std::string> Name;
  Member<std::int32_t> Type;  // a dao::QueryDefType code
  Member<std::string> Sql;    // as Access shows it in SQL view
  Member<std::string> Connect;
  Member<dao::Variant> DateCreated;
  Member<dao::Variant> LastUpdated;
  List<Parameter> Parameters;
  // As stored: what carrying the query elsewhere reads (dao::QueryPart).
  Member<std::vector<dao::QueryPart>> Parts;
};

// An ACE complex field (an attachment, a multi-value field, a memo's
// history): the parent row holds a key, and the values are the rows of a
// hidden table of their own that carry that key.
struct ComplexField {
  Member<std::string> Table;  // the table the field is in
  Member<std::string> Field;
  Member<std::string> ValueTable;  // the hidden table of its values
};

// A container of the application's objects ("Forms", "Reports",
// "Scripts" for macros, "Modules", ...) and how many it holds.
struct ContainerCount {
  Member<std::string> Name;
  Member<std::int64_t> Documents;
};

struct Database {
  PropertyList Properties;
  List<Table> Tables;  // in the engine's order
  List<Relation> Relations;
  // The saved queries, sorted by name, without those Access keeps for
  // forms and reports.
  List<Query> Queries;
  // Read only when a table has a field that may be complex; empty for
  // files without them.
  List<ComplexField> ComplexFields = std::vector<Member<ComplexField>>{};
};

// ---- Lookups -----------------------------------------------------------------

// The value of the property `name` (letter case ignored): nullopt when the
// list holds no such property; a failure when the list could not be read or
// the property's value failed. Properties whose name failed are passed
// over.
Member<std::optional<dao::Variant>> FindProperty(const PropertyList& properties,
                                                 std::string_view name);

// The same as text (dao::VariantToText); a value without text (Null,
// binary) is a failure.
Member<std::optional<std::string>> PropertyText(const PropertyList& properties,
                                                std::string_view name);

// The table of the database, or field of the table, named `name` (the
// exact name first, then without regard to case) among those that could be
// read; null when there is none.
const Table* FindTable(const Database& database, std::string_view name);
const Field* FindField(const Table& table, std::string_view name);

// What a table's attributes say (false where they could not be read).
bool IsSystemTable(const Table& table);
bool IsLinkedTable(const Table& table);
bool IsHiddenTable(const Table& table);

// Whether a field of this type code may be complex: ACE's complex types,
// and 0, which the engine gives a complex field of a kind it has no code
// for (a memo's history).
bool MayBeComplexType(std::int32_t type);

}  // namespace tabulon::schema
