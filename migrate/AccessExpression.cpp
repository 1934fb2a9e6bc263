#include <migrate/AccessExpression.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <optional>
#include <stdexcept>
#include <vector>

#include <text/TextCompare.h>
#include <text/Utf8.h>

namespace tabulon::migrate {

namespace {

// Nesting deeper than this is refused: the parser recurses once a level.
constexpr int MaxDepth = 32;

// Thrown inside the translation with the reason in Japanese.
class Refused : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// ---- Tokens --------------------------------------------------------------------

enum class TokenKind { End, Number, Text, Date, Name, Word, Symbol };

struct Token {
  TokenKind Kind = TokenKind::End;
  std::string Text;  // the number, the text without quotes, the name, the word
};

bool IsSpace(std::string_view text, std::size_t at) {
  const char c = text[at];
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || text.substr(at, 3) == "\u3000";
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool IsWordStart(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' ||
         static_cast<unsigned char>(c) >= 0x80;
}

// A quoted text; `quote` doubled inside stands for itself.
std::string QuotedText(std::string_view text, std::size_t& at) {
  const char quote = text[at++];
  std::string value;
  while (at < text.size()) {
    if (text[at] == quote) {
      if (at + 1 < text.size() && text[at + 1] == quote) {
        value += quote;
        at += 2;
        continue;
      }
      ++at;
      return value;
    }
    value += text[at++];
  }
  throw Refused("文字列の終わりの引用符がありません");
}

std::vector<Token> Tokenize(std::string_view text) {
  std::vector<Token> tokens;
  std::size_t at = 0;
  while (at < text.size()) {
    if (IsSpace(text, at)) {
      at += static_cast<unsigned char>(text[at]) < 0x80 ? 1 : 3;
      continue;
    }
    const char c = text[at];
    Token token;
    if (IsDigit(c) || (c == '.' && at + 1 < text.size() && IsDigit(text[at + 1]))) {
      token.Kind = TokenKind::Number;
      const std::size_t start = at;
      while (at < text.size() && IsDigit(text[at])) ++at;
      if (at < text.size() && text[at] == '.') {
        ++at;
        while (at < text.size() && IsDigit(text[at])) ++at;
      }
      if (at < text.size() && (text[at] == 'E' || text[at] == 'e')) {
        std::size_t exponent = at + 1;
        if (exponent < text.size() && (text[exponent] == '+' || text[exponent] == '-')) ++exponent;
        if (exponent < text.size() && IsDigit(text[exponent])) {
          at = exponent;
          while (at < text.size() && IsDigit(text[at])) ++at;
        }
      }
      token.Text = std::string(text.substr(start, at - start));
      if (token.Text.front() == '.') token.Text.insert(0, "0");
      if (at < text.size() && IsWordStart(text[at])) throw Refused("数値の書き方が読めません");
    } else if (c == '"' || c == '\'') {
      token.Kind = TokenKind::Text;
      token.Text = QuotedText(text, at);
    } else if (c == '#') {
      const std::size_t end = text.find('#', at + 1);
      if (end == std::string_view::npos) throw Refused("日付の終わりの # がありません");
      token.Kind = TokenKind::Date;
      token.Text = std::string(text.substr(at + 1, end - at - 1));
      at = end + 1;
    } else if (c == '[') {
      const std::size_t end = text.find(']', at + 1);
      if (end == std::string_view::npos) throw Refused("名前の終わりの ] がありません");
      token.Kind = TokenKind::Name;
      token.Text = std::string(text.substr(at + 1, end - at - 1));
      at = end + 1;
    } else if (IsWordStart(c)) {
      const std::size_t start = at;
      while (at < text.size() && (IsWordStart(text[at]) || IsDigit(text[at])) &&
             !IsSpace(text, at)) {
        ++at;
      }
      token.Kind = TokenKind::Word;
      token.Text = std::string(text.substr(start, at - start));
    } else {
      static constexpr std::array<std::string_view, 4> pairs{"<=", ">=", "<>", "!="};
      token.Kind = TokenKind::Symbol;
      token.Text = std::string(1, c);
      for (const std::string_view pair : pairs) {
        if (text.substr(at, 2) == pair) token.Text = std::string(pair);
      }
      at += token.Text.size();
    }
    tokens.push_back(std::move(token));
  }
  tokens.push_back({});
  return tokens;
}

bool IsWord(const Token& token, std::string_view word) {
  return token.Kind == TokenKind::Word && EqualsNoCase(token.Text, word);
}

bool IsSymbol(const Token& token, std::string_view symbol) {
  return token.Kind == TokenKind::Symbol && token.Text == symbol;
}

// ---- Literals -------------------------------------------------------------------

// True for Yes/True/On, false for No/False/Off; nullopt for other words.
std::optional<bool> BooleanWord(const Token& token) {
  for (const char* word : {"Yes", "True", "On"}) {
    if (IsWord(token, word)) return true;
  }
  for (const char* word : {"No", "False", "Off"}) {
    if (IsWord(token, word)) return false;
  }
  return std::nullopt;
}

std::string BooleanSql(bool value, Dialect dialect) {
  if (dialect == Dialect::PostgreSql) return value ? "true" : "false";
  return value ? "1" : "0";
}

// Reads `count` digits (at least 1) at `at`; returns -1 when there are none.
int Digits(std::string_view text, std::size_t& at, std::size_t maxCount) {
  int value = 0;
  std::size_t read = 0;
  while (at < text.size() && IsDigit(text[at]) && read < maxCount) {
    value = value * 10 + (text[at++] - '0');
    ++read;
  }
  return read == 0 ? -1 : value;
}

bool LeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

// The date between #...# as 'YYYY-MM-DD HH:MM:SS': year first (y/m/d,
// y-m-d) when its first number has four digits, else month first (m/d/y,
// as Access stores it), then optionally h:mm or h:mm:ss (24 hours).
std::string DateSql(std::string_view text) {
  const Refused unreadable("日付 #" + std::string(text) + "# が読めません");
  std::size_t at = 0;
  while (at < text.size() && text[at] == ' ') ++at;
  std::array<int, 3> parts{};
  std::array<std::size_t, 3> widths{};
  for (std::size_t i = 0; i < parts.size(); ++i) {
    const std::size_t start = at;
    parts[i] = Digits(text, at, 4);
    widths[i] = at - start;
    if (parts[i] < 0) throw unreadable;
    if (i < 2) {
      if (at >= text.size() || (text[at] != '/' && text[at] != '-')) throw unreadable;
      ++at;
    }
  }
  int year = 0, month = 0, day = 0;
  if (widths[0] == 4) {
    year = parts[0], month = parts[1], day = parts[2];
  } else if (widths[2] == 4) {
    month = parts[0], day = parts[1], year = parts[2];
  } else {
    throw unreadable;
  }
  int hour = 0, minute = 0, second = 0;
  while (at < text.size() && text[at] == ' ') ++at;
  if (at < text.size()) {
    hour = Digits(text, at, 2);
    if (hour < 0 || at >= text.size() || text[at++] != ':') throw unreadable;
    minute = Digits(text, at, 2);
    if (minute < 0) throw unreadable;
    if (at < text.size() && text[at] == ':') {
      ++at;
      second = Digits(text, at, 2);
      if (second < 0) throw unreadable;
    }
    while (at < text.size() && text[at] == ' ') ++at;
    if (at != text.size()) throw unreadable;
  }
  static constexpr std::array<int, 12> days{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool valid =
      year >= 100 && month >= 1 && month <= 12 && day >= 1 &&
      day <= days[static_cast<std::size_t>(month - 1)] + (month == 2 && LeapYear(year) ? 1 : 0) &&
      hour <= 23 && minute <= 59 && second <= 59;
  if (!valid) throw unreadable;
  char sql[64];
  std::snprintf(sql, sizeof sql, "'%04d-%02d-%02d %02d:%02d:%02d'", year, month, day, hour, minute,
                second);
  return sql;
}

// True when `text` holds a letter whose case Access would ignore but
// neither server's lower() folds the same way: Latin, Greek and Cyrillic
// letters beyond ASCII and the full-width Latin letters.
bool HasFoldingBeyondAscii(std::string_view text) {
  for (std::size_t at = 0; at < text.size();) {
    const char32_t c = DecodeUtf8(text, at);
    if ((c >= 0xC0 && c <= 0x5FF) || (c >= 0xFF21 && c <= 0xFF5A)) return true;
  }
  return false;
}

// ---- Like patterns -------------------------------------------------------------

// One element of an Access Like pattern.
struct LikePart {
  enum class Kind { Literal, Any, One, Digit, Class } Is = Kind::Literal;
  std::string Text;  // Literal: one character (UTF-8); Class: its items
  bool Negated = false;
};

// The UTF-8 character that starts at `at`.
std::size_t CharLength(std::string_view text, std::size_t at) {
  const auto lead = static_cast<unsigned char>(text[at]);
  const std::size_t n = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
  return std::min(n, text.size() - at);
}

bool IsAsciiAlnum(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// A class item range ends on two characters of one kind (digits, small or
// capital letters), so that folding case keeps its meaning.
bool SameRangeKind(char a, char b) {
  const auto kind = [](char c) {
    return c >= '0' && c <= '9' ? 1 : c >= 'a' && c <= 'z' ? 2 : c >= 'A' && c <= 'Z' ? 3 : 0;
  };
  return kind(a) != 0 && kind(a) == kind(b) && a <= b;
}

// `*`, `?`, `#`, `[...]`, `[!...]` and literal characters; nullopt for a
// pattern this program does not say in SQL (an unclosed or empty class, a
// range across kinds).
std::optional<std::vector<LikePart>> LikeParts(std::string_view pattern) {
  std::vector<LikePart> parts;
  for (std::size_t at = 0; at < pattern.size();) {
    const char c = pattern[at];
    if (c == '*' || c == '?' || c == '#') {
      parts.push_back({c == '*'   ? LikePart::Kind::Any
                       : c == '?' ? LikePart::Kind::One
                                  : LikePart::Kind::Digit,
                       "", false});
      ++at;
      continue;
    }
    if (c != '[') {
      const std::size_t n = CharLength(pattern, at);
      parts.push_back({LikePart::Kind::Literal, std::string(pattern.substr(at, n)), false});
      at += n;
      continue;
    }
    const std::size_t close = pattern.find(']', at + 1);
    if (close == std::string_view::npos) return std::nullopt;
    std::string_view items = pattern.substr(at + 1, close - at - 1);
    at = close + 1;
    LikePart part{LikePart::Kind::Class, "", false};
    if (!items.empty() && items.front() == '!') {
      part.Negated = true;
      items.remove_prefix(1);
    }
    if (items.empty()) return std::nullopt;
    for (std::size_t i = 0; i < items.size(); ++i) {
      if (items[i] == '-' && i > 0 && i + 1 < items.size() &&
          !SameRangeKind(items[i - 1], items[i + 1])) {
        return std::nullopt;
      }
    }
    // "[*]", "[?]", "[#]", "[[]": one character taken literally.
    if (!part.Negated && CharLength(items, 0) == items.size()) {
      parts.push_back({LikePart::Kind::Literal, std::string(items), false});
      continue;
    }
    part.Text = std::string(items);
    parts.push_back(std::move(part));
  }
  return parts;
}

// A LIKE pattern of the parts; with `escaped`, a backslash before each
// literal "%", "_" and backslash (PostgreSQL's LIKE always escapes so,
// SQLite's only when it is named).
std::string LikeText(const std::vector<LikePart>& parts, bool escaped) {
  std::string out;
  for (const LikePart& part : parts) {
    if (part.Is == LikePart::Kind::Any) out += '%';
    if (part.Is == LikePart::Kind::One) out += '_';
    if (part.Is != LikePart::Kind::Literal) continue;
    if (escaped && (part.Text == "%" || part.Text == "_" || part.Text == "\\")) out += '\\';
    out += part.Text;
  }
  return out;
}

// SQLite's LIKE needs an escape character only for a literal "%" or "_".
bool NeedsSqliteEscape(const std::vector<LikePart>& parts) {
  return std::any_of(parts.begin(), parts.end(), [](const LikePart& part) {
    return part.Is == LikePart::Kind::Literal && (part.Text == "%" || part.Text == "_");
  });
}

// A regular expression over the whole value. In PostgreSQL's expressions
// "\" before any ASCII character that is not a letter or digit stands for
// that character, inside brackets too.
std::string Regex(const std::vector<LikePart>& parts) {
  const auto literal = [](const std::string& text) {
    return text.size() == 1 && !IsAsciiAlnum(text[0]) ? "\\" + text : text;
  };
  std::string out = "^";
  for (const LikePart& part : parts) {
    switch (part.Is) {
      case LikePart::Kind::Any:
        out += ".*";
        break;
      case LikePart::Kind::One:
        out += '.';
        break;
      case LikePart::Kind::Digit:
        out += "[0-9]";
        break;
      case LikePart::Kind::Literal:
        out += literal(part.Text);
        break;
      case LikePart::Kind::Class: {
        out += part.Negated ? "[^" : "[";
        for (std::size_t i = 0; i < part.Text.size();) {
          const std::size_t n = CharLength(part.Text, i);
          const bool range = part.Text[i] == '-' && i > 0 && i + 1 < part.Text.size();
          out += range ? "-" : literal(part.Text.substr(i, n));
          i += n;
        }
        out += ']';
        break;
      }
    }
  }
  return out + "$";
}

// SQLite's GLOB, given the value folded to small letters: "*", "?" and
// "[" are taken literally inside brackets; in a class "]" cannot come
// (Access ends the class there) and "^" must not lead.
std::string Glob(const std::vector<LikePart>& parts) {
  const auto folded = [](std::string text) {
    for (char& c : text) c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    return text;
  };
  std::string out;
  for (const LikePart& part : parts) {
    switch (part.Is) {
      case LikePart::Kind::Any:
        out += '*';
        break;
      case LikePart::Kind::One:
        out += '?';
        break;
      case LikePart::Kind::Digit:
        out += "[0-9]";
        break;
      case LikePart::Kind::Literal:
        out += part.Text == "*" || part.Text == "?" || part.Text == "[" ? "[" + part.Text + "]"
                                                                        : folded(part.Text);
        break;
      case LikePart::Kind::Class: {
        std::string items = folded(part.Text);
        if (items.front() == '^') items = items.substr(1) + "^";
        out += (part.Negated ? "[^" : "[") + items + "]";
        break;
      }
    }
  }
  return out;
}

bool HasAsciiLetter(std::string_view text) {
  for (const char c : text) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) return true;
  }
  return false;
}

std::string AsciiLower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return lower;
}

bool IsGuidText(std::string_view text) {
  if (text.size() == 38 && text.front() == '{' && text.back() == '}') text = text.substr(1, 36);
  if (text.size() != 36) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    const bool dash = i == 8 || i == 13 || i == 18 || i == 23;
    const bool hex = IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
    if (dash ? c != '-' : !hex) return false;
  }
  return true;
}

// ---- Rules ------------------------------------------------------------------------

// An operand of a comparison.
struct Operand {
  enum class Kind { Field, Number, Text, Date, Boolean, Null } Is = Kind::Null;
  std::string Sql;
  std::string Raw;                     // a text literal's value
  ValueKind Values = ValueKind::None;  // a field's
  bool Truth = false;                  // a Boolean literal's
};

class RuleParser {
 public:
  RuleParser(std::vector<Token> tokens, const std::optional<ExpressionField>& self,
             const FieldLookup& fields, Dialect dialect)
      : FTokens(std::move(tokens)), FSelf(self), FFields(fields), FDialect(dialect) {}

