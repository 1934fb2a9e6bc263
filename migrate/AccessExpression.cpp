#include <migrate/AccessExpression.h>

#include <optional>
#include <vector>

#include <migrate/AccessTokens.h>
#include <text/TextCompare.h>

namespace tabulon::migrate {

namespace {

// ---- Rules ------------------------------------------------------------------------

// An operand of a comparison.
struct Operand {
  enum class Kind { Field, Number, Text, Date, Boolean, Null } Is = Kind::Null;
  std::string Sql;
  std::string Raw;                     // a text literal's value
  ValueKind Values = ValueKind::None;  // a field's
  bool Truth = false;                  // a Boolean literal's
};

class RuleParser : TokenCursor {
 public:
  RuleParser(std::vector<Token> tokens, const std::optional<ExpressionField>& self,
             const FieldLookup& fields, Dialect dialect)
      : TokenCursor(std::move(tokens)), FSelf(self), FFields(fields), FDialect(dialect) {}

  std::string Parse() {
    std::string sql = Or(0);
    if (Peek().Kind != TokenKind::End)
      throw Refused("式の終わりが読めません（" + Peek().Text + "）");
    return sql;
  }

 private:
  static void Deeper(int depth) {
    if (depth > MaxExpressionDepth) throw Refused("式の入れ子が深すぎます");
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
    return LikeSql(field.Sql, pattern.Raw, !no.empty(), FDialect);
  }

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
