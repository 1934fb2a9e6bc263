#pragma once
// The database engine's object model: engine, workspace, database, table
// definitions, fields, indexes, relations, saved queries with their
// parameters, containers with their documents and properties, with the
// members the report reads. The report, the connection check and jetdump use only
// these interfaces; the file reader implements them, and tests put fakes in
// their place.
//
// Contracts common to every member:
// - Any member may fail by throwing EngineError with the engine's text.
// - Objects returned by reference belong to their parent and stay valid
//   until the database that holds them is closed or destroyed.
// - Collections are indexed from 0; Item of an index outside 0..Count()-1,
//   or of a name the collection does not hold, throws EngineError (Find
//   answers null for such a name).

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <dao/ConnectText.h>
#include <dao/EngineError.h>
#include <dao/Variant.h>

namespace tabulon::dao {

template <class T>
class Collection {
 public:
  virtual ~Collection() = default;
  virtual int Count() = 0;
  virtual T& Item(int index) = 0;
  // Names are matched without regard to letter case.
  virtual T& Item(std::string_view name) = 0;
  // The item Item(name) returns, or null where it has none: an absent item
  // is an ordinary answer here, not a failure. The reader's collections
  // still throw when they cannot be read at all; this default, which asks
  // Item(name), answers null for any EngineError.
  virtual T* Find(std::string_view name) {
    try {
      return &Item(name);
    } catch (const EngineError&) {
      return nullptr;
    }
  }
};

class Property {
 public:
  virtual ~Property() = default;
  virtual std::string Name() = 0;
  // Throws where the engine cannot produce the value.
  virtual Variant Value() = 0;
};

// DAO's constants, as the report words them.
enum FieldAttribute : std::int32_t {
  dbFixedField = 0x1,
  dbVariableField = 0x2,
  dbAutoIncrField = 0x10,
  dbUpdatableField = 0x20,
  dbSystemField = 0x2000,
  dbHyperlinkField = 0x8000,
  dbDescending = 0x1,
};

enum TableDefAttribute : std::int32_t {
  dbHiddenObject = 0x1,
  dbSystemObject = static_cast<std::int32_t>(0x80000002u),
  dbAttachExclusive = 0x10000,
  dbAttachSavePWD = 0x20000,
  dbAttachedODBC = 0x20000000,
  dbAttachedTable = 0x40000000,
};

enum RelationAttribute : std::int32_t {
  dbRelationUnique = 0x1,
  dbRelationDontEnforce = 0x2,
  dbRelationInherited = 0x4,
  dbRelationUpdateCascade = 0x100,
  dbRelationDeleteCascade = 0x1000,
  // ACE's "cascade to null": deleting the referenced row sets the foreign
  // fields to Null. DAO 3.6 has no name for this bit; the file stores it.
  dbRelationCascadeNull = 0x2000,
  dbRelationLeft = 0x1000000,
  dbRelationRight = 0x2000000,
};

// DAO's type codes (Field::Type).
enum FieldType : std::int32_t {
  dbBoolean = 1,
  dbByte = 2,
  dbInteger = 3,
  dbLong = 4,
  dbCurrency = 5,
  dbSingle = 6,
  dbDouble = 7,
  dbDate = 8,
  dbBinary = 9,
  dbText = 10,
  dbLongBinary = 11,
  dbMemo = 12,
  dbGUID = 15,
  dbBigInt = 16,
  dbVarBinary = 17,
  dbChar = 18,
  dbNumeric = 19,
  dbDecimal = 20,
  dbFloat = 21,
  dbTime = 22,
  dbTimeStamp = 23,
  dbAttachment = 101,
  dbComplexByte = 102,
  dbComplexInteger = 103,
  dbComplexLong = 104,
  dbComplexSingle = 105,
  dbComplexDouble = 106,
  dbComplexGUID = 107,
  dbComplexDecimal = 108,
  dbComplexText = 109,
};

// A field of a table definition, of an index or of a relation. Index and
// relation fields answer Name (and a relation's field ForeignName); their
// other members may throw. As in DAO, the Properties of a decimal field of
// a table definition hold "Precision" (digits) and "Scale" (decimals).
class Field {
 public:
  virtual ~Field() = default;
  virtual std::string Name() = 0;
  virtual std::int32_t Type() = 0;
  virtual Variant Size() = 0;
  virtual std::int32_t Attributes() = 0;
  virtual Variant OrdinalPosition() = 0;
  virtual bool Required() = 0;
  virtual bool AllowZeroLength() = 0;
  virtual Variant DefaultValue() = 0;
  virtual bool DataUpdatable() = 0;
  virtual std::string ValidationRule() = 0;
  virtual std::string ValidationText() = 0;
  // The foreign-side field of a relation's field.
  virtual std::string ForeignName() = 0;
  virtual Collection<Property>& Properties() = 0;
};

class Index {
 public:
  virtual ~Index() = default;
  virtual std::string Name() = 0;
  virtual bool Primary() = 0;
  virtual bool Foreign() = 0;
  virtual bool Unique() = 0;
  virtual Collection<Field>& Fields() = 0;
};

// A forward-only reading of a table's rows, as DAO's forward-only
// Recordset: on the first row when opened, Eof once no row is left (at
// once for a table without rows).
class Recordset {
 public:
  virtual ~Recordset() = default;
  // DAO's EOF (the C library has taken the name): past the last row.
  virtual bool Eof() = 0;
  // Moves to the next row; throws when already at the end.
  virtual void MoveNext() = 0;
  // The value of field `index` of the current row, fields counted as in
  // the table definition's Fields (DAO's Collect): Null for no value.
  virtual Variant Collect(int index) = 0;
};

// As in DAO, the Properties of a linked table hold "Connect" (";DATABASE="
// and the source file for a linked Access table, the connect text for
// ODBC) and "SourceTableName" (the table's name in its source).
class TableDef {
 public:
  virtual ~TableDef() = default;
  virtual std::string Name() = 0;
  virtual std::int32_t Attributes() = 0;
  // A linked table's connect text (";DATABASE=C:\data\other.mdb",
  // "ODBC;DSN=..."), "" for a local table. A stored password reads
  // "PWD=****": every output, listing and message shows this text, so the
  // password is hidden here, once, for all of them.
  std::string Connect() { return MaskConnectPassword(StoredConnect()); }
  // The linked table's name in its source, "" for a local table.
  virtual std::string SourceTableName() = 0;
  virtual Variant RecordCount() = 0;
  virtual Variant DateCreated() = 0;
  virtual Variant LastUpdated() = 0;
  virtual Variant Updatable() = 0;
  virtual std::string ValidationRule() = 0;
  virtual std::string ValidationText() = 0;
  virtual Collection<Property>& Properties() = 0;
  // A linked table's fields and indexes are its source's; their Count and
  // Item fail, naming the connect text, when the source cannot be read.
  virtual Collection<Field>& Fields() = 0;
  virtual Collection<Index>& Indexes() = 0;
  // A forward-only reading of the table's rows; throws where the rows
  // cannot be read (a linked table's are elsewhere).
  virtual std::unique_ptr<Recordset> OpenRecordset() = 0;