  std::string Parse() {
    std::string sql = Or(0);
    if (Peek().Kind != TokenKind::End)
      throw Refused("式の終わりが読めません（" + Peek().Text + "）");
    return sql;
  }

 private:
  const Token& Peek(std::size_t ahead = 0) const {
    return FTokens[std::min(FAt + ahead, FTokens.size() - 1)];
  }
  const Token& Next() {
    const Token& token = Peek();
    if (FAt + 1 < FTokens.size()) ++FAt;
    return token;
  }
  static void Deeper(int depth) {
    if (depth > MaxDepth) throw Refused("式の入れ子が深すぎます");
  }

  // A part of an And or Or: bare when it is one predicate.
  static std::string Part(const std::string& sql, bool compound) {
    return compound ? "(" + sql + ")" : sql;
  }

  std::string Or(int depth) {
    Deeper(depth);
    bool compound = false;
    std::string sql = And(depth + 1, compound);
    while (IsWord(Peek(), "Or")) {
      Next();
      bool rightCompound = false;
      const std::string right = And(depth + 1, rightCompound);
      sql = Part(sql, compound) + " OR " + Part(right, rightCompound);
      compound = true;
    }
    return sql;
  }

  std::string And(int depth, bool& compound) {
    Deeper(depth);
    compound = false;
    std::string sql = Not(depth + 1);
    while (IsWord(Peek(), "And")) {
      Next();
      const std::string right = Not(depth + 1);
      sql = sql + " AND " + right;
      compound = true;
    }
    return sql;
  }

