#include <migrate/SelectText.h>

#include <migrate/AccessTokens.h>

namespace tabulon::migrate {

namespace {

using namespace dao::query_part;

// Bounds on what a text may hold.
constexpr std::size_t MaxSelects = 64;

class Reader {
 public:
  Reader(std::string_view text, std::vector<Token> tokens)
      : FText(text), FTokens(std::move(tokens)) {}

  UnionText Read() {
    UnionText out;
    for (;;) {
      out.Selects.push_back(ReadSelect());
      if (out.Selects.size() > MaxSelects) throw Refused("ユニオンの部分が多すぎます");
      if (IsSymbol(Peek(), ";")) Next();
      if (Peek().Kind == TokenKind::End) return out;
      if (!IsWord(Next(), "UNION"))
        throw Refused("ユニオンの SQL が読めません（" + Peek().Text + "）");
      const bool all = IsWord(Peek(), "ALL");
      if (all) Next();
      out.All.push_back(all);
    }
  }

 private:
  const Token& Peek() const { return FTokens[std::min(FAt, FTokens.size() - 1)]; }
  const Token& Next() {
    const Token& token = Peek();
    if (FAt + 1 < FTokens.size()) ++FAt;
    return token;
  }

  // Where a clause ends: the next of `words` outside parentheses, UNION,
  // ";" or the end.
  std::size_t EndOf(std::initializer_list<const char*> words) const {
    int depth = 0;
    for (std::size_t i = FAt; i < FTokens.size(); ++i) {
      const Token& token = FTokens[i];
      if (token.Kind == TokenKind::End) return i;
      if (IsSymbol(token, "(")) ++depth;
      if (IsSymbol(token, ")")) --depth;
      if (depth != 0) continue;
      if (IsSymbol(token, ";") || IsWord(token, "UNION")) return i;
      for (const char* word : words) {
        if (IsWord(token, word)) return i;
      }
    }
    return FTokens.size() - 1;
  }

  // The text of tokens [from, to).
  std::string Slice(std::size_t from, std::size_t to) const {
    const std::size_t start = FTokens[from].At;
    const std::size_t end = FTokens[to].At;
    std::string text(FText.substr(start, end - start));
    while (!text.empty() && (text.back() == ' ' || text.back() == '\r' || text.back() == '\n' ||
                             text.back() == '\t')) {
      text.pop_back();
    }
    return text;
  }

  // The items of [FAt, end) split at top-level commas, as token ranges.
  std::vector<std::pair<std::size_t, std::size_t>> Items(std::size_t end) {
    std::vector<std::pair<std::size_t, std::size_t>> items;
    std::size_t start = FAt;
    int depth = 0;
    for (std::size_t i = FAt; i < end; ++i) {
      if (IsSymbol(FTokens[i], "(")) ++depth;
      if (IsSymbol(FTokens[i], ")")) --depth;
      if (depth == 0 && IsSymbol(FTokens[i], ",")) {
        items.push_back({start, i});
        start = i + 1;
      }
    }
    if (start >= end) throw Refused("一覧の項目がありません");
    items.push_back({start, end});
    FAt = end;
    return items;
  }

  static bool IsNameToken(const Token& token) {
    return token.Kind == TokenKind::Name || token.Kind == TokenKind::Word;
  }

