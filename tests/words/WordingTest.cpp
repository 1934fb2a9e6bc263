// Wording of field types and attributes through words.conf, and the fixed
// words of table and relation attributes.

#include <gtest/gtest.h>

#include <dao/ObjectModel.h>
#include <text/TextFile.h>
#include <words/Wording.h>

#include <tests/support/TestSupport.h>

namespace tabulon {
namespace {

TEST(Wording, WithoutAFileEveryWordIsItsKey) {
  const Wording wording;
  EXPECT_EQ(wording.FieldAttributesText(0), "\u3000");
  EXPECT_EQ(wording.FieldAttributesText(1), "dbFixedField");
  EXPECT_EQ(wording.FieldAttributesText(0x12), "dbVariableField,dbAutoIncrField");
  EXPECT_EQ(wording.FieldAttributesText(0x8022),
            "dbVariableField,dbUpdatableField,dbHyperlinkField");
  EXPECT_EQ(wording.FieldTypeText(10), "dbText");
  EXPECT_EQ(wording.FieldTypeText(20), "dbDecimal");
  EXPECT_EQ(wording.FieldTypeText(13), "UnKnown (13)");
  EXPECT_EQ(wording.FieldTypeText(-1), "UnKnown (-1)");
  EXPECT_EQ(wording.FieldTypeText(0), "UnKnown (0)");
  EXPECT_EQ(wording.FieldTypeText(24), "UnKnown (24)");
}

TEST(Wording, TableAndRelationWordsAreFixed) {
  EXPECT_EQ(TableAttributesText(0), "\u3000");
  for (const std::uint32_t system : {0x80000002u, 0x80000000u, 0x2u}) {
    EXPECT_EQ(TableAttributesText(static_cast<std::int32_t>(system)), "System Table");
  }
  EXPECT_EQ(TableAttributesText(static_cast<std::int32_t>(0x80000003u)),
            "System Table,非表示のTable");
  EXPECT_EQ(TableAttributesText(0x40000000), "非ODBC DataSourceのLinkTable");
  EXPECT_EQ(RelationAttributesText(0), "\u3000");
  EXPECT_EQ(RelationAttributesText(0x1100), "Field連鎖更新,Record連鎖削除");
  EXPECT_EQ(RelationAttributesText(0x3000007),
            "RelationUnique,RelationDontEnforce,"
            "dbRelationInherited,左外部結合,右外部結合");
}

TEST(Wording, FileLinesFollowTheRules) {
  Wording wording;
  wording.Words.Parse(
      "dbText=before any section\r\n"
      "  [ field_type_2 ]  \r\n"
      "; dbLong=commented out\n"
      "DBTEXT = \t文字列　\r"
      "dbMemo=first\n"
      "dbMemo=second\n"
      "no equals sign\n"
      "[FIELD_ATTR_1]\n"
      "dbFixedField=\n"
      "dbVariableField=A,B\n");
  EXPECT_EQ(wording.FieldTypeText(10), "文字列\u3000");
  EXPECT_EQ(wording.FieldTypeText(12), "first");
  EXPECT_EQ(wording.FieldTypeText(4), "dbLong");
  EXPECT_EQ(wording.FieldAttributesText(3), ",A,B");
  EXPECT_EQ(wording.FieldAttributesText(0x10), "dbAutoIncrField");
  // A cell whose only word is empty shows a full-width space.
  Wording empty;
  empty.Words.Parse("[FIELD_ATTR_1]\ndbVariableField=\n");
  EXPECT_EQ(empty.FieldAttributesText(2), "\u3000");
}

TEST(Wording, StylesChooseTheSections) {
  Wording wording;
  wording.Words.Parse(
      "[FIELD_TYPE_1]\ndbSingle=L\n[FIELD_TYPE_3]\ndbSingle=S\n"
      "[FIELD_ATTR_2]\ndbFixedField=M\n");
  wording.SetStyles(WordStyle::Long, WordStyle::Middle);
  EXPECT_EQ(wording.TypeSection, "FIELD_TYPE_1");
  EXPECT_EQ(wording.AttrSection, "FIELD_ATTR_2");
  EXPECT_EQ(wording.FieldTypeText(6), "L");
  EXPECT_EQ(wording.FieldAttributesText(1), "M");
  wording.SetStyles(WordStyle::Short, WordStyle::Short);
  EXPECT_EQ(wording.FieldTypeText(6), "S");
}

// Descending belongs to an index's fields; the shipped words for it (kept
// in the file) never describe a table's field, though dbFixedField and
// dbDescending share a value.
TEST(Wording, NoFieldIsCalledDescendingInAnyStyle) {
  Wording wording;
  ASSERT_EQ(wording.Words.Load(std::filesystem::path(TABULON_BIN_DIR) / "words.conf"),
            std::nullopt);
  for (const WordStyle style : {WordStyle::Long, WordStyle::Middle, WordStyle::Short}) {
    wording.SetStyles(WordStyle::Middle, style);
    EXPECT_TRUE(wording.Words.Find(wording.AttrSection, "dbDescending").has_value());
    for (const std::int32_t attributes : {0x1, 0x21, 0x2031, 0x7FFFFFFF}) {
      const std::string text = wording.FieldAttributesText(attributes);
      for (const char* descending : {"降順", "Desc順", "dbDescending"}) {
        EXPECT_EQ(text.find(descending), std::string::npos) << wording.AttrSection << " " << text;
      }
    }
  }
}

TEST(Wording, FileWithDoubleByteBackslashesReadsExactly) {
  test::TempDir dir;
  // ソ and 表 end in 0x5C; the lone "\" must stay one character.
  test::WriteBytes(dir / "words.conf", "[FIELD_TYPE_2]\r\ndbText=\x83\x5C\x95\x5C\\x\r\n");
  Wording wording;
  EXPECT_EQ(wording.Words.Load(dir / "words.conf"), std::nullopt);
  EXPECT_EQ(wording.FieldTypeText(10), "ソ表\\x");
  test::WriteBytes(dir / "words.conf", "\xEF\xBB\xBF[FIELD_TYPE_2]\ndbText=é\n");
  EXPECT_EQ(wording.Words.Load(dir / "words.conf"), std::nullopt);
  EXPECT_EQ(wording.FieldTypeText(10), "é");
}

TEST(Wording, UnreadableFileIsReportedAndIgnored) {
  test::TempDir dir;
  std::filesystem::create_directory(dir / "words.conf");
  Wording wording;
  const auto error = wording.Words.Load(dir / "words.conf");
  ASSERT_TRUE(error.has_value());
  EXPECT_NE(error->find("words.conf"), std::string::npos);
  EXPECT_EQ(wording.FieldTypeText(10), "dbText");
  EXPECT_EQ(wording.Words.Load(dir / "missing.conf"), std::nullopt);
}

TEST(Wording, ShippedFileWordsEveryKeyInEverySection) {
  Wording wording;
  ASSERT_EQ(wording.Words.Load(std::filesystem::path(TABULON_BIN_DIR) / "words.conf"),
            std::nullopt);
  const std::int32_t types[] = {1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11,
                                12, 15, 16, 17, 18, 19, 20, 21, 22, 23};
  for (const WordStyle style : {WordStyle::Long, WordStyle::Middle, WordStyle::Short}) {
    wording.SetStyles(style, style);
    for (const std::int32_t type : types) {
      const std::string word = wording.FieldTypeText(type);
      EXPECT_FALSE(word.starts_with("db")) << wording.TypeSection << " " << type;
    }
    for (int bit : {0x1, 0x2, 0x10, 0x20, 0x2000, 0x8000}) {
      EXPECT_EQ(wording.FieldAttributesText(bit).find("db"), std::string::npos)
          << wording.AttrSection << " " << bit;
    }
    for (const std::int32_t type : {0, 16, 32, 48, 64, 80, 96, 112, 128}) {
      EXPECT_FALSE(wording.QueryTypeText(type).starts_with("db"))
          << wording.QueryTypeSection << " " << type;
    }
    EXPECT_FALSE(wording.ParameterTypeText(0).starts_with("db")) << wording.TypeSection;
  }
  wording.SetStyles(WordStyle::Long, WordStyle::Long);
  EXPECT_EQ(wording.QueryTypeText(dao::dbQSetOperation), "ユニオン クエリ(Union)");
  EXPECT_EQ(wording.QueryTypeText(144), "UnKnown (144)");
  EXPECT_EQ(wording.ParameterTypeText(dao::dbDate), "日付/時刻型(Date)");
  // The examples on the window's radio buttons.
  wording.SetStyles(WordStyle::Long, WordStyle::Long);
  EXPECT_EQ(wording.FieldTypeText(6), "単精度浮動小数点数型(Single)");
  EXPECT_EQ(wording.FieldAttributesText(1), "サイズ固定");
  wording.SetStyles(WordStyle::Middle, WordStyle::Middle);
  EXPECT_EQ(wording.FieldTypeText(6), "単精度浮動小数点数型");
  EXPECT_EQ(wording.FieldAttributesText(1), "Size固定");
  wording.SetStyles(WordStyle::Short, WordStyle::Short);
  EXPECT_EQ(wording.FieldTypeText(6), "Single");
  EXPECT_EQ(wording.FieldAttributesText(1), "桁数固定");
}

}  // namespace
}  // namespace tabulon
