#include <migrate/PostgreSqlNames.h>

#include <algorithm>
#include <array>

namespace tabulon::migrate {

namespace {

// pg_get_keywords() of PostgreSQL 15, categories R and T, sorted.
constexpr std::array<std::string_view, 100> ReservedWords{"all",
                                                          "analyse",
                                                          "analyze",
                                                          "and",
                                                          "any",
                                                          "array",
                                                          "as",
                                                          "asc",
                                                          "asymmetric",
                                                          "authorization",
                                                          "binary",
                                                          "both",
                                                          "case",
                                                          "cast",
                                                          "check",
                                                          "collate",
                                                          "collation",
                                                          "column",
                                                          "concurrently",
                                                          "constraint",
                                                          "create",
                                                          "cross",
                                                          "current_catalog",
                                                          "current_date",
                                                          "current_role",
                                                          "current_schema",
                                                          "current_time",
                                                          "current_timestamp",
                                                          "current_user",
                                                          "default",
                                                          "deferrable",
                                                          "desc",
                                                          "distinct",
                                                          "do",
                                                          "else",
                                                          "end",
                                                          "except",
                                                          "false",
                                                          "fetch",
                                                          "for",
                                                          "foreign",
                                                          "freeze",
                                                          "from",
                                                          "full",
                                                          "grant",
                                                          "group",
                                                          "having",
                                                          "ilike",
                                                          "in",
                                                          "initially",
                                                          "inner",
                                                          "intersect",
                                                          "into",
                                                          "is",
                                                          "isnull",
                                                          "join",
                                                          "lateral",
                                                          "leading",
                                                          "left",
                                                          "like",
                                                          "limit",
                                                          "localtime",
                                                          "localtimestamp",
                                                          "natural",
                                                          "not",
                                                          "notnull",
                                                          "null",
                                                          "offset",
                                                          "on",
                                                          "only",
                                                          "or",
                                                          "order",
                                                          "outer",
                                                          "overlaps",
                                                          "placing",
                                                          "primary",
                                                          "references",
                                                          "returning",
                                                          "right",
                                                          "select",
                                                          "session_user",
                                                          "similar",
                                                          "some",
                                                          "symmetric",
                                                          "table",
                                                          "tablesample",
                                                          "then",
                                                          "to",
                                                          "trailing",
                                                          "true",
                                                          "union",
                                                          "unique",
                                                          "user",
                                                          "using",
                                                          "variadic",
                                                          "verbose",
                                                          "when",
                                                          "where",
                                                          "window",
                                                          "with"};

constexpr std::size_t NameBytes = 63;

bool AsciiLetter(unsigned char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool AsciiDigit(unsigned char c) { return c >= '0' && c <= '9'; }

std::string AsciiLower(std::string_view word) {
  std::string lower(word);
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return lower;
}

}  // namespace

bool IsPostgreSqlReservedWord(std::string_view word) {
  const std::string lower = AsciiLower(word);
  return std::binary_search(ReservedWords.begin(), ReservedWords.end(), lower);
}

std::vector<std::string> PostgreSqlQuotingReasons(std::string_view name) {
  std::vector<std::string> reasons;
  if (name.empty()) return {"空の名前"};
  bool capitals = false;
  bool others = false;
  for (const char c : name) {
    const auto code = static_cast<unsigned char>(c);
    if (code >= 0x80 || AsciiDigit(code) || c == '_' || c == '$' || (c >= 'a' && c <= 'z'))
      continue;
    if (c >= 'A' && c <= 'Z') {
      capitals = true;
    } else {
      others = true;
    }
  }
  const auto first = static_cast<unsigned char>(name.front());
  if (capitals) reasons.push_back("大文字は小文字になる: " + AsciiLower(name));
  if (IsPostgreSqlReservedWord(name)) reasons.push_back("予約語");
  if (others) reasons.push_back("識別子に使えない文字を含む");
  if (!(AsciiLetter(first) || first == '_' || first >= 0x80)) {
    reasons.push_back("先頭が英字でも _ でもない");
  }
  if (name.size() > NameBytes) reasons.push_back("63 バイトを超える");
  return reasons;
}

}  // namespace tabulon::migrate
