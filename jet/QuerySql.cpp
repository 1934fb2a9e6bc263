#include <jet/QuerySql.h>

#include <array>
#include <memory>
#include <optional>
#include <string_view>

#include <dao/QueryJoins.h>
#include <text/TextCompare.h>

namespace tabulon::jet {

namespace {

// Bounds on what one query may hold: the rows come from the file.
constexpr std::size_t MaxSqlBytes = 4u << 20;

using dao::query_part::SelectAllFields;
using dao::query_part::SelectDistinct;
using dao::query_part::SelectDistinctRow;
using dao::query_part::SelectOwnerAccess;
using dao::query_part::SelectPercent;
using dao::query_part::SelectTop;
using dao::query_part::UnionPart1;
using dao::query_part::UnionPart2;

// Column-row flags.
constexpr std::int16_t AppendValue = static_cast<std::int16_t>(0x8000);
constexpr std::int16_t CrosstabPivot = 0x01;
constexpr std::int16_t CrosstabRow = 0x02;

[[noreturn]] void Fail(const std::string& what) { throw QuerySqlError(what, false); }

struct TypeCode {
  std::int16_t RowCode;
  std::int32_t DaoType;
};
constexpr std::array<TypeCode, 9> TypeCodes{{
    {1, dao::dbQSelect},
    {2, dao::dbQMakeTable},
    {3, dao::dbQAppend},
    {4, dao::dbQUpdate},
    {5, dao::dbQDelete},
    {6, dao::dbQCrosstab},
    {7, dao::dbQDDL},
    {8, dao::dbQSQLPassThrough},
    {9, dao::dbQSetOperation},
}};

struct ParameterWord {
  std::int16_t Code;
  std::string_view Word;
};
constexpr std::array<ParameterWord, 13> ParameterWords{{
    {0, "Value"},
    {1, "Bit"},
    {2, "Byte"},
    {3, "Short"},
    {4, "Long"},
    {5, "Currency"},
    {6, "IEEESingle"},
    {7, "IEEEDouble"},
    {8, "DateTime"},
    {9, "Binary"},
    {10, "Text"},
    {11, "LongBinary"},
    {15, "Guid"},
}};

std::vector<const QueryRow*> RowsOf(const std::vector<QueryRow>& rows, std::uint8_t attribute) {
  std::vector<const QueryRow*> found;
  for (const QueryRow& row : rows) {
    if (row.Attribute == attribute) found.push_back(&row);
  }
  return found;
}

// The one row of an attribute that a query has at most once, or null.
const QueryRow* UniqueRow(const std::vector<QueryRow>& rows, std::uint8_t attribute) {
  const std::vector<const QueryRow*> found = RowsOf(rows, attribute);
  if (found.size() > 1) {
    Fail("属性 " + std::to_string(attribute) + " の行が " + std::to_string(found.size()) +
         " 行あります");
  }
  return found.empty() ? nullptr : found.front();
}

std::string Joined(const std::vector<std::string>& parts, std::string_view separator) {
  std::string text;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    if (i > 0) text += separator;
    text += parts[i];
  }
  return text;
}

bool Bracketed(std::string_view name) {
  return name.size() >= 2 && name.front() == '[' && name.back() == ']';
}

bool NeedsBrackets(std::string_view name) {
  for (const char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x80) continue;
    const bool word =
        (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
    if (!word) return true;
  }
  return false;
}

std::string Bracket(std::string_view name) {
  if (Bracketed(name)) return std::string(name);
  return "[" + std::string(name) + "]";
}

// A name as SQL writes it: each part (cut at "." when `split`) bracketed
// when it needs it.
std::string Quoted(std::string_view name, bool split) {
  if (!split) return NeedsBrackets(name) ? Bracket(name) : std::string(name);
  std::string text;
  std::size_t start = 0;
  while (true) {
    const std::size_t dot = name.find('.', start);
    const std::string_view part =
        name.substr(start, dot == std::string_view::npos ? dot : dot - start);
    text += NeedsBrackets(part) ? Bracket(part) : std::string(part);
    if (dot == std::string_view::npos) break;
    text += '.';
    start = dot + 1;
  }
  return text;
}

std::string Alias(const std::string& alias) {
  return alias.empty() ? std::string() : " AS " + Quoted(alias, false);
}

// " IN '<path>' [<type>]" for a source in another database, "" otherwise.
std::string RemoteDatabase(const std::string& path, const std::string& type) {
  if (path.empty() && type.empty()) return "";
  std::string text = " IN '" + path + "'";
  if (!type.empty()) text += " [" + type + "]";
  return text;
}

// The FROM list: the table rows, merged by the join rows into nested joins
// in the order Access stores them.
class FromList {
 public:
  explicit FromList(const std::vector<QueryRow>& rows) {
    std::vector<std::string> keys;
    for (const QueryRow* table : RowsOf(rows, QueryTable)) {
      std::string text;
      if (!table->Expression.empty()) text += Bracket(table->Expression) + ".";
      if (!table->Name1.empty()) text += Quoted(table->Name1, true);
      text += Alias(table->Name2);
      FTexts.push_back(std::move(text));
      keys.push_back(table->Name2.empty() ? table->Name1 : table->Name2);
    }
    std::vector<dao::FromJoin> joins;
    for (const QueryRow* join : RowsOf(rows, QueryJoin)) {
      joins.push_back({join->Name1, join->Name2, join->Expression, join->Flag});
    }
    try {
      FTree = dao::BuildFromTree(keys, joins);
    } catch (const std::invalid_argument& e) {
      Fail(e.what());
    }
  }

