#include <migrate/AccessTokens.h>

#include <algorithm>
#include <array>
#include <cstdio>

#include <text/TextCompare.h>
#include <text/Utf8.h>

namespace tabulon::migrate {

// ---- Tokens --------------------------------------------------------------------

namespace {
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

}  // namespace

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
    token.At = at;
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
  tokens.push_back({TokenKind::End, "", text.size()});
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

namespace {

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

}  // namespace

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

namespace {

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
                                                                        : AsciiLower(part.Text);
        break;
      case LikePart::Kind::Class: {
        std::string items = AsciiLower(part.Text);
        if (items.front() == '^') items = items.substr(1) + "^";
        out += (part.Negated ? "[^" : "[") + items + "]";
        break;
      }
    }
  }
  return out;
}

}  // namespace

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

std::string LikeSql(const std::string& value, std::string_view pattern, bool negated,
                    Dialect dialect) {
  const std::optional<std::vector<LikePart>> parts = LikeParts(pattern);
  if (!parts) {
    throw Refused("Like のパターン " + QuoteText(std::string(pattern)) + " は移行できません");
  }
  const bool simple = std::all_of(parts->begin(), parts->end(), [](const LikePart& part) {
    return part.Is != LikePart::Kind::Digit && part.Is != LikePart::Kind::Class;
  });
  const std::string no = negated ? "NOT " : "";
  if (dialect == Dialect::PostgreSql) {
    return simple ? value + " " + no + "ILIKE " + QuoteText(LikeText(*parts, true))
                  : value + (negated ? " !~* " : " ~* ") + QuoteText(Regex(*parts));
  }
  if (!simple) return "lower(" + value + ") " + no + "GLOB " + QuoteText(Glob(*parts));
  const bool escaped = NeedsSqliteEscape(*parts);
  const std::string like = LikeText(*parts, escaped);
  return value + " " + no + "LIKE " + QuoteText(like) + (escaped ? " ESCAPE '\\'" : "");
}

}  // namespace tabulon::migrate
