#include <migrate/Dialect.h>

#include <text/OneLine.h>
#include <text/Utf8.h>

namespace tabulon::migrate {

namespace {

constexpr std::size_t PostgreSqlNameBytes = 63;

// Valid UTF-8 without NUL, with `quote` doubled, between two `quote`s.
std::string Quoted(std::string_view text, char quote) {
  const std::string clean = SanitizeUtf8(text);
  std::string out(1, quote);
  for (const char c : clean) {
    if (c == '\0') {
      AppendUtf8(out, ReplacementCharacter);
      continue;
    }
    out += c;
    if (c == quote) out += quote;
  }
  out += quote;
  return out;
}

}  // namespace

std::optional<Dialect> DialectNamed(std::string_view name) {
  if (name == "postgresql") return Dialect::PostgreSql;
  if (name == "sqlite") return Dialect::Sqlite;
  return std::nullopt;
}

std::string_view DialectTitle(Dialect dialect) {
  return dialect == Dialect::PostgreSql ? "PostgreSQL" : "SQLite";
}

std::size_t NameByteLimit(Dialect dialect) {
  return dialect == Dialect::PostgreSql ? PostgreSqlNameBytes : 0;
}

std::string QuoteName(std::string_view name) { return Quoted(name, '"'); }

std::string QuoteText(std::string_view text) { return Quoted(text, '\''); }

std::string CommentText(std::string_view text) { return OneLine(text); }

}  // namespace tabulon::migrate
