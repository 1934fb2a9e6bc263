#include <tools/jetwriter/Validate.h>

#include <cmath>
#include <set>

#include <fmt/format.h>

#include <text/TextCompare.h>
#include <text/Utf8.h>
#include <tools/jetwriter/Bytes.h>
#include <tools/jetwriter/SchemaError.h>

namespace tabulon::jetwriter {

namespace {

const std::set<std::string, NoCaseLess> EngineTableNames{"MSysObjects", "MSysACEs", "MSysQueries",
                                                         "MSysRelationships"};

// Why `name` cannot name an object, or "" when it can.
std::string NameProblem(std::string_view name) {
  if (name.empty()) return "is empty";
  if (!IsValidUtf8(name)) return "is not valid UTF-8";
  if (Utf16Length(name) > MaxNameLength)
    return fmt::format("is longer than {} characters", MaxNameLength);
  if (name.front() == ' ') return "starts with a space";
  for (const char c : name) {
    if (static_cast<unsigned char>(c) < 0x20) return "contains a control character";
    if (c == '.' || c == '!' || c == '`' || c == '[' || c == ']')
      return fmt::format("contains the character '{}'", c);
  }
  return "";
}

void CheckName(std::string_view name, const std::string& what) {
  const std::string problem = NameProblem(name);
  if (!problem.empty())
    throw SchemaError(fmt::format("{}: the name \"{}\" {}", what, name, problem));
}

void CheckProperties(const std::vector<Property>& properties, const std::string& owner) {
  std::set<std::string, NoCaseLess> names;
  for (const Property& property : properties) {
    const std::string what = fmt::format("{}, property \"{}\"", owner, property.Name);
    if (property.Name.empty() || Utf16Length(property.Name) > MaxNameLength ||
        !IsValidUtf8(property.Name)) {
      throw SchemaError(
          fmt::format("{}: a property name must have 1 to {} characters", what, MaxNameLength));
    }
    if (!names.insert(property.Name).second)
      throw SchemaError(fmt::format("{}: listed twice", what));
  }
}

bool HasLongValueType(const Column& column) {
  return column.Type == dao::dbMemo || column.Type == dao::dbLongBinary;
}

void CheckColumn(const Column& column, const std::string& what) {
  CheckName(column.Name, what);
  switch (column.Type) {
    case dao::dbBoolean:
    case dao::dbByte:
    case dao::dbInteger:
    case dao::dbLong:
    case dao::dbCurrency:
    case dao::dbSingle:
    case dao::dbDouble:
    case dao::dbDate:
    case dao::dbLongBinary:
    case dao::dbMemo:
    case dao::dbGUID:
      break;
    case dao::dbText:
      if (column.Size < 1 || column.Size > MaxTextSize) {
        throw SchemaError(fmt::format("{}: a Text size must be 1 to {} characters, not {}", what,
                                      MaxTextSize, column.Size));
      }
      break;
    case dao::dbBinary:
      if (column.Size < 1 || column.Size > MaxBinarySize) {
        throw SchemaError(fmt::format("{}: a Binary size must be 1 to {} bytes, not {}", what,
                                      MaxBinarySize, column.Size));
      }
      break;
    case dao::dbDecimal:
      if (column.Precision < 1 || column.Precision > 28 || column.Scale < 0 ||
          column.Scale > column.Precision) {
        throw SchemaError(
            fmt::format("{}: a Decimal needs a precision of 1 to 28 and a scale of 0 to the "
                        "precision, not {} and {}",
                        what, column.Precision, column.Scale));
      }
      break;
    default:
      throw SchemaError(
          fmt::format("{}: type {} cannot be stored in a Jet 4 table", what, column.Type));
  }
  if (column.AutoNumber && column.Type != dao::dbLong && column.Type != dao::dbGUID) {
    throw SchemaError(fmt::format("{}: only Long and GUID columns can be AutoNumber", what));
  }
  if (column.Hyperlink && column.Type != dao::dbMemo) {
    throw SchemaError(fmt::format("{}: only Memo columns can be hyperlinks", what));
  }
  CheckProperties(column.Properties, what);
}

void CheckTable(const Table& table, const std::string& what) {
  CheckName(table.Name, what);
  if (EngineTableNames.count(table.Name) != 0)
    throw SchemaError(fmt::format("{}: the name belongs to an engine table", what));
  if (table.Columns.empty() || table.Columns.size() > MaxColumns) {
    throw SchemaError(fmt::format("{}: a table needs 1 to {} columns, not {}", what, MaxColumns,
                                  table.Columns.size()));
  }
  std::set<std::string, NoCaseLess> names;
  int autoNumbers = 0;
  for (const Column& column : table.Columns) {
    const std::string columnWhat = fmt::format("{}, column \"{}\"", what, column.Name);
    CheckColumn(column, columnWhat);
    if (!names.insert(column.Name).second)
      throw SchemaError(fmt::format("{}: the name is used twice", columnWhat));
    if (column.AutoNumber && ++autoNumbers > 1)
      throw SchemaError(fmt::format("{}: a table has at most one AutoNumber column", columnWhat));
  }
  names.clear();
  int primaries = 0;
  for (const Index& index : table.Indexes) {
    const std::string indexWhat = fmt::format("{}, index \"{}\"", what, index.Name);
    CheckName(index.Name, indexWhat);
    if (!names.insert(index.Name).second)
      throw SchemaError(fmt::format("{}: the name is used twice", indexWhat));
    if (index.Primary && ++primaries > 1)
      throw SchemaError(fmt::format("{}: a table has at most one primary key", indexWhat));
    if (index.Columns.empty() || index.Columns.size() > MaxIndexColumns) {
      throw SchemaError(
          fmt::format("{}: an index needs 1 to {} columns", indexWhat, MaxIndexColumns));
    }
    std::set<std::string, NoCaseLess> used;
    for (const IndexColumn& column : index.Columns) {
      const int found = FindColumn(table, column.Name);
      if (found < 0)
        throw SchemaError(fmt::format("{}: there is no column \"{}\"", indexWhat, column.Name));
      if (HasLongValueType(table.Columns[static_cast<std::size_t>(found)])) {
        throw SchemaError(fmt::format("{}: Memo and OLE column \"{}\" cannot be indexed", indexWhat,
                                      column.Name));
      }
      if (!used.insert(column.Name).second)
        throw SchemaError(fmt::format("{}: column \"{}\" is listed twice", indexWhat, column.Name));
    }
  }
  for (std::size_t r = 0; r < table.Rows.size(); ++r) {
    if (table.Rows[r].size() > table.Columns.size()) {
      throw SchemaError(fmt::format("{}, row {}: {} values for {} columns", what, r + 1,
                                    table.Rows[r].size(), table.Columns.size()));
    }
  }
  if (table.DateCreated && !std::isfinite(table.DateCreated->Days))
    throw SchemaError(fmt::format("{}: bad creation date", what));
  if (table.LastUpdated && !std::isfinite(table.LastUpdated->Days))
    throw SchemaError(fmt::format("{}: bad update date", what));
  CheckProperties(table.Properties, what);
}

void CheckRelationship(const Database& db, const TablesByName& tables, const Relationship& relation,
                       const std::string& what) {
  CheckName(relation.Name, what);
  const auto primary = tables.find(relation.Table);
  const auto foreign = tables.find(relation.ForeignTable);
  if (primary == tables.end())
    throw SchemaError(fmt::format("{}: there is no table \"{}\"", what, relation.Table));
  if (foreign == tables.end())
    throw SchemaError(fmt::format("{}: there is no table \"{}\"", what, relation.ForeignTable));
  const Table& one = db.Tables[static_cast<std::size_t>(primary->second)];
  const Table& many = db.Tables[static_cast<std::size_t>(foreign->second)];
  if (relation.Columns.empty() || relation.Columns.size() > MaxIndexColumns) {
    throw SchemaError(
        fmt::format("{}: a relationship needs 1 to {} column pairs", what, MaxIndexColumns));
  }
  const std::int32_t attributes = relation.Attributes;
  if ((attributes & ~KnownRelationAttributes) != 0) {
    throw SchemaError(
        fmt::format("{}: unknown attribute bits 0x{:X}", what,
                    static_cast<std::uint32_t>(attributes & ~KnownRelationAttributes)));
  }
  const bool enforced = (attributes & dao::dbRelationDontEnforce) == 0;
  if (!enforced && (attributes & (dao::dbRelationUpdateCascade | dao::dbRelationDeleteCascade |
                                  dao::dbRelationCascadeNull)) != 0) {
    throw SchemaError(fmt::format("{}: cascades need an enforced relationship", what));
  }
  if ((attributes & dao::dbRelationDeleteCascade) != 0 &&
      (attributes & dao::dbRelationCascadeNull) != 0) {
    throw SchemaError(fmt::format("{}: a delete either cascades or sets Null, not both", what));
  }
  if ((attributes & dao::dbRelationLeft) != 0 && (attributes & dao::dbRelationRight) != 0) {
    throw SchemaError(fmt::format("{}: a join is either left or right, not both", what));
  }
  std::set<int> primaryColumns;
  std::set<std::string, NoCaseLess> foreignNames;
  for (const RelationColumn& pair : relation.Columns) {
    const int p = FindColumn(one, pair.Name);
    const int f = FindColumn(many, pair.ForeignName);
    if (p < 0)
      throw SchemaError(
          fmt::format("{}: table \"{}\" has no column \"{}\"", what, one.Name, pair.Name));
    if (f < 0)
      throw SchemaError(
          fmt::format("{}: table \"{}\" has no column \"{}\"", what, many.Name, pair.ForeignName));
    if (!foreignNames.insert(pair.ForeignName).second) {
      throw SchemaError(fmt::format("{}: column \"{}\" is listed twice", what, pair.ForeignName));
    }
    primaryColumns.insert(p);
    const Column& a = one.Columns[static_cast<std::size_t>(p)];
    const Column& b = many.Columns[static_cast<std::size_t>(f)];
    if (enforced && (a.Type != b.Type || HasLongValueType(a))) {
      throw SchemaError(
          fmt::format("{}: columns \"{}\" and \"{}\" must have the same type, and not Memo or OLE",
                      what, a.Name, b.Name));
    }
  }
  if (primaryColumns.size() != relation.Columns.size()) {
    throw SchemaError(fmt::format("{}: a column of table \"{}\" is listed twice", what, one.Name));
  }
  if (enforced && FindKeyIndexOn(one, primaryColumns) < 0) {
    throw SchemaError(
        fmt::format("{}: enforcing it needs a primary key or unique index of table \"{}\" on "
                    "exactly its columns",
                    what, one.Name));
  }
  if (enforced) {
    for (const Index& index : many.Indexes) {
      if (EqualsNoCase(index.Name, relation.Name)) {
        throw SchemaError(
            fmt::format("{}: table \"{}\" already has an index of that name", what, many.Name));
      }
    }
  }
}

void CheckOdbcLink(const Table& table, const std::string& what) {
  if (!table.OdbcConnect) {
    if (!table.ForeignName.empty())
      throw SchemaError(fmt::format("{}: \"foreignName\" belongs to a linked table", what));
    return;
  }
  if (table.OdbcConnect->rfind("ODBC;", 0) != 0)
    throw SchemaError(fmt::format("{}: an ODBC link's connect text starts with \"ODBC;\"", what));
  if (!table.Rows.empty())
    throw SchemaError(fmt::format("{}: a linked table has no rows in this file", what));
}

void CheckQuery(const Query& query, const std::string& what) {
  CheckName(query.Name, what);
  const auto fail = [&](std::string_view problem) {
    throw SchemaError(fmt::format("{}: {}", what, problem));
  };
  for (const QueryParameter& parameter : query.Parameters) {
    if (parameter.Name.empty()) fail("a parameter has no name");
    const std::int32_t t = parameter.Type;
    if (!(t == 0 || (t >= dao::dbBoolean && t <= dao::dbLongBinary) || t == dao::dbGUID))
      fail(fmt::format("parameter \"{}\": a parameter cannot have this type", parameter.Name));
    if (parameter.Size != 0 &&
        (t != dao::dbText || parameter.Size < 1 || parameter.Size > MaxTextSize))
      fail(fmt::format("parameter \"{}\": only a Text parameter has a size, 1 to {}",
                       parameter.Name, MaxTextSize));
  }
  for (const QueryJoin& join : query.Joins) {
    if (join.Type < 1 || join.Type > 3) fail("a join is inner, left or right");
  }
  const bool verbatim = query.Type == dao::dbQDDL || query.Type == dao::dbQSQLPassThrough;
  if (verbatim == query.Sql.empty())
    fail("data-definition and pass-through queries, and only they, have \"sql\"");
  if (!query.Connect.empty() && query.Type != dao::dbQSQLPassThrough)
    fail("only a pass-through query has \"connect\"");
  const bool targeted = query.Type == dao::dbQAppend || query.Type == dao::dbQMakeTable;
  if (targeted == query.Target.empty())
    fail("append and make-table queries, and only they, have a \"target\"");
  if ((query.Type == dao::dbQSetOperation) != (query.UnionParts.size() == 2))
    fail("a union query, and only it, has \"union\": two SELECT texts");
  if (!query.Top.empty() && query.Top.front() == '-') fail("\"top\" is a positive number");
  int values = 0, pivots = 0;
  for (const QueryColumn& column : query.Columns) {
    if (column.Expression.empty()) fail("a column has no expression");
    if (column.Value && query.Type != dao::dbQAppend) fail("only an append query has values");
    if ((column.Role != CrosstabRole::None) != (query.Type == dao::dbQCrosstab))
      fail("the columns of a crosstab query, and only they, have a \"crosstab\" role");
    values += column.Role == CrosstabRole::Value;
    pivots += column.Role == CrosstabRole::ColumnHeading;
  }
  if (query.Type == dao::dbQCrosstab && (values != 1 || pivots != 1))
    fail("a crosstab query has one value column and one column heading");
  if (query.Type == dao::dbQUpdate) {
    for (const QueryColumn& column : query.Columns) {
      if (column.Target.empty()) fail("each column of an update query names its \"target\"");
    }
  }
}

}  // namespace

void ValidateSchema(const Database& db) {
  if (!IsValidUtf8(db.Password) || Utf16Length(db.Password) > MaxPasswordLength) {
    throw SchemaError(fmt::format("the password is longer than {} characters", MaxPasswordLength));
  }
  if (db.Password.find('\0') != std::string::npos)
    throw SchemaError("the password contains a NUL character");
  // The engine cannot open a Jet 4 file whose password ends in a backslash.
  if (!db.Password.empty() && db.Password.back() == '\\')
    throw SchemaError("the password ends with a backslash");
  if (!std::isfinite(db.Created.Days) || db.Created.Days < -657434.0 ||
      db.Created.Days >= 2958466.0) {
    throw SchemaError("the creation date is outside the years 100 to 9999");
  }
  CheckProperties(db.Properties, "database");
  // Built while the names are checked to be unique, for the relationships.
  TablesByName tables;
  for (std::size_t t = 0; t < db.Tables.size(); ++t) {
    const Table& table = db.Tables[t];
    const std::string what = fmt::format("table \"{}\"", table.Name);
    CheckTable(table, what);
    CheckOdbcLink(table, what);
    if (!tables.emplace(table.Name, static_cast<int>(t)).second)
      throw SchemaError(fmt::format("{}: the name is used twice", what));
  }
  // Linked tables and queries share the tables' names.
  std::set<std::string, NoCaseLess> objectNames;
  for (const Table& table : db.Tables) objectNames.insert(table.Name);
  for (const LinkedTable& link : db.LinkedTables) {
    const std::string what = fmt::format("linked table \"{}\"", link.Name);
    CheckName(link.Name, what);
    if (link.Database.empty()) throw SchemaError(what + ": \"database\" is empty");
    if (EngineTableNames.contains(link.Name) || !objectNames.insert(link.Name).second)
      throw SchemaError(fmt::format("{}: the name is used twice", what));
  }
  for (const Query& query : db.Queries) {
    const std::string what = fmt::format("query \"{}\"", query.Name);
    CheckQuery(query, what);
    if (EngineTableNames.contains(query.Name) || !objectNames.insert(query.Name).second)
      throw SchemaError(fmt::format("{}: the name is used twice", what));
  }
  std::set<std::string, NoCaseLess> relationNames;
  for (const Relationship& relation : db.Relationships) {
    const std::string what = fmt::format("relationship \"{}\"", relation.Name);
    CheckRelationship(db, tables, relation, what);
    if (!relationNames.insert(relation.Name).second)
      throw SchemaError(fmt::format("{}: the name is used twice", what));
  }
}

}  // namespace tabulon::jetwriter
