#pragma once
// What the translators of Access expressions share (migrate/AccessExpression.h
// for defaults and rules, migrate/QueryExpression.h for queries): the
// tokens of an expression, its literals and Like patterns as each server
// says them.

#include <algorithm>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include <migrate/Dialect.h>

namespace tabulon::migrate {

// Nesting deeper than this is refused: the parsers recurse once a level.
inline constexpr int MaxExpressionDepth = 32;

// Thrown inside a translation with the reason in Japanese.
class Refused : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

enum class TokenKind { End, Number, Text, Date, Name, Word, Symbol };

struct Token {
  TokenKind Kind = TokenKind::End;
  std::string Text;    // the number, the text without quotes, the name, the word
  std::size_t At = 0;  // where it starts in the text (the end for End)
};

// A parser's walk over tokens ended by End, where it stays.
class TokenCursor {
 protected:
  explicit TokenCursor(std::vector<Token> tokens) : FTokens(std::move(tokens)) {}
  const Token& Peek(std::size_t ahead = 0) const {
    return FTokens[std::min(FAt + ahead, FTokens.size() - 1)];
  }
  const Token& Next() {
    const Token& token = Peek();
    if (FAt + 1 < FTokens.size()) ++FAt;
    return token;
  }

 private:
  std::vector<Token> FTokens;
  std::size_t FAt = 0;
};

// The tokens of `text`, ended by one of kind End. Throws Refused for an
// unclosed text, date or name.
std::vector<Token> Tokenize(std::string_view text);

bool IsWord(const Token& token, std::string_view word);  // without regard to case
bool IsSymbol(const Token& token, std::string_view symbol);

// True for Yes/True/On, false for No/False/Off; nullopt for other words.
std::optional<bool> BooleanWord(const Token& token);
std::string BooleanSql(bool value, Dialect dialect);

// The date between #...# as 'YYYY-MM-DD HH:MM:SS': year first (y/m/d,
// y-m-d) when its first number has four digits, else month first (m/d/y,
// as Access stores it), then optionally h:mm or h:mm:ss (24 hours).
// Throws Refused for another text.
std::string DateSql(std::string_view text);

// True when `text` holds a letter whose case Access would ignore but
// neither server's lower() folds the same way: Latin, Greek and Cyrillic
// letters beyond ASCII and the full-width Latin letters.
bool HasFoldingBeyondAscii(std::string_view text);
bool HasAsciiLetter(std::string_view text);
std::string AsciiLower(std::string_view text);
bool IsGuidText(std::string_view text);

// `value Like pattern` (`negated`: Not Like) as the server says it, where
// `value` is the SQL of a text: Access compares without regard to case
// (ILIKE and ~* on PostgreSQL; SQLite's LIKE folds ASCII itself, its GLOB
// is given folded text). Throws Refused for a pattern this program does
// not say in SQL.
std::string LikeSql(const std::string& value, std::string_view pattern, bool negated,
                    Dialect dialect);

}  // namespace tabulon::migrate
