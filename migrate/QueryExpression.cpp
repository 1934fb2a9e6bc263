#include <migrate/QueryExpression.h>

#include <tuple>
#include <vector>

#include <migrate/AccessTokens.h>
#include <text/TextCompare.h>

namespace tabulon::migrate {

namespace {

using Value = QueryValue;

Value Make(std::string sql, ValueKind kind, bool integer = false) {
  Value value;
  value.Sql = std::move(sql);
  value.Kind = kind;
  value.Integer = integer;
  return value;
}

bool IsNull(const Value& value) { return value.Kind == ValueKind::None; }

// The aggregate flag of a value made of `parts`.
Value Combined(Value value, std::initializer_list<const Value*> parts) {
  for (const Value* part : parts) value.Aggregate = value.Aggregate || part->Aggregate;
  return value;
}

class QueryParser : TokenCursor {
 public:
  QueryParser(std::vector<Token> tokens, const QueryNames& names, Dialect dialect)
      : TokenCursor(std::move(tokens)), FNames(names), FDialect(dialect) {}

  Value Parse() {
    Value value = Or(0);
    if (Peek().Kind != TokenKind::End) {
      throw Refused("式の終わりが読めません（" + Peek().Text + "）");
    }
    return value;
  }

 private:
  bool Sqlite() const { return FDialect == Dialect::Sqlite; }

  void Expect(std::string_view symbol, std::string_view what) {
    if (!IsSymbol(Next(), symbol)) throw Refused(std::string(what) + "がありません");
  }
  // The depth grows with each parenthesis, call, Not and sign, which is
  // where the parser recurses into itself.
  static void Deeper(int depth) {
    if (depth > MaxExpressionDepth) throw Refused("式の入れ子が深すぎます");
  }

  static void RequireTruth(const Value& value, std::string_view op) {
    if (value.Kind != ValueKind::Boolean && !IsNull(value)) {
      throw Refused(std::string(op) + " の両辺が条件ではありません");
    }
  }

  // ---- Logic -------------------------------------------------------------------

  Value Or(int depth) {
    Deeper(depth);
    Value left = And(depth);
    for (;;) {
      for (const char* word : {"Xor", "Eqv", "Imp"}) {
        if (IsWord(Peek(), word)) throw Refused("演算子 " + Peek().Text + " は移行できません");
      }
      if (!IsWord(Peek(), "Or")) return left;
      Next();
      const Value right = And(depth);
      RequireTruth(left, "Or");
      RequireTruth(right, "Or");
      left = Combined(Make("(" + left.Sql + " OR " + right.Sql + ")", ValueKind::Boolean),
                      {&left, &right});
    }
  }

  Value And(int depth) {
    Deeper(depth);
    Value left = Not(depth);
    while (IsWord(Peek(), "And")) {
      Next();
      const Value right = Not(depth);
      RequireTruth(left, "And");
      RequireTruth(right, "And");
      left = Combined(Make("(" + left.Sql + " AND " + right.Sql + ")", ValueKind::Boolean),
                      {&left, &right});
    }
    return left;
  }

  Value Not(int depth) {
    Deeper(depth);
    if (!IsWord(Peek(), "Not")) return Comparison(depth);
    Next();
    const Value inner = Not(depth + 1);
    RequireTruth(inner, "Not");
    return Combined(Make("(NOT " + inner.Sql + ")", ValueKind::Boolean), {&inner});
  }

  // ---- Comparisons ------------------------------------------------------------

  bool AtComparison() const {
    const Token& token = Peek();
    if (token.Kind == TokenKind::Symbol) {
      for (const char* op : {"=", "<>", "<", "<=", ">", ">="}) {
        if (token.Text == op) return true;
      }
      return false;
    }
    return IsWord(token, "Between") || IsWord(token, "Is") || IsWord(token, "In") ||
           IsWord(token, "Like") ||
           (IsWord(token, "Not") &&
            (IsWord(Peek(1), "Between") || IsWord(Peek(1), "In") || IsWord(Peek(1), "Like")));
  }