  std::vector<std::string> Texts() const {
    std::vector<std::string> texts;
    for (const std::size_t top : FTree.Top) {
      std::string text;
      Render(top, true, text);
      texts.push_back(std::move(text));
    }
    return texts;
  }

 private:
  void Render(std::size_t index, bool top, std::string& out) const {
    const dao::FromNode& node = FTree.Nodes[index];
    if (!node.IsJoin) {
      out += node.Table ? FTexts[*node.Table] : Quoted(node.Key, true);
      return;
    }
    static constexpr std::array<std::string_view, 3> Words{" INNER JOIN ", " LEFT JOIN ",
                                                           " RIGHT JOIN "};
    if (node.Type < 1 || node.Type > 3)
      Fail("結合の種類 " + std::to_string(node.Type) + " は不明です");
    if (!top) out += '(';
    Render(node.Left, false, out);
    out += Words[static_cast<std::size_t>(node.Type - 1)];
    Render(node.Right, false, out);
    out += " ON ";
    if (node.On.size() > 1) {
      out += "(" + Joined(node.On, ") AND (") + ")";
    } else {
      out += node.On.front();
    }
    if (!top) out += ')';
    if (out.size() > MaxSqlBytes) Fail("SQL が長すぎます");
  }

  std::vector<std::string> FTexts;  // each table row's text
  dao::FromTree FTree;
};

class SqlBuilder {
 public:
  SqlBuilder(const std::vector<QueryRow>& rows, std::int32_t type)
      : FRows(rows),
        FType(type),
        FFlags(UniqueRow(rows, QueryFlags)),
        FTypeRow(UniqueRow(rows, QueryType)) {}

  std::string Build() {
    if (FType == dao::dbQDDL || FType == dao::dbQSQLPassThrough) {
      std::string text = FTypeRow ? FTypeRow->Expression : "";
      while (!text.empty() && text.back() == '\0') text.pop_back();
      return text;
    }
    std::string sql = Parameters();
    switch (FType) {
      case dao::dbQSelect:
        sql += SelectBody(true, Columns(FRows), RowsOf(FRows, QueryGroupBy));
        break;
      case dao::dbQMakeTable:
        sql += SelectBody(true, Columns(FRows), RowsOf(FRows, QueryGroupBy), Into());
        break;
      case dao::dbQDelete:
        sql += "DELETE " + SelectBody(false, Columns(FRows), RowsOf(FRows, QueryGroupBy));
        break;
      case dao::dbQAppend:
        sql += Append();
        break;
      case dao::dbQUpdate:
        sql += Update();
        break;
      case dao::dbQCrosstab:
        sql += Crosstab();
        break;
      case dao::dbQSetOperation:
        sql += Union();
        break;
      default:
        throw QuerySqlError("種類 " + std::to_string(FType) + " のクエリには対応していません",
                            true);
    }
    if (Flag(SelectOwnerAccess)) sql += "\nWITH OWNERACCESS OPTION";
    sql += ';';
    if (sql.size() > MaxSqlBytes) Fail("SQL が長すぎます");
    return sql;
  }

