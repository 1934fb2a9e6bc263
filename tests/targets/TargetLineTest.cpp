// Target lines: the one splitting and writing rule every reader shares.

#include <gtest/gtest.h>

#include <random>

#include <targets/TargetLine.h>

namespace tabulon {
namespace {

using Fields = std::vector<std::string>;

TEST(TargetLine, SplitGivesTheFields) {
  const std::pair<std::string, Fields> cases[] = {
      {R"("??"|"PASSWORD_HERE"|"/data/Sample.mdb")", {"??", "PASSWORD_HERE", "/data/Sample.mdb"}},
      {"OK|secret|/data/Sample.mdb", {"OK", "secret", "/data/Sample.mdb"}},
      {"??|pw|/my data/a.mdb", {"??", "pw", "/my", "data/a.mdb"}},  // unquoted: a space ends it
      {R"("??"|"pw"|"/my data/a.mdb")", {"??", "pw", "/my data/a.mdb"}},
      {R"("a""b"|"""")", {"a\"b", "\""}},
      {R"("??"|"pw"|)", {"??", "pw", ""}},  // delimiter last: an empty field
      {R"("??"|"pw"| )", {"??", "pw"}},     // delimiter then blank: nothing
      {"a||b", {"a", "", "b"}},
      {"  \t\"a\" |  \"b\"\t|c  ", {"a", "b", "c"}},
      {"", {}},
      {" \t ", {}},
      {R"("a"|"b|c)", {"a", "b|c"}},   // an unclosed quote takes the rest
      {R"("a"b|c)", {"a", "b", "c"}},  // text after a closing quote is a field
      {R"(a"b|c)", {"a\"b", "c"}},
      {R"("1"|"2"|"3"|"4")", {"1", "2", "3", "4"}},
      {"\u3000a|b", {"\u3000a", "b"}},  // a full-width space is no blank
      {"??|pw|/表/ソ｜ト.mdb", {"??", "pw", "/表/ソ｜ト.mdb"}},
  };
  for (const auto& [line, fields] : cases) EXPECT_EQ(SplitTargetLine(line), fields) << line;
}

TEST(TargetLine, WrittenFieldsAreQuotedWithNothingBetween) {
  EXPECT_EQ(QuoteField(""), R"("")");
  EXPECT_EQ(QuoteField("say \"hi\""), R"("say ""hi""")");
  EXPECT_EQ(NewTargetLine("/data/表.mdb"), R"("??"|"PASSWORD_HERE"|"/data/表.mdb")");
  EXPECT_EQ(JoinTargetLine({"pw", "/a b"}), R"("pw"|"/a b")");
}

TEST(TargetLine, EveryWrittenLineSplitsBackToItsFields) {
  // Fields made of the characters that matter to the rule.
  const std::vector<std::string> pieces = {"\"", "|",  " ",  "\t",     "a",    "表",
                                           "ソ", "\\", "｜", "\u3000", "\"\"", ""};
  std::mt19937 random(20261206);
  for (int round = 0; round < 2000; ++round) {
    Fields fields(1 + random() % 4);
    for (std::string& field : fields) {
      const int length = static_cast<int>(random() % 6);
      for (int i = 0; i < length; ++i) field += pieces[random() % pieces.size()];
    }
    ASSERT_EQ(SplitTargetLine(JoinTargetLine(fields)), fields) << JoinTargetLine(fields);
  }
}

}  // namespace
}  // namespace tabulon