  Value Comparison(int depth) {
    Value left = Concatenation(depth);
    if (!AtComparison()) return left;
    bool negated = false;
    if (IsWord(Peek(), "Not")) {
      Next();
      negated = true;
    }
    const Token op = Next();
    const std::string no = negated ? "NOT " : "";
    Value result;
    if (op.Kind == TokenKind::Symbol) {
      const Value right = Concatenation(depth);
      result = Compare(left, op.Text, right);
      result = Combined(result, {&left, &right});
    } else if (IsWord(op, "Between")) {
      const Value low = Concatenation(depth);
      if (!IsWord(Next(), "And")) throw Refused("Between の後に And がありません");
      const Value high = Concatenation(depth);
      Ordered(left, low);
      Ordered(left, high);
      result = Make("(" + AsCompared(left) + " " + no + "BETWEEN " + AsCompared(low) + " AND " +
                        AsCompared(high) + ")",
                    ValueKind::Boolean);
      result = Combined(result, {&left, &low, &high});
    } else if (IsWord(op, "Is")) {
      bool notNull = false;
      if (IsWord(Peek(), "Not")) {
        Next();
        notNull = true;
      }
      if (!IsWord(Next(), "Null")) throw Refused("Is の後に Null がありません");
      result = Combined(
          Make("(" + left.Sql + (notNull ? " IS NOT NULL)" : " IS NULL)"), ValueKind::Boolean),
          {&left});
    } else if (IsWord(op, "In")) {
      result = In(left, no, depth);
    } else {  // Like
      const Token& pattern = Next();
      if (pattern.Kind != TokenKind::Text || left.Kind != ValueKind::Text) {
        throw Refused("Like はテキストと文字列のパターンの比較だけ移行できます");
      }
      if (HasFoldingBeyondAscii(pattern.Text)) {
        throw Refused("大文字と小文字を同じに扱う比較を移行できない文字があります");
      }
      result = Combined(
          Make("(" + LikeSql(left.Sql, pattern.Text, negated, FDialect) + ")", ValueKind::Boolean),
          {&left});
    }
    if (AtComparison()) throw Refused("比較が続けて書かれています");
    return result;
  }

  // The value as a comparison reads it: SQLite's text numbers as numbers.
  static std::string AsCompared(const Value& value) {
    return value.TextNumber ? "CAST(" + value.Sql + " AS REAL)" : value.Sql;
  }

  // Text compared without regard to ASCII case, as Access compares it.
  static std::string Folded(const Value& value) {
    if (HasFoldingBeyondAscii(value.Sql) && value.Literal) {
      throw Refused("大文字と小文字を同じに扱う比較を移行できない文字があります");
    }
    return value.Literal ? AsciiLower(value.Sql) : "lower(" + value.Sql + ")";
  }

  static void SameKind(const Value& a, const Value& b) {
    if (IsNull(a) || IsNull(b)) return;
    if (a.Kind != b.Kind || a.Kind == ValueKind::Guid || a.Kind == ValueKind::Binary) {
      throw Refused("型の合わない比較です");
    }
  }

  static void Ordered(const Value& a, const Value& b) {
    SameKind(a, b);
    const ValueKind kind = IsNull(a) ? b.Kind : a.Kind;
    if (kind == ValueKind::Text) {
      throw Refused("文字列の大小比較は移行できません（照合順序が違います）");
    }
    if (kind == ValueKind::Boolean) throw Refused("Yes/No の大小比較は移行できません");
  }

  // Access's -1 and 0 next to a Yes/No value are True and False.
  Value AsTruth(const Value& value, const Value& other) const {
    if (other.Kind == ValueKind::Boolean && value.Kind == ValueKind::Number && value.Literal &&
        (value.Sql == "-1" || value.Sql == "0")) {
      return Make(BooleanSql(value.Sql == "-1", FDialect), ValueKind::Boolean);
    }
    return value;
  }

  Value Compare(const Value& leftIn, const std::string& op, const Value& rightIn) const {
    const Value left = AsTruth(leftIn, rightIn);
    const Value right = AsTruth(rightIn, leftIn);
    if (op != "=" && op != "<>") {
      Ordered(left, right);
      return Make("(" + AsCompared(left) + " " + op + " " + AsCompared(right) + ")",
                  ValueKind::Boolean);
    }
    SameKind(left, right);
    if (left.Kind == ValueKind::Text && right.Kind == ValueKind::Text) {
      return Make("(" + Folded(left) + " " + op + " " + Folded(right) + ")", ValueKind::Boolean);
    }
    return Make("(" + AsCompared(left) + " " + op + " " + AsCompared(right) + ")",
                ValueKind::Boolean);
  }