  // Not, a parenthesised rule, or one predicate; never bare And or Or.
  std::string Not(int depth) {
    Deeper(depth);
    // "Not Between", "Not In" and "Not Like" belong to a predicate.
    if (IsWord(Peek(), "Not") && !IsWord(Peek(1), "Between") && !IsWord(Peek(1), "In") &&
        !IsWord(Peek(1), "Like")) {
      Next();
      return "NOT " + Not(depth + 1);
    }
    if (IsSymbol(Peek(), "(")) {
      Next();
      const std::string inner = Or(depth + 1);
      if (!IsSymbol(Next(), ")")) throw Refused("閉じ括弧がありません");
      return "(" + inner + ")";
    }
    return Predicate();
  }

  // True when the token `ahead` starts what follows a comparison's left side.
  bool StartsTail(std::size_t ahead) const {
    const Token& token = Peek(ahead);
    if (token.Kind == TokenKind::Symbol) {
      for (const char* op : {"=", "<>", "<", "<=", ">", ">=", "!="}) {
        if (token.Text == op) return true;
      }
      return false;
    }
    return IsWord(token, "Between") || IsWord(token, "Is") || IsWord(token, "In") ||
           IsWord(token, "Like");
  }

  std::string Predicate() {
    Operand left;
    if (StartsTail(0) || (IsWord(Peek(), "Not") && StartsTail(1))) {
      if (!FSelf) throw Refused("比較の左辺がありません");
      left.Is = Operand::Kind::Field;
      left.Sql = FSelf->Sql;
      left.Values = FSelf->Kind;
    } else {
      left = ReadOperand();
    }
    bool negated = false;
    if (IsWord(Peek(), "Not")) {
      Next();
      negated = true;
      if (!IsWord(Peek(), "Between") && !IsWord(Peek(), "In") && !IsWord(Peek(), "Like")) {
        throw Refused("Not の後が読めません");
      }
    }
    const Token& token = Next();
    const std::string no = negated ? "NOT " : "";
    if (token.Kind == TokenKind::Symbol) {
      if (token.Text == "!=") throw Refused("演算子 != は Access の式ではありません");
      return Compare(left, token.Text, ReadOperand());
    }
    if (IsWord(token, "Between")) {
      const Operand low = ReadOperand();
      if (!IsWord(Next(), "And")) throw Refused("Between の後に And がありません");
      const Operand high = ReadOperand();
      const ValueKind kind = OrderedKind(left, low);
      if (OrderedKind(left, high) != kind) throw Refused("Between の両端の型が合いません");
      return left.Sql + " " + no + "BETWEEN " + low.Sql + " AND " + high.Sql;
    }
    if (IsWord(token, "Is")) {
      bool notNull = false;
      if (IsWord(Peek(), "Not")) {
        Next();
        notNull = true;
      }
      if (!IsWord(Next(), "Null")) throw Refused("Is の後に Null がありません");
      if (left.Is != Operand::Kind::Field)
        throw Refused("Is Null の左辺がフィールドではありません");
      return left.Sql + (notNull ? " IS NOT NULL" : " IS NULL");
    }
    if (IsWord(token, "In")) return In(left, no);
    if (IsWord(token, "Like")) return Like(left, no);
    throw Refused("単純な比較ではありません（" + token.Text + "）");
  }

