// Markdown escaping, and the Mermaid block's names kept from being read as markup.

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

TEST(MermaidDiagram, TablesAreIdsWithTheirNamesAsLabelsInEntityCodes) {
  outputs::RelationGraph graph;
  graph.Tables = {{"顧客 \"A\" 100%", {{"ID", dao::dbLong, true, false}}},
                  {"<b>受注</b>\n明細°¶",
                   {{"顧客 ID", dao::dbText, false, true},
                    {"pk", dao::dbDate, true, false},
                    {"Order_No2", dao::dbCurrency, true, true},
                    {"1列", 0, true, true}}},
                  {"顧客\u3000_A_", {}}};
  graph.Edges = {{"顧客\"受注", 0, 1, {{"ID", "顧客 ID"}}, 0},
                 {"緩い%%", 0, 2, {}, dao::dbRelationDontEnforce | dao::dbRelationUnique}};
  EXPECT_EQ(outputs::MermaidErDiagram(graph),
            "erDiagram\n"
            "    t0[\"顧客#32;#34;A#34;#32;100#37;\"] {\n"
            "        long ID PK\n"
            "    }\n"
            "    t1[\"#60;b#62;受注#60;#47;b#62;\uFFFD明細#176;#182;\"] {\n"
            "        text f1 FK \"顧客#32;ID\"\n"
            "        datetime f2 PK \"pk\"\n"
            "        currency Order_No2 PK, FK\n"
            "        unknown f4 PK, FK \"1列\"\n"
            "    }\n"
            "    t2[\"顧客#12288;#95;A#95;\"]\n"
            "    t0 ||--o{ t1 : \"顧客#34;受注\"\n"
            "    t0 ||..o| t2 : \"緩い#37;#37;\"\n");
  EXPECT_EQ(outputs::MermaidErDiagram({}), "");
}

}  // namespace
}  // namespace tabulon::test