  Value In(const Value& left, const std::string& no, int depth) {
    Expect("(", "In の後の括弧");
    std::vector<Value> items;
    for (;;) {
      items.push_back(Concatenation(depth));
      SameKind(left, items.back());
      if (!items.back().Literal) throw Refused("In の一覧に定数でない値があります");
      const Token& separator = Next();
      if (IsSymbol(separator, ")")) break;
      if (!IsSymbol(separator, ",")) throw Refused("In の一覧が読めません");
    }
    const bool text = left.Kind == ValueKind::Text;
    std::string sql = "(" + (text ? Folded(left) : AsCompared(left)) + " " + no + "IN (";
    for (std::size_t i = 0; i < items.size(); ++i) {
      if (i > 0) sql += ", ";
      const Value item = AsTruth(items[i], left);
      sql += text ? Folded(item) : item.Sql;
    }
    return Combined(Make(sql + "))", ValueKind::Boolean), {&left});
  }

  // ---- Arithmetic and text ------------------------------------------------------

  // `&`: text joined, a Null taken as empty; all Null gives Null.
  Value Concatenation(int depth) {
    Deeper(depth);
    Value first = Additive(depth);
    if (!IsSymbol(Peek(), "&")) return first;
    std::vector<Value> parts{first};
    while (IsSymbol(Peek(), "&")) {
      Next();
      parts.push_back(Additive(depth));
    }
    std::vector<std::string> texts;
    std::string allNull;
    bool neverNull = false;
    Value result = Make("", ValueKind::Text);
    for (const Value& part : parts) {
      result.Aggregate = result.Aggregate || part.Aggregate;
      if (IsNull(part)) continue;
      std::string text;
      if (part.Kind == ValueKind::Text) {
        text = part.Sql;
      } else if (part.Kind == ValueKind::Number && part.Integer && !part.TextNumber) {
        text = "CAST(" + part.Sql + " AS " + (Sqlite() ? "TEXT" : "text") + ")";
      } else {
        throw Refused(
            "& で文字列にする値が整数でもテキストでもありません（書式が Access と違います）");
      }
      neverNull = neverNull || part.Literal;
      allNull += (allNull.empty() ? "" : " AND ") + part.Sql + " IS NULL";
      texts.push_back(Sqlite() ? "coalesce(" + text + ", '')" : text);
    }
    if (texts.empty()) return Make("NULL", ValueKind::None);
    std::string joined;
    if (Sqlite()) {
      for (std::size_t i = 0; i < texts.size(); ++i) joined += (i > 0 ? " || " : "") + texts[i];
    } else {
      joined = "concat(";
      for (std::size_t i = 0; i < texts.size(); ++i) joined += (i > 0 ? ", " : "") + texts[i];
      joined += ")";
    }
    result.Sql = neverNull ? "(" + joined + ")"
                           : "(CASE WHEN " + allNull + " THEN NULL ELSE " + joined + " END)";
    return result;
  }

  static void Computable(const Value& value, std::string_view op) {
    if (value.TextNumber) {
      throw Refused("SQLite では通貨型・十進型の値で計算すると正確になりません（" +
                    std::string(op) + "）");
    }
  }

  Value Additive(int depth) {
    Deeper(depth);
    Value left = Modulo(depth);
    while (IsSymbol(Peek(), "+") || IsSymbol(Peek(), "-")) {
      const std::string op = Next().Text;
      const Value right = Modulo(depth);
      Value result;
      if (op == "+" && left.Kind == ValueKind::Text && right.Kind == ValueKind::Text) {
        // Text + text: Null when either is, as Access's +.
        result = Make("(" + left.Sql + " || " + right.Sql + ")", ValueKind::Text);
      } else {
        result = Arithmetic(left, op, right);
      }
      left = Combined(result, {&left, &right});
    }
    return left;
  }

  Value Arithmetic(const Value& left, const std::string& op, const Value& right) const {
    for (const Value* side : {&left, &right}) {
      if (side->Kind != ValueKind::Number && !IsNull(*side)) {
        throw Refused("演算子 " + op + " の相手が数値ではありません");
      }
      Computable(*side, op);
    }
    const bool integer = left.Integer && right.Integer;
    if (op == "/") {
      // Access divides as floating point, whole numbers too.
      return Make("(CAST(" + left.Sql + " AS " + (Sqlite() ? "REAL" : "double precision") + ") / " +
                      right.Sql + ")",
                  ValueKind::Number);
    }
    if (op == "\\" || op == "Mod") {
      if (!integer)
        throw Refused("演算子 " + op + " は整数どうしでだけ移行できます（Access は丸めます）");
      if (op == "\\")
        return Make("(" + left.Sql + " / " + right.Sql + ")", ValueKind::Number, true);
      return Make(Sqlite() ? "(" + left.Sql + " % " + right.Sql + ")"
                           : "mod(" + left.Sql + ", " + right.Sql + ")",
                  ValueKind::Number, true);
    }
    return Make("(" + left.Sql + " " + op + " " + right.Sql + ")", ValueKind::Number, integer);
  }

