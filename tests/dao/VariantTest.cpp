// The text of engine values, as the report shows them.

#include <gtest/gtest.h>

#include <dao/EngineError.h>
#include <dao/Variant.h>

namespace tabulon::dao {
namespace {

TEST(VariantToText, ScalarsAndText) {
  EXPECT_EQ(VariantToText(Empty{}), "");
  EXPECT_EQ(VariantToText(true), "True");
  EXPECT_EQ(VariantToText(false), "False");
  EXPECT_EQ(VariantToText(std::int64_t{-1234567}), "-1234567");
  EXPECT_EQ(VariantToText(std::string("表<\\")), "表<\\");
  EXPECT_EQ(VariantToText(3.5), "3.5");
  EXPECT_EQ(VariantToText(0.1), "0.1");
  EXPECT_EQ(VariantToText(1e20), "1E+20");
  EXPECT_EQ(VariantToText(1.0f / 3.0f), "0.3333333");
  EXPECT_EQ(VariantToText(Currency{35000}), "3.5");
  EXPECT_EQ(VariantToText(Currency{-1}), "-0.0001");
  EXPECT_EQ(VariantToText(Currency{12340000}), "1234");
}

TEST(VariantToText, DatesAsAJapaneseSystemWritesThem) {
  EXPECT_EQ(VariantToText(Date{27293.0}), "1974/09/21");
  EXPECT_EQ(VariantToText(Date{38135.0 + (17 * 3600 + 46 * 60 + 30) / 86400.0}),
            "2004/05/28 17:46:30");
  EXPECT_EQ(VariantToText(Date{38135.0 + (9 * 3600 + 5 * 60 + 3) / 86400.0}), "2004/05/28 9:05:03");
  EXPECT_EQ(VariantToText(Date{0.5}), "12:00:00");
  EXPECT_EQ(VariantToText(Date{0.0}), "0:00:00");
  EXPECT_EQ(VariantToText(Date{-1.25}), "1899/12/29 6:00:00");
  EXPECT_EQ(VariantToText(Date{59.0}), "1900/02/27");
  EXPECT_EQ(VariantToText(Date{61.0}), "1900/03/01");
  EXPECT_EQ(VariantToText(Date{44568.680879895833}), "2022/01/07 16:20:28");
  EXPECT_EQ(VariantToText(Date{1.0 - 0.1 / 86400.0}), "1899/12/31");
  // The same instants in ISO 8601, for scripts.
  EXPECT_EQ(DateIsoText(Date{38135.0 + (9 * 3600 + 5 * 60 + 3) / 86400.0}), "2004-05-28T09:05:03");
  EXPECT_EQ(DateIsoText(Date{0.5}), "1899-12-30T12:00:00");
  EXPECT_EQ(DateIsoText(Date{-1.25}), "1899-12-29T06:00:00");
  EXPECT_EQ(DateIsoText(Date{1.0 - 0.1 / 86400.0}), "1899-12-31T00:00:00");
  EXPECT_EQ(DateIsoText(Date{-700000.0}), std::nullopt);
}

TEST(VariantToText, NullAndBinaryCannotBeConverted) {
  EXPECT_THROW(VariantToText(Null{}), EngineError);
  EXPECT_THROW(VariantToText(Bytes{1, 2}), EngineError);
  EXPECT_THROW(VariantToText(Date{1e300}), EngineError);
}

}  // namespace
}  // namespace tabulon::dao