 protected:
  // The connect text as stored, password and all: for the engine alone.
  virtual std::string StoredConnect() = 0;
};

class Relation {
 public:
  virtual ~Relation() = default;
  virtual std::string Name() = 0;
  // The referenced (primary) table.
  virtual std::string Table() = 0;
  // The referencing table.
  virtual std::string ForeignTable() = 0;
  virtual std::int32_t Attributes() = 0;
  virtual Collection<Field>& Fields() = 0;
};

// DAO's QueryDef type codes (QueryDef::Type).
enum QueryDefType : std::int32_t {
  dbQSelect = 0,
  dbQCrosstab = 16,
  dbQDelete = 32,
  dbQUpdate = 48,
  dbQAppend = 64,
  dbQMakeTable = 80,
  dbQDDL = 96,
  dbQSQLPassThrough = 112,
  dbQSetOperation = 128,
};

// A parameter a saved query asks for.
class Parameter {
 public:
  virtual ~Parameter() = default;
  virtual std::string Name() = 0;
  // DAO's field type code (FieldType); 0 for a parameter of any type.
  virtual std::int32_t Type() = 0;
};

// One part of a saved query as the engine keeps it: the kind of part
// (start 0, type 1, parameter 2, flags 3, remote database 4, table 5,
// column 6, join 7, where 8, group by 9, having 10, order by 11, end 255),
// its names, its expression as stored and its flags. Whoever carries a
// query into another language reads these, not the rebuilt SQL text.
struct QueryPart {
  std::int32_t Kind = 0;
  std::string Name1;  // table, alias, parameter or target name
  std::string Name2;  // alias, target column, union part
  std::string Expression;
  std::int32_t Flag = 0;
  std::int32_t Extra = 0;  // a text parameter's size
  bool operator==(const QueryPart&) const = default;
};

// The kinds of QueryPart, and the bits of the flags part's Flag.
namespace query_part {
inline constexpr std::int32_t Type = 1;
inline constexpr std::int32_t Parameter = 2;
inline constexpr std::int32_t Flags = 3;
inline constexpr std::int32_t Remote = 4;
inline constexpr std::int32_t Table = 5;
inline constexpr std::int32_t Column = 6;
inline constexpr std::int32_t Join = 7;
inline constexpr std::int32_t Where = 8;
inline constexpr std::int32_t GroupBy = 9;
inline constexpr std::int32_t Having = 10;
inline constexpr std::int32_t OrderBy = 11;

inline constexpr std::int32_t SelectAllFields = 0x01;
inline constexpr std::int32_t SelectDistinct = 0x02;  // for unions: UNION rather than UNION ALL
inline constexpr std::int32_t SelectOwnerAccess = 0x04;
inline constexpr std::int32_t SelectDistinctRow = 0x08;
inline constexpr std::int32_t SelectTop = 0x10;
inline constexpr std::int32_t SelectPercent = 0x20;

// A union's two parts are table parts of these names (Name2), each
// holding its SQL text as the expression.
inline constexpr std::string_view UnionPart1 = "X7YZ_____1";
inline constexpr std::string_view UnionPart2 = "X7YZ_____2";
}  // namespace query_part

// A saved query.
class QueryDef {
 public:
  virtual ~QueryDef() = default;
  virtual std::string Name() = 0;
  // A QueryDefType code; other codes pass through as stored.
  virtual std::int32_t Type() = 0;
  // The text Access shows in SQL view. Throws when the stored query cannot
  // be turned into SQL; the query's other members still answer.
  virtual std::string SQL() = 0;
  // A pass-through query's connect text ("ODBC;..."), "" for the others;
  // its password masked as a table's is.
  std::string Connect() { return MaskConnectPassword(StoredConnect()); }
  virtual Variant DateCreated() = 0;
  virtual Variant LastUpdated() = 0;
  virtual Collection<Parameter>& Parameters() = 0;
  // The stored parts, ordered by kind and then as the engine orders each
  // kind's parts.
  virtual std::vector<QueryPart> Parts() = 0;

