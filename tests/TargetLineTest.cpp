// Target lines: the one splitting and writing rule every reader shares.

#include <gtest/gtest.h>

#include <random>

#include <engine/TargetLine.h>
#include <engine/TextFile.h>

#include "TestSupport.h"

namespace tabulon {
namespace {

using Fields = std::vector<std::string>;

struct SplitCase {
  const char* Name;
  std::string Line;
  Fields Expected;
};

void PrintTo(const SplitCase& c, std::ostream* out) { *out << c.Name; }

class SplitTargetLineTest : public testing::TestWithParam<SplitCase> {};

TEST_P(SplitTargetLineTest, GivesTheFields) {
  EXPECT_EQ(SplitTargetLine(GetParam().Line), GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SplitTargetLineTest,
    testing::Values(
        SplitCase{"quoted",
                  R"("??"|"PASSWORD_HERE"|"/data/Sample.mdb")",
                  {"??", "PASSWORD_HERE", "/data/Sample.mdb"}},
        SplitCase{"unquoted", "OK|secret|/data/Sample.mdb", {"OK", "secret", "/data/Sample.mdb"}},
        SplitCase{"unquoted path with a space ends at the space",
                  "??|pw|/my data/a.mdb",
                  {"??", "pw", "/my", "data/a.mdb"}},
        SplitCase{"quoted path keeps its spaces",
                  R"("??"|"pw"|"/my data/a.mdb")",
                  {"??", "pw", "/my data/a.mdb"}},
        SplitCase{"doubled quote inside", R"("a""b"|"""")", {"a\"b", "\""}},
        SplitCase{"delimiter last gives an empty field", R"("??"|"pw"|)", {"??", "pw", ""}},
        SplitCase{"delimiter then blank adds nothing", R"("??"|"pw"| )", {"??", "pw"}},
        SplitCase{"two delimiters give an empty field", "a||b", {"a", "", "b"}},
        SplitCase{
            "blanks around fields and delimiters", "  \t\"a\" |  \"b\"\t|c  ", {"a", "b", "c"}},
        SplitCase{"empty line", "", {}}, SplitCase{"blank line", " \t ", {}},
        SplitCase{"unclosed quote takes the rest", R"("a"|"b|c)", {"a", "b|c"}},
        SplitCase{"text after a closing quote is a field", R"("a"b|c)", {"a", "b", "c"}},
        SplitCase{"quote inside an unquoted field stays", R"(a"b|c)", {"a\"b", "c"}},
        SplitCase{"four fields", R"("1"|"2"|"3"|"4")", {"1", "2", "3", "4"}},
        SplitCase{"full-width space is not a blank", "\u3000a|b", {"\u3000a", "b"}},
        SplitCase{
            "multibyte path unquoted", "??|pw|/表/ソ｜ト.mdb", {"??", "pw", "/表/ソ｜ト.mdb"}}),
    [](const testing::TestParamInfo<SplitCase>& param) {
      std::string name;
      for (const char c : std::string(param.param.Name)) name += std::isalnum(c) ? c : '_';
      return name;
    });

TEST(QuoteField, QuotesAndDoublesInnerQuotes) {
  EXPECT_EQ(QuoteField(""), R"("")");
  EXPECT_EQ(QuoteField("\""), R"("""")");
  EXPECT_EQ(QuoteField("/data/表.mdb"), R"("/data/表.mdb")");
  EXPECT_EQ(QuoteField("say \"hi\""), R"("say ""hi""")");
}

TEST(TargetLine, WrittenLineHasNothingBetweenFields) {
  EXPECT_EQ(NewTargetLine("/data/Sample.mdb"), R"("??"|"PASSWORD_HERE"|"/data/Sample.mdb")");
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

TEST(TargetLine, ListFileWithJapanesePathsRoundTrips) {
  test::TempDir dir;
  const std::string text = NewTargetLine("/home/u/表計算/ソフト\\a.mdb") + "\r\n" +
                           JoinTargetLine({"NG x", "pw\"", "/b.mdb"});
  test::WriteBytes(dir / "tabulon.dat", EncodeTextFile(text));
  const std::string bytes = test::ReadBytes(dir / "tabulon.dat");
  EXPECT_NE(bytes.find("\x95\x5C\x8C\x76\x8E\x5A/\x83\x5C\x83\x74\x83\x67\\a.mdb"),
            std::string::npos);
  const std::string back = ReadTextFile(dir / "tabulon.dat");
  EXPECT_EQ(back, text);
  EXPECT_EQ(SplitTargetLine(back.substr(0, back.find('\r')))[2], "/home/u/表計算/ソフト\\a.mdb");
}

}  // namespace
}  // namespace tabulon