  Value Modulo(int depth) {
    Deeper(depth);
    Value left = IntegerDivision(depth);
    while (IsWord(Peek(), "Mod")) {
      Next();
      const Value right = IntegerDivision(depth);
      left = Combined(Arithmetic(left, "Mod", right), {&left, &right});
    }
    return left;
  }

  Value IntegerDivision(int depth) {
    Deeper(depth);
    Value left = Multiplicative(depth);
    while (IsSymbol(Peek(), "\\")) {
      Next();
      const Value right = Multiplicative(depth);
      left = Combined(Arithmetic(left, "\\", right), {&left, &right});
    }
    return left;
  }

  Value Multiplicative(int depth) {
    Deeper(depth);
    Value left = Unary(depth + 1);
    while (IsSymbol(Peek(), "*") || IsSymbol(Peek(), "/")) {
      const std::string op = Next().Text;
      const Value right = Unary(depth + 1);
      left = Combined(Arithmetic(left, op, right), {&left, &right});
    }
    return left;
  }

  Value Unary(int depth) {
    Deeper(depth);
    if (IsSymbol(Peek(), "-") || IsSymbol(Peek(), "+")) {
      const bool minus = Next().Text == "-";
      Value inner = Unary(depth + 1);
      if (inner.Kind != ValueKind::Number) throw Refused("符号の後が数値ではありません");
      Computable(inner, minus ? "-" : "+");
      if (!minus) return inner;
      inner.Sql = inner.Literal ? "-" + inner.Sql : "(-" + inner.Sql + ")";
      return inner;
    }
    Value value = Primary(depth);
    if (IsSymbol(Peek(), "^")) throw Refused("べき乗（^）は移行できません");
    return value;
  }

  // ---- Operands ------------------------------------------------------------------

  Value Primary(int depth) {
    Deeper(depth);
    const Token token = Next();
    switch (token.Kind) {
      case TokenKind::Number: {
        Value value = Make(token.Text, ValueKind::Number,
                           token.Text.find_first_of(".eE") == std::string::npos);
        value.Literal = true;
        return value;
      }
      case TokenKind::Text: {
        Value value = Make(QuoteText(token.Text), ValueKind::Text);
        value.Literal = true;
        return value;
      }
      case TokenKind::Date: {
        Value value = Make(DateSql(token.Text), ValueKind::Date);
        if (!Sqlite()) value.Sql = "TIMESTAMP " + value.Sql;
        value.Literal = true;
        return value;
      }
      case TokenKind::Name:
        return Named(token.Text);
      case TokenKind::Symbol:
        if (token.Text == "(") {
          Value inner = Or(depth + 1);
          Expect(")", "閉じ括弧");
          if (inner.Sql.front() != '(') inner.Sql = "(" + inner.Sql + ")";
          return inner;
        }
        throw Refused("式が読めません（" + token.Text + "）");
      case TokenKind::Word: {
        if (const std::optional<bool> truth = BooleanWord(token)) {
          Value value = Make(BooleanSql(*truth, FDialect), ValueKind::Boolean);
          value.Literal = true;
          return value;
        }
        if (IsWord(token, "Null")) return Make("NULL", ValueKind::None);
        if (IsSymbol(Peek(), "(")) return Call(token.Text, depth);
        return Named(token.Text);
      }
      case TokenKind::End:
        break;
    }
    throw Refused("式が途中で終わっています");
  }

  Value Named(const std::string& first) {
    std::vector<std::string> parts{first};
    while (IsSymbol(Peek(), ".") || IsSymbol(Peek(), "!")) {
      Next();
      const Token& next = Next();
      if (next.Kind != TokenKind::Name && next.Kind != TokenKind::Word) {
        throw Refused("[" + first + "] の後の名前が読めません");
      }
      parts.push_back(next.Text);
    }
    for (const char* owner : {"Forms", "Reports", "Screen", "TempVars"}) {
      if (EqualsNoCase(parts.front(), owner) && parts.size() > 1) {
        throw Refused("フォームやレポートの値 [" + parts.front() + "]![" + parts[1] +
                      "] を参照しています");
      }
    }
    if (parts.size() > 2) throw Refused("名前 [" + first + "] の区切りが多すぎます");
    const std::string source = parts.size() == 2 ? parts[0] : "";
    const std::string& name = parts.back();
    const std::optional<QueryField> field = FNames ? FNames(source, name) : std::nullopt;
    if (!field) {
      throw Refused(
          "[" + (source.empty() ? name : source + "].[" + name) +
          "] はどのテーブルのフィールドでもありません（パラメーターとして問われる名前です）");
    }
    Value value = Make(field->Sql, field->Kind, field->Integer);
    value.TextNumber = field->TextNumber;
    return value;
  }