 protected:
  virtual std::string StoredConnect() = 0;
};

// An object of the application kept in a container: a form, a report, a
// macro, a module, a table or query, ...
class Document {
 public:
  virtual ~Document() = default;
  virtual std::string Name() = 0;
  // The name of its container.
  virtual std::string Container() = 0;
  virtual Variant DateCreated() = 0;
  virtual Variant LastUpdated() = 0;
};

// One kind of object: "Forms", "Reports", "Scripts" (macros), "Modules",
// "Tables", "Relationships", "Databases", "DataAccessPages", ...
class Container {
 public:
  virtual ~Container() = default;
  virtual std::string Name() = 0;
  // Sorted by name without regard to case.
  virtual Collection<Document>& Documents() = 0;
};

class Database {
 public:
  virtual ~Database() = default;
  virtual Collection<Property>& Properties() = 0;
  virtual Collection<TableDef>& TableDefs() = 0;
  virtual Collection<Relation>& Relations() = 0;
  // The saved queries, sorted by name without regard to case, without the
  // ones Access keeps for forms, reports and their controls ("~sq_...").
  virtual Collection<QueryDef>& QueryDefs() = 0;
  // The same with those kept for forms and reports.
  virtual Collection<QueryDef>& AllQueryDefs() = 0;
  // Sorted by name without regard to case.
  virtual Collection<Container>& Containers() = 0;
  virtual void Close() = 0;
};

class Workspace {
 public:
  virtual ~Workspace() = default;
  virtual Collection<Property>& Properties() = 0;
  // Opens the database at `path`. `connect` is ";pwd=" followed by the
  // password. Throws EngineError with the reason when it cannot be opened.
  virtual std::unique_ptr<Database> OpenDatabase(const std::string& path, bool exclusive,
                                                 bool readOnly, const std::string& connect) = 0;
};

class Engine {
 public:
  virtual ~Engine() = default;
  virtual Collection<Property>& Properties() = 0;
  virtual Workspace& Workspaces(int index) = 0;
};

}  // namespace tabulon::dao
