// Markdown escaping, and the Mermaid block's names made to fit its grammar.

#include <gtest/gtest.h>

#include <dao/ObjectModel.h>
#include <outputs/MarkdownText.h>
#include <outputs/MermaidDiagram.h>
#include <outputs/RelationGraph.h>

namespace tabulon::test {
namespace {

using outputs::MarkdownInline;

TEST(MarkdownText, EscapesWhatWouldBreakATableOrStartMarkup) {
  EXPECT_EQ(MarkdownInline("a|b"), "a\\|b");
  EXPECT_EQ(MarkdownInline("`x`"), "\\`x\\`");
  EXPECT_EQ(MarkdownInline("line1\r\nline2\nline3"), "line1<br>line2<br>line3");
  EXPECT_EQ(MarkdownInline("line1\nline2", false), "line1 line2");
  EXPECT_EQ(MarkdownInline("<script>&amp;"), "&lt;script>&amp;amp;");
  EXPECT_EQ(MarkdownInline("*_x_*"), "\\*\\_x\\_\\*");
  EXPECT_EQ(MarkdownInline("[a](b) $x$ ~~y~~"), "\\[a\\](b) \\$x\\$ \\~\\~y\\~\\~");
  EXPECT_EQ(MarkdownInline("# h"), "\\# h");
  EXPECT_EQ(MarkdownInline(std::string("a\x01\xff", 3)), "a \xef\xbf\xbd");
  EXPECT_EQ(MarkdownInline("顧客ＩＤ"), "顧客ＩＤ");
}

TEST(MarkdownText, FencesAreLongerThanAnyRunOfBackticks) {
  EXPECT_EQ(outputs::CodeFence("SELECT 1"), "```");
  EXPECT_EQ(outputs::CodeFence("a ```` b"), "`````");
  EXPECT_EQ(outputs::CodeBlockText("a\r\nb\x02\tc"), "a\nb \tc");
}

TEST(MermaidDiagram, QuotesTablesAndSanitisesColumns) {
  outputs::RelationGraph graph;
  graph.Tables = {{"顧客 \"A\" 100%", {{"ID", dao::dbLong, true, false}}},
                  {"受注\n明細",
                   {{"顧客 ID", dao::dbLong, false, true},
                    {"pk", dao::dbLong, true, false},
                    {"1列", dao::dbLong, true, true}}},
                  {"顧客 _A_ 100_", {}}};
  graph.Edges = {{"顧客\"受注", 0, 1, {{"ID", "顧客 ID"}}, 0},
                 {"緩い", 0, 2, {}, dao::dbRelationDontEnforce | dao::dbRelationUnique}};
  Wording words;
  EXPECT_EQ(outputs::MermaidErDiagram(graph, words),
            "erDiagram\n"
            "    \"顧客 _A_ 100_\" {\n"
            "        dbLong ID PK\n"
            "    }\n"
            "    \"受注_明細\" {\n"
            "        dbLong 顧客_ID FK \"顧客 ID\"\n"
            "        dbLong _pk PK \"pk\"\n"
            "        dbLong _1列 PK, FK \"1列\"\n"
            "    }\n"
            "    \"顧客 _A_ 100__2\"\n"
            "    \"顧客 _A_ 100_\" ||--o{ \"受注_明細\" : \"顧客_受注\"\n"
            "    \"顧客 _A_ 100_\" ||..o| \"顧客 _A_ 100__2\" : \"緩い\"\n");
}

}  // namespace
}  // namespace tabulon::test