  // ---- Functions ----------------------------------------------------------------

  std::vector<Value> Arguments(const std::string& function, int depth, bool star = false) {
    Expect("(", "関数 " + function + " の括弧");
    std::vector<Value> arguments;
    if (IsSymbol(Peek(), ")")) {
      Next();
      return arguments;
    }
    for (;;) {
      if (star && IsSymbol(Peek(), "*") && IsSymbol(Peek(1), ")")) {
        Next();
        arguments.push_back(Make("*", ValueKind::Number, true));
      } else {
        arguments.push_back(Or(depth + 1));
      }
      const Token& separator = Next();
      if (IsSymbol(separator, ")")) return arguments;
      if (!IsSymbol(separator, ",")) throw Refused("関数 " + function + " の引数が読めません");
    }
  }

  static void Count(const std::string& function, const std::vector<Value>& arguments,
                    std::size_t least, std::size_t most) {
    if (arguments.size() < least || arguments.size() > most) {
      throw Refused("関数 " + function + " の引数の数が違います");
    }
  }

  static void Kind(const std::string& function, const Value& value, ValueKind kind) {
    if (value.Kind != kind && !IsNull(value)) {
      throw Refused("関数 " + function + " の引数の型が違います");
    }
  }

  // A whole number written as it is, at least `least`.
  static std::int64_t LiteralCount(const std::string& function, const Value& value,
                                   std::int64_t least) {
    if (!value.Literal || !value.Integer || value.Sql.size() > 9 || value.Sql.front() == '-') {
      throw Refused("関数 " + function + " の長さや位置が定数ではありません");
    }
    const std::int64_t number = std::stoll(value.Sql);
    if (number < least) throw Refused("関数 " + function + " の長さや位置が範囲の外です");
    return number;
  }