  Operand ReadOperand() {
    Operand operand;
    const Token& token = Next();
    switch (token.Kind) {
      case TokenKind::Number:
        operand.Is = Operand::Kind::Number;
        operand.Sql = token.Text;
        return operand;
      case TokenKind::Text:
        operand.Is = Operand::Kind::Text;
        operand.Raw = token.Text;
        operand.Sql = QuoteText(token.Text);
        return operand;
      case TokenKind::Date:
        operand.Is = Operand::Kind::Date;
        operand.Sql = DateSql(token.Text);
        return operand;
      case TokenKind::Name:
        return FieldOperand(token.Text);
      case TokenKind::Symbol:
        if ((token.Text == "-" || token.Text == "+") && Peek().Kind == TokenKind::Number) {
          operand.Is = Operand::Kind::Number;
          operand.Sql = (token.Text == "-" ? "-" : "") + Next().Text;
          return operand;
        }
        throw Refused("比較の相手が読めません（" + token.Text + "）");
      case TokenKind::Word:
        if (const std::optional<bool> truth = BooleanWord(token)) {
          operand.Is = Operand::Kind::Boolean;
          operand.Truth = *truth;
          operand.Sql = BooleanSql(*truth, FDialect);
          return operand;
        }
        if (IsWord(token, "Null")) return operand;
        if (IsSymbol(Peek(), "(")) throw Refused("関数 " + token.Text + "() は移行できません");
        return FieldOperand(token.Text);
      case TokenKind::End:
        break;
    }
    throw Refused("式が途中で終わっています");
  }