 private:
  bool Flag(std::int32_t bit) const { return FFlags && (FFlags->Flag & bit) != 0; }

  std::string Parameters() const {
    std::vector<std::string> parameters;
    for (const QueryRow* row : RowsOf(FRows, QueryParameter)) {
      const std::string word = ParameterTypeWord(row->Flag);
      if (word.empty()) {
        Fail("パラメーター '" + row->Name1 + "' の型 " + std::to_string(row->Flag) + " は不明です");
      }
      std::string text = row->Name1 + " " + word;
      if (row->Flag == 10 && row->Extra > 0) text += "(" + std::to_string(row->Extra) + ")";
      parameters.push_back(std::move(text));
    }
    if (parameters.empty()) return "";
    return "PARAMETERS " + Joined(parameters, ", ") + ";\n";
  }

  std::string Predicate() const {
    std::string text;
    if (Flag(SelectDistinct)) {
      text = "DISTINCT";
    } else if (Flag(SelectDistinctRow)) {
      text = "DISTINCTROW";
    }
    if (Flag(SelectTop)) {
      if (!text.empty()) text += ' ';
      text += "TOP " + FFlags->Name1;
      if (Flag(SelectPercent)) text += " PERCENT";
    }
    return text;
  }

  static std::vector<const QueryRow*> Columns(const std::vector<QueryRow>& rows) {
    return RowsOf(rows, QueryColumn);
  }

  std::string ColumnList(const std::vector<const QueryRow*>& columns) const {
    std::vector<std::string> texts;
    for (const QueryRow* column : columns)
      texts.push_back(column->Expression + Alias(column->Name1));
    if (Flag(SelectAllFields)) texts.push_back("*");
    return Joined(texts, ", ");
  }

  std::string FromClause() const {
    const std::vector<std::string> tables = FromList(FRows).Texts();
    if (tables.empty()) return "";
    std::string text = "\nFROM " + Joined(tables, ", ");
    if (const QueryRow* remote = UniqueRow(FRows, QueryRemoteDatabase)) {
      text += RemoteDatabase(remote->Name1, remote->Expression);
    }
    return text;
  }

  std::string WhereClause() const {
    const QueryRow* where = UniqueRow(FRows, QueryWhere);
    return where && !where->Expression.empty() ? "\nWHERE " + where->Expression : "";
  }

  std::string OrderByClause() const {
    std::vector<std::string> items;
    for (const QueryRow* row : RowsOf(FRows, QueryOrderBy)) {
      items.push_back(row->Expression + (EqualsNoCase(row->Name1, "D") ? " DESC" : ""));
    }
    return items.empty() ? "" : "\nORDER BY " + Joined(items, ", ");
  }

  std::string Into() const {
    if (!FTypeRow) return "";
    return " INTO " + Quoted(FTypeRow->Name1, true) +
           RemoteDatabase(FTypeRow->Name2, FTypeRow->Expression);
  }

  std::string SelectBody(bool selectWord, const std::vector<const QueryRow*>& columns,
                         const std::vector<const QueryRow*>& groups,
                         const std::string& into = "") const {
    std::string text;
    if (selectWord) {
      text = "SELECT ";
      const std::string predicate = Predicate();
      if (!predicate.empty()) text += predicate + " ";
    }
    text += ColumnList(columns) + into + FromClause() + WhereClause();
    std::vector<std::string> groupTexts;
    for (const QueryRow* group : groups) groupTexts.push_back(group->Expression);
    if (!groupTexts.empty()) text += "\nGROUP BY " + Joined(groupTexts, ", ");
    if (const QueryRow* having = UniqueRow(FRows, QueryHaving);
        having && !having->Expression.empty())
      text += "\nHAVING " + having->Expression;
    return text + OrderByClause();
  }

  std::string Append() const {
    std::vector<std::string> targets;
    std::vector<const QueryRow*> values, selected;
    for (const QueryRow* column : Columns(FRows)) {
      if (!column->Name2.empty()) targets.push_back(Quoted(column->Name2, true));
      ((column->Flag & AppendValue) != 0 ? values : selected).push_back(column);
    }
    std::string text = "INSERT INTO " + (FTypeRow ? Quoted(FTypeRow->Name1, true) : "");
    if (!targets.empty()) text += " (" + Joined(targets, ", ") + ")";
    if (FTypeRow) text += RemoteDatabase(FTypeRow->Name2, FTypeRow->Expression);
    if (!values.empty()) {
      std::vector<std::string> items;
      for (const QueryRow* value : values) items.push_back(value->Expression);
      return text + "\nVALUES (" + Joined(items, ", ") + ")";
    }
    return text + "\n" + SelectBody(true, selected, RowsOf(FRows, QueryGroupBy));
  }