  Value Call(const std::string& name, int depth) {
    const auto is = [&](std::string_view word) { return EqualsNoCase(name, word); };
    for (const char* aggregate : {"Sum", "Avg", "Count", "Min", "Max"}) {
      if (is(aggregate)) return Aggregate(aggregate, Arguments(name, depth, is("Count")));
    }
    const std::vector<Value> a = Arguments(name, depth);
    Value result;
    if (is("IIf")) {
      Count(name, a, 3, 3);
      RequireTruth(a[0], "IIf");
      if (!IsNull(a[1]) && !IsNull(a[2]) && a[1].Kind != a[2].Kind) {
        throw Refused("IIf の二つの値の型が違います");
      }
      result = Make("(CASE WHEN " + a[0].Sql + " THEN " + a[1].Sql + " ELSE " + a[2].Sql + " END)",
                    IsNull(a[1]) ? a[2].Kind : a[1].Kind, a[1].Integer && a[2].Integer);
    } else if (is("Nz")) {
      if (a.size() == 1) {
        throw Refused("Nz の 2 番目の引数がありません（クエリの Nz は空の文字列を返します）");
      }
      Count(name, a, 2, 2);
      if (!IsNull(a[0]) && !IsNull(a[1]) && a[0].Kind != a[1].Kind) {
        throw Refused("Nz の二つの値の型が違います");
      }
      result = Make("coalesce(" + a[0].Sql + ", " + a[1].Sql + ")",
                    IsNull(a[0]) ? a[1].Kind : a[0].Kind, a[0].Integer && a[1].Integer);
    } else if (is("IsNull")) {
      Count(name, a, 1, 1);
      result = Make("(" + a[0].Sql + " IS NULL)", ValueKind::Boolean);
    } else if (is("Left") || is("Right")) {
      Count(name, a, 2, 2);
      Kind(name, a[0], ValueKind::Text);
      const std::int64_t n = LiteralCount(name, a[1], 0);
      const std::string count = std::to_string(n);
      result = Make(!Sqlite()    ? (is("Left") ? "left(" : "right(") + a[0].Sql + ", " + count + ")"
                    : is("Left") ? "substr(" + a[0].Sql + ", 1, " + count + ")"
                    : n == 0     ? "substr(" + a[0].Sql + ", 1, 0)"
                                 : "substr(" + a[0].Sql + ", -" + count + ")",
                    ValueKind::Text);
    } else if (is("Mid")) {
      Count(name, a, 2, 3);
      Kind(name, a[0], ValueKind::Text);
      std::string sql = "substr(" + a[0].Sql + ", " + std::to_string(LiteralCount(name, a[1], 1));
      if (a.size() == 3) sql += ", " + std::to_string(LiteralCount(name, a[2], 0));
      result = Make(sql + ")", ValueKind::Text);
    } else if (is("Len")) {
      Count(name, a, 1, 1);
      Kind(name, a[0], ValueKind::Text);
      result = Make("length(" + a[0].Sql + ")", ValueKind::Number, true);
    } else if (is("InStr")) {
      Count(name, a, 2, 2);
      Kind(name, a[0], ValueKind::Text);
      Kind(name, a[1], ValueKind::Text);
      result = Make(
          std::string(Sqlite() ? "instr(" : "strpos(") + Folded(a[0]) + ", " + Folded(a[1]) + ")",
          ValueKind::Number, true);
    } else if (is("UCase") || is("LCase")) {
      Count(name, a, 1, 1);
      Kind(name, a[0], ValueKind::Text);
      if (Sqlite()) throw Refused("SQLite の upper と lower は ASCII の文字しか変えません");
      result =
          Make(std::string(is("UCase") ? "upper(" : "lower(") + a[0].Sql + ")", ValueKind::Text);
    } else if (is("Trim") || is("LTrim") || is("RTrim")) {
      Count(name, a, 1, 1);
      Kind(name, a[0], ValueKind::Text);
      result = Make(AsciiLower(name) + "(" + a[0].Sql + ")", ValueKind::Text);
    } else if (is("Year") || is("Month") || is("Day") || is("Hour") || is("Minute") ||
               is("Second")) {
      Count(name, a, 1, 1);
      Kind(name, a[0], ValueKind::Date);
      static const std::pair<const char*, const char*> parts[] = {
          {"Year", "%Y"}, {"Month", "%m"},  {"Day", "%d"},
          {"Hour", "%H"}, {"Minute", "%M"}, {"Second", "%S"}};
      for (const auto& [word, format] : parts) {
        if (!is(word)) continue;
        result = Make(
            Sqlite() ? "CAST(strftime('" + std::string(format) + "', " + a[0].Sql + ") AS INTEGER)"
                     : "CAST(EXTRACT(" + std::string(word) + " FROM " + a[0].Sql + ") AS integer)",
            ValueKind::Number, true);
      }
    } else if (is("DateAdd") || is("DateDiff") || is("DatePart")) {
      result = DateFunction(name, a);
    } else if (is("DateSerial")) {
      Count(name, a, 3, 3);
      for (const Value& part : a) {
        if (part.Kind != ValueKind::Number || !part.Integer) {
          throw Refused("DateSerial の引数が整数ではありません");
        }
      }
      // Access reads the years 0 to 99 as 1930 to 2029, and lets months
      // and days run over into the next ones.
      const std::string year = "(CASE WHEN " + a[0].Sql + " BETWEEN 0 AND 29 THEN " + a[0].Sql +
                               " + 2000 WHEN " + a[0].Sql + " BETWEEN 30 AND 99 THEN " + a[0].Sql +
                               " + 1900 ELSE " + a[0].Sql + " END)";
      result = Make(
          Sqlite() ? "datetime(printf('%04d-01-01', " + year + "), printf('%+d months', " +
                         a[1].Sql + " - 1), printf('%+d days', " + a[2].Sql + " - 1))"
                   : "(CAST(make_date(" + year + ", 1, 1) AS timestamp) + (" + a[1].Sql +
                         " - 1) * INTERVAL '1 month' + (" + a[2].Sql + " - 1) * INTERVAL '1 day')",
          ValueKind::Date);
    } else if (is("Switch")) {
      if (a.empty() || a.size() % 2 != 0) throw Refused("Switch の引数の数が違います");
      std::string sql = "(CASE";
      ValueKind kind = ValueKind::None;
      for (std::size_t i = 0; i < a.size(); i += 2) {
        RequireTruth(a[i], "Switch");
        if (!IsNull(a[i + 1])) {
          if (kind != ValueKind::None && a[i + 1].Kind != kind) {
            throw Refused("Switch の値の型が違います");
          }
          kind = a[i + 1].Kind;
        }
        sql += " WHEN " + a[i].Sql + " THEN " + a[i + 1].Sql;
      }
      result = Make(sql + " END)", kind);
    } else if (is("Choose")) {
      if (a.size() < 2) throw Refused("Choose の引数の数が違います");
      if (a[0].Kind != ValueKind::Number || !a[0].Integer) {
        throw Refused("Choose の番号が整数ではありません（Access は丸めます）");
      }
      std::string sql = "(CASE " + a[0].Sql;
      ValueKind kind = ValueKind::None;
      for (std::size_t i = 1; i < a.size(); ++i) {
        if (!IsNull(a[i])) {
          if (kind != ValueKind::None && a[i].Kind != kind)
            throw Refused("Choose の値の型が違います");
          kind = a[i].Kind;
        }
        sql += " WHEN " + std::to_string(i) + " THEN " + a[i].Sql;
      }
      result = Make(sql + " END)", kind);
    } else if (is("Now") || is("Date")) {
      Count(name, a, 0, 0);
      result = Make(is("Now")  ? (Sqlite() ? "datetime('now', 'localtime')" : "LOCALTIMESTAMP(0)")
                    : Sqlite() ? "datetime('now', 'localtime', 'start of day')"
                               : "CAST(CURRENT_DATE AS timestamp)",
                    ValueKind::Date);
    } else if (is("Int") || is("Fix") || is("Abs")) {
      Count(name, a, 1, 1);
      Kind(name, a[0], ValueKind::Number);
      Computable(a[0], name);
      const std::string function = is("Int") ? "floor" : is("Fix") ? "trunc" : "abs";
      result = Make(function + "(" + a[0].Sql + ")", ValueKind::Number, a[0].Integer);
    } else if (is("CDbl")) {
      Count(name, a, 1, 1);
      Kind(name, a[0], ValueKind::Number);
      Computable(a[0], name);
      result = Make("CAST(" + a[0].Sql + " AS " + (Sqlite() ? "REAL" : "double precision") + ")",
                    ValueKind::Number);
    } else if (is("CStr") || is("CLng") || is("CInt") || is("CDate")) {
      // Only where nothing is converted: Access rounds and formats its own way.
      Count(name, a, 1, 1);
      const bool same = is("CStr")    ? a[0].Kind == ValueKind::Text
                        : is("CDate") ? a[0].Kind == ValueKind::Date
                                      : a[0].Kind == ValueKind::Number && a[0].Integer;
      if (!same) throw Refused("関数 " + name + " の変換は Access と同じになりません");
      result = a[0];
    } else {
      throw Refused("関数 " + name + "() は移行できません");
    }
    for (const Value& argument : a) result.Aggregate = result.Aggregate || argument.Aggregate;
    return result;
  }