  Operand FieldOperand(const std::string& name) {
    if (IsSymbol(Peek(), ".") || IsSymbol(Peek(), "!")) {
      throw Refused("ほかのテーブルの [" + name + "] は参照できません");
    }
    const std::optional<ExpressionField> field = FFields ? FFields(name) : std::nullopt;
    if (!field) throw Refused("[" + name + "] はこのテーブルのフィールドではありません");
    if (IsSymbol(Peek(), "+") || IsSymbol(Peek(), "-") || IsSymbol(Peek(), "*") ||
        IsSymbol(Peek(), "/") || IsSymbol(Peek(), "&")) {
      throw Refused("計算式は移行できません");
    }
    Operand operand;
    operand.Is = Operand::Kind::Field;
    operand.Sql = field->Sql;
    operand.Values = field->Kind;
    return operand;
  }

  // The kind two operands are compared as, where at least one is a field.
  static ValueKind CommonKind(const Operand& a, const Operand& b) {
    if (a.Is == Operand::Kind::Null || b.Is == Operand::Kind::Null) {
      throw Refused("Null との比較は移行できません");
    }
    if (a.Is != Operand::Kind::Field && b.Is != Operand::Kind::Field) {
      throw Refused("フィールドを含まない比較です");
    }
    const Operand& field = a.Is == Operand::Kind::Field ? a : b;
    const Operand& other = a.Is == Operand::Kind::Field ? b : a;
    const ValueKind kind = field.Values;
    const bool fits = other.Is == Operand::Kind::Field ? other.Values == kind
                      : kind == ValueKind::Number      ? other.Is == Operand::Kind::Number
                      : kind == ValueKind::Date        ? other.Is == Operand::Kind::Date
                      : kind == ValueKind::Text        ? other.Is == Operand::Kind::Text
                      : kind == ValueKind::Boolean     ? other.Is == Operand::Kind::Boolean ||
                                                         (other.Is == Operand::Kind::Number &&
                                                          (other.Sql == "0" || other.Sql == "-1"))
                                                   : false;
    if (!fits || kind == ValueKind::Guid || kind == ValueKind::Binary || kind == ValueKind::None) {
      throw Refused("型の合わない比較です");
    }
    return kind;
  }