  std::string Update() const {
    const std::vector<std::string> tables = FromList(FRows).Texts();
    std::string text = "UPDATE " + Joined(tables, ", ");
    if (const QueryRow* remote = UniqueRow(FRows, QueryRemoteDatabase)) {
      text += RemoteDatabase(remote->Name1, remote->Expression);
    }
    std::vector<std::string> sets;
    for (const QueryRow* column : Columns(FRows)) {
      sets.push_back(Quoted(column->Name2, true) + " = " + column->Expression);
    }
    text += "\nSET " + Joined(sets, ", ");
    return text + WhereClause();
  }

  std::string Crosstab() const {
    const QueryRow* transform = nullptr;
    const QueryRow* pivot = nullptr;
    std::vector<const QueryRow*> selected, groups;
    for (const QueryRow* column : Columns(FRows)) {
      if ((column->Flag & CrosstabRow) != 0) {
        selected.push_back(column);
      } else if ((column->Flag & CrosstabPivot) != 0) {
        if (pivot) Fail("クロス集計の列見出しが複数あります");
        pivot = column;
      } else {
        if (transform) Fail("クロス集計の値が複数あります");
        transform = column;
      }
    }
    if (!transform || !pivot) Fail("クロス集計の値か列見出しがありません");
    for (const QueryRow* group : RowsOf(FRows, QueryGroupBy)) {
      if ((group->Flag & CrosstabRow) != 0) groups.push_back(group);
    }
    return "TRANSFORM " + transform->Expression + Alias(transform->Name1) + "\n" +
           SelectBody(true, selected, groups) + "\nPIVOT " + pivot->Expression;
  }

  static std::string CleanUnionPart(const std::string& part) {
    const std::size_t first = part.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return "";
    const std::size_t last = part.find_last_not_of(" \t\r\n");
    std::string text;
    bool inBreak = false;
    for (std::size_t i = first; i <= last; ++i) {
      const char c = part[i];
      if (c == '\r' || c == '\n') {
        if (!inBreak) text += '\n';
        inBreak = true;
        continue;
      }
      inBreak = false;
      text += c;
    }
    return text;
  }

  std::string UnionPart(std::string_view id) const {
    for (const QueryRow* table : RowsOf(FRows, QueryTable)) {
      if (table->Name2 == id) return CleanUnionPart(table->Expression);
    }
    Fail("ユニオンの " + std::string(id) + " がありません");
  }

  std::string Union() const {
    std::string text = UnionPart(UnionPart1) + "\nUNION ";
    if (!Flag(SelectDistinct)) text += "ALL ";
    return text + UnionPart(UnionPart2) + OrderByClause();
  }

  const std::vector<QueryRow>& FRows;
  std::int32_t FType;
  const QueryRow* FFlags;
  const QueryRow* FTypeRow;
};

}  // namespace

std::int32_t QueryTypeOf(std::uint32_t catalogFlags, const std::vector<QueryRow>& rows) {
  const auto type = static_cast<std::int32_t>(catalogFlags & 0xF0);
  if (type != 0) return type;
  for (const QueryRow& row : rows) {
    if (row.Attribute != QueryType) continue;
    for (const TypeCode& code : TypeCodes) {
      if (code.RowCode == row.Flag) return code.DaoType;
    }
    break;
  }
  return type;
}

std::string ParameterTypeWord(std::int16_t code) {
  for (const ParameterWord& word : ParameterWords) {
    if (word.Code == code) return std::string(word.Word);
  }
  return "";
}

std::string BuildQuerySql(const std::vector<QueryRow>& rows, std::int32_t type) {
  return SqlBuilder(rows, type).Build();
}

std::string QueryConnect(const std::vector<QueryRow>& rows, std::int32_t type) {
  if (type != dao::dbQSQLPassThrough) return "";
  for (const QueryRow& row : rows) {
    if (row.Attribute == QueryType) return row.Name1;
  }
  return "";
}

}  // namespace tabulon::jet