  // DateAdd, DateDiff and DatePart for the intervals whose meaning both
  // servers can say: years, quarters, months (PostgreSQL's month
  // arithmetic ends at the month's last day as Access's does; SQLite's runs
  // over, so it has days and finer only), days, hours, minutes, seconds.
  Value DateFunction(const std::string& function, const std::vector<Value>& a) const {
    Count(function, a, EqualsNoCase(function, "DatePart") ? 2 : 3,
          EqualsNoCase(function, "DatePart") ? 2 : 3);
    if (!a[0].Literal || a[0].Kind != ValueKind::Text) {
      throw Refused("関数 " + function + " の単位が定数ではありません");
    }
    // The unit's letters, without the quotes.
    const std::string unit = AsciiLower(a[0].Sql.substr(1, a[0].Sql.size() - 2));
    struct Unit {
      const char* Access;
      const char* Interval;  // PostgreSQL
      const char* Modifier;  // SQLite, "" when it cannot
      int Factor;
    };
    static const Unit units[] = {
        {"yyyy", "1 year", "", 1},       {"q", "3 months", "", 3},
        {"m", "1 month", "", 1},         {"d", "1 day", "days", 1},
        {"y", "1 day", "days", 1},       {"ww", "7 days", "days", 7},
        {"h", "1 hour", "hours", 1},     {"n", "1 minute", "minutes", 1},
        {"s", "1 second", "seconds", 1},
    };
    const Unit* found = nullptr;
    for (const Unit& u : units) {
      if (unit == u.Access) found = &u;
    }
    if (found == nullptr)
      throw Refused("関数 " + function + " の単位 \"" + unit + "\" は移行できません");
    if (EqualsNoCase(function, "DateAdd")) {
      Kind(function, a[2], ValueKind::Date);
      if (a[1].Kind != ValueKind::Number || !a[1].Integer) {
        throw Refused("DateAdd の数が整数ではありません（Access は丸めます）");
      }
      if (!Sqlite()) {
        return Make("(" + a[2].Sql + " + " + a[1].Sql + " * INTERVAL '" + found->Interval + "')",
                    ValueKind::Date);
      }
      if (*found->Modifier == '\0') {
        throw Refused("SQLite の月の足し算は月末で止まりません（DateAdd の \"" + unit + "\"）");
      }
      return Make("datetime(" + a[2].Sql + ", printf('%+d " + found->Modifier + "', " + a[1].Sql +
                      (found->Factor != 1 ? " * " + std::to_string(found->Factor) : "") + "))",
                  ValueKind::Date);
    }
    const Value& date = a.back();
    Kind(function, date, ValueKind::Date);
    const auto part = [&](const Value& d, const char* field, const char* format) {
      return Sqlite() ? "CAST(strftime('" + std::string(format) + "', " + d.Sql + ") AS INTEGER)"
                      : "CAST(EXTRACT(" + std::string(field) + " FROM " + d.Sql + ") AS integer)";
    };
    if (EqualsNoCase(function, "DatePart")) {
      static const std::tuple<const char*, const char*, const char*> parts[] = {
          {"yyyy", "YEAR", "%Y"}, {"m", "MONTH", "%m"},  {"d", "DAY", "%d"},   {"y", "DOY", "%j"},
          {"h", "HOUR", "%H"},    {"n", "MINUTE", "%M"}, {"s", "SECOND", "%S"}};
      for (const auto& [access, field, format] : parts) {
        if (unit == access) return Make(part(date, field, format), ValueKind::Number, true);
      }
      if (unit == "q") {
        return Make("((" + part(date, "MONTH", "%m") + " + 2) / 3)", ValueKind::Number, true);
      }
      throw Refused("DatePart の単位 \"" + unit + "\" は移行できません");
    }
    // DateDiff counts the boundaries crossed between the two dates.
    Kind(function, a[1], ValueKind::Date);
    const Value& from = a[1];
    const std::string years =
        "(" + part(date, "YEAR", "%Y") + " - " + part(from, "YEAR", "%Y") + ")";
    const std::string months = "(" + years + " * 12 + " + part(date, "MONTH", "%m") + " - " +
                               part(from, "MONTH", "%m") + ")";
    if (unit == "yyyy") return Make(years, ValueKind::Number, true);
    if (unit == "m") return Make(months, ValueKind::Number, true);
    if (unit == "q") {
      return Make("(" + years + " * 4 + (" + part(date, "MONTH", "%m") + " - 1) / 3 - (" +
                      part(from, "MONTH", "%m") + " - 1) / 3)",
                  ValueKind::Number, true);
    }
    if (unit == "d" || unit == "y") {
      return Make(Sqlite() ? "CAST(julianday(date(" + date.Sql + ")) - julianday(date(" + from.Sql +
                                 ")) AS INTEGER)"
                           : "(CAST(" + date.Sql + " AS date) - CAST(" + from.Sql + " AS date))",
                  ValueKind::Number, true);
    }
    throw Refused("DateDiff の単位 \"" + unit + "\" は移行できません");
  }