  // For Between and ordering: numbers and dates only.
  static ValueKind OrderedKind(const Operand& a, const Operand& b) {
    const ValueKind kind = CommonKind(a, b);
    if (kind == ValueKind::Text)
      throw Refused("文字列の大小比較は移行できません（照合順序が違います）");
    if (kind == ValueKind::Boolean) throw Refused("Yes/No の大小比較は移行できません");
    return kind;
  }

  // A Boolean operand as the server writes it (Access's -1 and 0 included).
  std::string BooleanOperand(const Operand& operand) const {
    if (operand.Is == Operand::Kind::Number) return BooleanSql(operand.Sql == "-1", FDialect);
    return operand.Sql;
  }

  // A text operand compared without regard to ASCII case.
  static std::string Folded(const Operand& operand) {
    if (operand.Is == Operand::Kind::Field) return "lower(" + operand.Sql + ")";
    return QuoteText(AsciiLower(operand.Raw));
  }

  std::string Compare(const Operand& left, const std::string& op, const Operand& right) {
    if (op != "=" && op != "<>") {
      OrderedKind(left, right);
      return left.Sql + " " + op + " " + right.Sql;
    }
    const ValueKind kind = CommonKind(left, right);
    if (kind == ValueKind::Boolean) {
      return BooleanOperand(left) + " " + op + " " + BooleanOperand(right);
    }
    if (kind == ValueKind::Text) {
      for (const Operand* side : {&left, &right}) {
        if (HasFoldingBeyondAscii(side->Raw)) {
          throw Refused("大文字と小文字を同じに扱う比較を移行できない文字があります");
        }
      }
      const bool fold = left.Is == Operand::Kind::Field && right.Is == Operand::Kind::Field
                            ? true
                            : HasAsciiLetter(left.Raw + right.Raw);
      if (fold) return Folded(left) + " " + op + " " + Folded(right);
    }
    return left.Sql + " " + op + " " + right.Sql;
  }