  std::vector<dao::QueryPart> ReadSelect() {
    std::vector<dao::QueryPart> parts;
    if (!IsWord(Next(), "SELECT")) throw Refused("SELECT で始まらない部分があります");
    if (IsWord(Peek(), "DISTINCT")) {
      Next();
      parts.push_back({Flags, "", "", "", SelectDistinct, 0});
    } else if (IsWord(Peek(), "ALL")) {
      Next();
    }
    if (IsWord(Peek(), "DISTINCTROW") || IsWord(Peek(), "TOP")) {
      throw Refused("ユニオンの部分の " + Peek().Text + " は移行できません");
    }
    for (const auto& [from, to] : Items(EndOf({"FROM"}))) {
      std::size_t end = to;
      std::string alias;
      if (to - from >= 3 && IsWord(FTokens[to - 2], "AS") && IsNameToken(FTokens[to - 1])) {
        alias = FTokens[to - 1].Text;
        end = to - 2;
      }
      parts.push_back({Column, alias, "", Slice(from, end), 0, 0});
    }
    if (!IsWord(Next(), "FROM")) throw Refused("FROM のない部分は移行できません");
    for (const auto& [from, to] : Items(EndOf({"WHERE", "GROUP", "HAVING", "ORDER"}))) {
      ReadSources(from, to, parts);
    }
    if (IsWord(Peek(), "WHERE")) {
      Next();
      const std::size_t start = FAt;
      FAt = EndOf({"GROUP", "HAVING", "ORDER"});
      parts.push_back({Where, "", "", Slice(start, FAt), 0, 0});
    }
    if (IsWord(Peek(), "GROUP")) {
      Next();
      if (!IsWord(Next(), "BY")) throw Refused("GROUP の後に BY がありません");
      for (const auto& [from, to] : Items(EndOf({"HAVING", "ORDER"}))) {
        parts.push_back({GroupBy, "", "", Slice(from, to), 0, 0});
      }
    }
    if (IsWord(Peek(), "HAVING")) {
      Next();
      const std::size_t start = FAt;
      FAt = EndOf({"ORDER"});
      parts.push_back({Having, "", "", Slice(start, FAt), 0, 0});
    }
    if (IsWord(Peek(), "ORDER")) {
      Next();
      if (!IsWord(Next(), "BY")) throw Refused("ORDER の後に BY がありません");
      for (const auto& [from, to] : Items(EndOf({}))) {
        std::size_t end = to;
        std::string direction;
        if (IsWord(FTokens[to - 1], "DESC") || IsWord(FTokens[to - 1], "ASC")) {
          direction = IsWord(FTokens[to - 1], "DESC") ? "D" : "";
          --end;
        }
        parts.push_back({OrderBy, direction, "", Slice(from, end), 0, 0});
      }
    }
    return parts;
  }

  // One FROM item: a table [AS alias], then its joins.
  void ReadSources(std::size_t from, std::size_t to, std::vector<dao::QueryPart>& parts) {
    std::size_t at = from;
    const auto source = [&]() -> std::string {
      if (at >= to || !IsNameToken(FTokens[at])) {
        throw Refused("FROM のテーブルが読めません（入れ子の結合やサブクエリは移行できません）");
      }
      const std::string name = FTokens[at++].Text;
      std::string alias;
      if (at < to && IsWord(FTokens[at], "AS")) ++at;
      if (at < to && IsNameToken(FTokens[at]) && !IsWord(FTokens[at], "INNER") &&
          !IsWord(FTokens[at], "LEFT") && !IsWord(FTokens[at], "RIGHT") &&
          !IsWord(FTokens[at], "ON")) {
        alias = FTokens[at++].Text;
      }
      parts.push_back({Table, name, alias, "", 0, 0});
      return alias.empty() ? name : alias;
    };
    std::string left = source();
    while (at < to) {
      std::int32_t type = 0;
      if (IsWord(FTokens[at], "INNER")) type = 1;
      if (IsWord(FTokens[at], "LEFT")) type = 2;
      if (IsWord(FTokens[at], "RIGHT")) type = 3;
      if (type == 0) throw Refused("FROM の結合が読めません（" + FTokens[at].Text + "）");
      ++at;
      if (at < to && IsWord(FTokens[at], "OUTER")) ++at;
      if (at >= to || !IsWord(FTokens[at], "JOIN")) throw Refused("JOIN がありません");
      ++at;
      const std::string right = source();
      if (at >= to || !IsWord(FTokens[at], "ON")) throw Refused("結合に ON がありません");
      const std::size_t start = ++at;
      while (at < to && !IsWord(FTokens[at], "INNER") && !IsWord(FTokens[at], "LEFT") &&
             !IsWord(FTokens[at], "RIGHT")) {
        ++at;
      }
      parts.push_back({Join, left, right, Slice(start, at), type, 0});
      left = right;
    }
  }

  std::string_view FText;
  std::vector<Token> FTokens;
  std::size_t FAt = 0;
};

}  // namespace

UnionText ReadUnionText(std::string_view text) { return Reader(text, Tokenize(text)).Read(); }

}  // namespace tabulon::migrate