  Value Aggregate(const std::string& function, const std::vector<Value>& a) const {
    Count(function, a, 1, 1);
    const Value& argument = a[0];
    if (argument.Aggregate) throw Refused("集計関数の中に集計関数があります");
    Value result;
    if (function == "Count") {
      result = Make("count(" + argument.Sql + ")", ValueKind::Number, true);
    } else if (function == "Min" || function == "Max") {
      if (argument.Kind != ValueKind::Number && argument.Kind != ValueKind::Date) {
        throw Refused(function + " は数値と日付でだけ移行できます（照合順序が違います）");
      }
      Computable(argument, function);
      result =
          Make(AsciiLower(function) + "(" + argument.Sql + ")", argument.Kind, argument.Integer);
    } else {
      Kind(function, argument, ValueKind::Number);
      Computable(argument, function);
      if (function == "Sum") {
        result = Make("sum(" + argument.Sql + ")", ValueKind::Number, argument.Integer);
      } else {
        // Access averages as floating point.
        result = Make(Sqlite() ? "avg(" + argument.Sql + ")"
                               : "avg(CAST(" + argument.Sql + " AS double precision))",
                      ValueKind::Number);
      }
    }
    result.Aggregate = true;
    return result;
  }

  const QueryNames& FNames;
  Dialect FDialect;
};

}  // namespace

QueryTranslation TranslateQueryExpression(std::string_view expression, const QueryNames& names,
                                          Dialect dialect) {
  try {
    std::vector<Token> tokens = Tokenize(expression);
    if (tokens.size() == 1) return {{}, "式が空です"};
    return {QueryParser(std::move(tokens), names, dialect).Parse(), ""};
  } catch (const Refused& e) {
    return {{}, e.what()};
  }
}

}  // namespace tabulon::migrate