  std::string In(const Operand& field, const std::string& no) {
    if (field.Is != Operand::Kind::Field) throw Refused("In の左辺がフィールドではありません");
    if (!IsSymbol(Next(), "(")) throw Refused("In の後に括弧がありません");
    std::vector<Operand> items;
    bool fold = false;
    for (;;) {
      items.push_back(ReadOperand());
      const Operand& item = items.back();
      const ValueKind kind = CommonKind(field, item);
      if (item.Is == Operand::Kind::Field) throw Refused("In の中にフィールドがあります");
      if (kind == ValueKind::Text) {
        if (HasFoldingBeyondAscii(item.Raw)) {
          throw Refused("大文字と小文字を同じに扱う比較を移行できない文字があります");
        }
        fold = fold || HasAsciiLetter(item.Raw);
      }
      const Token& separator = Next();
      if (IsSymbol(separator, ")")) break;
      if (!IsSymbol(separator, ",")) throw Refused("In の一覧が読めません");
    }
    std::string sql = (fold ? Folded(field) : field.Sql) + " " + no + "IN (";
    for (std::size_t i = 0; i < items.size(); ++i) {
      if (i > 0) sql += ", ";
      sql += field.Values == ValueKind::Boolean ? BooleanOperand(items[i])
             : fold                             ? Folded(items[i])
                                                : items[i].Sql;
    }
    return sql + ")";
  }

  std::string Like(const Operand& field, const std::string& no) {
    const Operand pattern = ReadOperand();
    if (field.Is != Operand::Kind::Field || field.Values != ValueKind::Text ||
        pattern.Is != Operand::Kind::Text) {
      throw Refused("Like はテキストのフィールドと文字列の比較だけ移行できます");
    }
    if (HasFoldingBeyondAscii(pattern.Raw)) {
      throw Refused("大文字と小文字を同じに扱う比較を移行できない文字があります");
    }
    const std::optional<std::vector<LikePart>> parts = LikeParts(pattern.Raw);
    if (!parts) throw Refused("Like のパターン " + pattern.Sql + " は移行できません");
    const bool simple = std::all_of(parts->begin(), parts->end(), [](const LikePart& part) {
      return part.Is != LikePart::Kind::Digit && part.Is != LikePart::Kind::Class;
    });
    // Access compares without regard to case: ILIKE and ~* on PostgreSQL;
    // SQLite's LIKE folds ASCII itself, its GLOB is given folded text.
    if (FDialect == Dialect::PostgreSql) {
      return simple ? field.Sql + " " + no + "ILIKE " + QuoteText(LikeText(*parts, true))
                    : field.Sql + (no.empty() ? " ~* " : " !~* ") + QuoteText(Regex(*parts));
    }
    if (!simple) return "lower(" + field.Sql + ") " + no + "GLOB " + QuoteText(Glob(*parts));
    const bool escaped = NeedsSqliteEscape(*parts);
    const std::string like = LikeText(*parts, escaped);
    return field.Sql + " " + no + "LIKE " + QuoteText(like) + (escaped ? " ESCAPE '\\'" : "");
  }

