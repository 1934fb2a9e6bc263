// Index keys and stored values, pinned to the bytes the engine's files
// hold.

#include <gtest/gtest.h>

#include <tools/jetwriter/IndexPages.h>
#include <tools/jetwriter/SchemaError.h>
#include <tools/jetwriter/Values.h>

namespace tabulon::test {
namespace {

using jetwriter::ByteVector;

struct KeyCase {
  const char* Name;
  std::int32_t Type;
  dao::Variant Value;
  bool Descending;
  ByteVector Key;  // empty: the writer must refuse it
};

TEST(IndexKeyTest, EncodesEachTypeAsTheEngineSorts) {
  const KeyCase cases[] = {
      {"long 1", dao::dbLong, std::int64_t{1}, false, {0x7F, 0x80, 0x00, 0x00, 0x01}},
      {"long min", dao::dbLong, std::int64_t{-2147483648LL}, false, {0x7F, 0x00, 0x00, 0x00, 0x00}},
      {"long 1 descending", dao::dbLong, std::int64_t{1}, true, {0x80, 0x7F, 0xFF, 0xFF, 0xFE}},
      {"integer -1", dao::dbInteger, std::int64_t{-1}, false, {0x7F, 0x7F, 0xFF}},
      {"byte", dao::dbByte, std::int64_t{0x42}, false, {0x7F, 0x42}},
      {"currency",
       dao::dbCurrency,
       dao::Currency{10000},
       false,
       {0x7F, 0x80, 0, 0, 0, 0, 0, 0x27, 0x10}},
      {"double 1", dao::dbDouble, 1.0, false, {0x7F, 0xBF, 0xF0, 0, 0, 0, 0, 0, 0}},
      {"double -1",
       dao::dbDouble,
       -1.0,
       false,
       {0x7F, 0x40, 0x0F, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}},
      {"single 1", dao::dbSingle, 1.0f, false, {0x7F, 0xBF, 0x80, 0x00, 0x00}},
      {"yes", dao::dbBoolean, true, false, {0x7F, 0x00}},
      {"no", dao::dbBoolean, false, false, {0x7F, 0xFF}},
      {"null", dao::dbLong, dao::Null{}, false, {0x00}},
      {"null descending", dao::dbText, dao::Null{}, true, {0xFF}},
      {"text",
       dao::dbText,
       std::string("Tables"),
       false,
       {0x7F, 0x6D, 0x4A, 0x4C, 0x5E, 0x51, 0x6B, 0x01, 0x00}},
      {"text ignores case and trailing spaces",
       dao::dbText,
       std::string("tABLEs  "),
       false,
       {0x7F, 0x6D, 0x4A, 0x4C, 0x5E, 0x51, 0x6B, 0x01, 0x00}},
      {"text descending", dao::dbText, std::string("A"), true, {0x80, 0xB5, 0xFE, 0xFF, 0x00}},
      {"binary", dao::dbBinary, dao::Bytes{1, 2, 3}, false, {0x7F, 1, 2, 3, 0, 0, 0, 0, 0, 3}},
      {"binary descending",
       dao::dbBinary,
       dao::Bytes{1, 2, 3, 4, 5, 6, 7, 8, 9},
       true,
       {0x80, 0xFE, 0xFD, 0xFC, 0xFB, 0xFA, 0xF9, 0xF8, 0xF7, 0x09, 0xF6, 0xFF, 0xFF, 0xFF, 0xFF,
        0xFF, 0xFF, 0xFF, 0xFE}},
      {"guid in text order",
       dao::dbGUID,
       dao::Bytes{0x40, 0xFC, 0x29, 0x6B, 0x47, 0xCA, 0x67, 0x10, 0xB3, 0x1D, 0x00, 0xDD, 0x01,
                  0x06, 0x62, 0xDA},
       false,
       {0x7F, 0x6B, 0x29, 0xFC, 0x40, 0xCA, 0x47, 0x10, 0x67, 0x09, 0xB3, 0x1D, 0x00, 0xDD, 0x01,
        0x06, 0x62, 0xDA, 0x08}},
      {"japanese text", dao::dbText, std::string("表"), false, {}},
      {"hyphen", dao::dbText, std::string("C-01"), false, {}},
      {"empty text", dao::dbText, std::string(""), false, {}},
      {"decimal", dao::dbDecimal, dao::Bytes(17, 0), false, {}},
  };
  for (const KeyCase& c : cases) {
    const auto key = jetwriter::EncodeKeyColumn(c.Type, c.Value, c.Descending);
    if (c.Key.empty()) {
      EXPECT_FALSE(key.has_value()) << c.Name;
    } else {
      EXPECT_EQ(key.value_or(ByteVector{}), c.Key) << c.Name;
    }
  }
}

TEST(IndexKeyTest, LeafPageHoldsSortedEntriesWithEndBits) {
  ByteVector page(4096, 0);
  jetwriter::WriteLeafPage(page.data(), 7,
                           {{{0x7F, 0x80, 0, 0, 2}, {9, 1}}, {{0x7F, 0x80, 0, 0, 1}, {9, 0}}});
  const ByteVector header{0x04, 0x01, 0x0E, 0x0E, 0x07, 0x00, 0x00, 0x00};
  EXPECT_EQ(ByteVector(page.begin(), page.begin() + 8), header);
  EXPECT_EQ(page[0x1B], 0x00);
  EXPECT_EQ(page[0x1C], 0x02);  // first entry ends at 9
  EXPECT_EQ(page[0x1D], 0x04);  // second at 18
  const ByteVector entries{0x7F, 0x80, 0, 0, 1, 0, 0, 9, 0, 0x7F, 0x80, 0, 0, 2, 0, 0, 9, 1};
  EXPECT_EQ(ByteVector(page.begin() + 0x1E0, page.begin() + 0x1E0 + 18), entries);

  ByteVector empty(4096, 0);
  jetwriter::WriteLeafPage(empty.data(), 0x123, {});
  ByteVector expected(4096, 0);
  expected[0] = 0x04, expected[1] = 0x01, expected[2] = 0x20, expected[3] = 0x0E,
  expected[4] = 0x23, expected[5] = 0x01;
  EXPECT_EQ(empty, expected);
}

TEST(StoredValueTest, ConvertsDescriptionValuesExactly) {
  jetwriter::Column decimal;
  decimal.Type = dao::dbDecimal;
  decimal.Precision = 28;
  decimal.Scale = 2;
  ByteVector one(17, 0);
  one[13] = 100;  // 1.00 scaled, least significant word last
  EXPECT_EQ(std::get<dao::Bytes>(jetwriter::CoerceValue(decimal, std::int64_t{1})), one);
  one[0] = 0x80;
  EXPECT_EQ(std::get<dao::Bytes>(jetwriter::CoerceValue(decimal, std::string("-1"))), one);
  EXPECT_THROW(jetwriter::CoerceValue(decimal, std::string("1.234")), jetwriter::SchemaError);

  jetwriter::Column currency;
  currency.Type = dao::dbCurrency;
  EXPECT_EQ(
      std::get<dao::Currency>(jetwriter::CoerceValue(currency, std::string("-0.0001"))).Scaled, -1);
  EXPECT_EQ(std::get<dao::Currency>(jetwriter::CoerceValue(currency, 3.5)).Scaled, 35000);

  jetwriter::Column text;
  text.Type = dao::dbText;
  text.Size = 2;
  EXPECT_EQ(jetwriter::StoredBytes(dao::dbText, jetwriter::CoerceValue(text, std::string("表ソ"))),
            (ByteVector{0x68, 0x88, 0xBD, 0x30}));
  EXPECT_THROW(jetwriter::CoerceValue(text, std::string("abc")), jetwriter::SchemaError);

  EXPECT_EQ(jetwriter::ParseGuid("{6B29FC40-CA47-1067-B31D-00DD010662DA}").value(),
            (ByteVector{0x40, 0xFC, 0x29, 0x6B, 0x47, 0xCA, 0x67, 0x10, 0xB3, 0x1D, 0x00, 0xDD,
                        0x01, 0x06, 0x62, 0xDA}));
  EXPECT_FALSE(jetwriter::ParseGuid("{6B29FC40-CA47-1067-B31D00DD010662DA}"));
}

TEST(StoredValueTest, ParsesDatesAroundDayZero) {
  EXPECT_DOUBLE_EQ(jetwriter::ParseDate("1974-09-21")->Days, 27293.0);
  EXPECT_DOUBLE_EQ(jetwriter::ParseDate("1899-12-30 06:00")->Days, 0.25);
  EXPECT_DOUBLE_EQ(jetwriter::ParseDate("1899-12-29 06:00:00")->Days, -1.25);
  EXPECT_DOUBLE_EQ(jetwriter::ParseDate("2024-02-29T12:00:00")->Days, 45351.5);
  for (const char* bad :
       {"2023-02-29", "2023-13-01", "2023-1-01", "2023-01-01 24:00", "0099-01-01", "2023-01-01x"}) {
    EXPECT_FALSE(jetwriter::ParseDate(bad)) << bad;
  }
}

}  // namespace
}  // namespace tabulon::test