  std::vector<Token> FTokens;
  std::size_t FAt = 0;
  const std::optional<ExpressionField>& FSelf;
  const FieldLookup& FFields;
  Dialect FDialect;
};

// ---- Defaults -------------------------------------------------------------------

std::string DefaultSql(const std::vector<Token>& tokens, ValueKind kind, Dialect dialect) {
  std::size_t at = 0;
  std::string sign;
  if (IsSymbol(tokens[at], "-") || IsSymbol(tokens[at], "+")) {
    sign = tokens[at].Text == "-" ? "-" : "";
    ++at;
    if (tokens[at].Kind != TokenKind::Number) throw Refused("式は移行できません");
  }
  const Token& token = tokens[at];
  const bool call =
      IsSymbol(tokens[at + 1], "(") && at + 2 < tokens.size() && IsSymbol(tokens[at + 2], ")");
  const std::size_t end = call ? at + 3 : at + 1;
  if (end >= tokens.size() || tokens[end].Kind != TokenKind::End) {
    throw Refused("定数でも Now()、Date() でもない式は移行できません");
  }
  const Refused mismatch("既定値の型がフィールドの型と合いません");
  if (call) {
    if (kind == ValueKind::Date && IsWord(token, "Now")) {
      return dialect == Dialect::PostgreSql ? "LOCALTIMESTAMP(0)"
                                            : "(datetime('now', 'localtime'))";
    }
    if (kind == ValueKind::Date && IsWord(token, "Date")) {
      return dialect == Dialect::PostgreSql ? "CURRENT_DATE" : "(date('now', 'localtime'))";
    }
    if (kind == ValueKind::Guid && IsWord(token, "GenGUID")) {
      if (dialect == Dialect::PostgreSql) return "gen_random_uuid()";
      throw Refused("SQLite には GUID を作る関数がありません");
    }
    throw Refused("関数 " + token.Text + "() は移行できません");
  }
  switch (token.Kind) {
    case TokenKind::Number:
      if (kind == ValueKind::Number) return sign + token.Text;
      if (kind == ValueKind::Text) return QuoteText(sign + token.Text);
      if (kind == ValueKind::Boolean && (sign + token.Text == "0" || sign + token.Text == "-1")) {
        return BooleanSql(sign == "-", dialect);
      }
      throw mismatch;
    case TokenKind::Text:
      if (kind == ValueKind::Text) return QuoteText(token.Text);
      if (kind == ValueKind::Guid && IsGuidText(token.Text)) return QuoteText(token.Text);
      if (kind == ValueKind::Number) {
        const std::vector<Token> inner = Tokenize(token.Text);
        if (inner.size() == 2 && inner[0].Kind == TokenKind::Number) return inner[0].Text;
      }
      throw mismatch;
    case TokenKind::Date:
      if (kind == ValueKind::Date) return DateSql(token.Text);
      throw mismatch;
    case TokenKind::Word:
      if (IsWord(token, "Null")) return "";
      if (const std::optional<bool> truth = BooleanWord(token)) {
        if (kind == ValueKind::Boolean) return BooleanSql(*truth, dialect);
        if (kind == ValueKind::Number) return *truth ? "-1" : "0";
        throw mismatch;
      }
      break;
    default:
      break;
  }
  throw Refused("定数でも Now()、Date() でもない式は移行できません");
}

template <class F>
Translation Translated(F&& translate) {
  try {
    return {translate(), ""};
  } catch (const Refused& e) {
    return {"", e.what()};
  }
}

// The expression without surrounding blanks.
std::string_view Trimmed(std::string_view text) {
  auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

}  // namespace

Translation TranslateDefault(std::string_view expression, ValueKind kind, Dialect dialect) {
  return Translated([&] {
    // Access writes defaults as expressions, often after "=".
    std::string_view text = Trimmed(expression);
    if (!text.empty() && text.front() == '=') text = Trimmed(text.substr(1));
    if (text.empty()) return std::string();
    return DefaultSql(Tokenize(text), kind, dialect);
  });
}

Translation TranslateRule(std::string_view rule, const std::optional<ExpressionField>& self,
                          const FieldLookup& fields, Dialect dialect) {
  return Translated([&] {
    const std::string_view text = Trimmed(rule);
    if (text.empty()) return std::string();
    return RuleParser(Tokenize(text), self, fields, dialect).Parse();
  });
}

}  // namespace tabulon::migrate
