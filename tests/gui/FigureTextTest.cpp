// The About window's figure texts where the window's own test does not
// reach (its labels pin the common cases).

#include <gtest/gtest.h>

#include <gui/FigureText.h>

namespace tabulon {
namespace {

TEST(FigureText, ByteCountsInEachUnit) {
  struct Case {
    int Unit;
    std::int64_t Value;
    std::string_view Expected;
  };
  const Case cases[] = {
      {0, 1234567, "1,234,567"},
      {1, 1000, "1,000 B"},
      {2, std::int64_t{1} << 47, "137,438,953,472 KB"},
      {2, -1537, "-2 KB"},
      {3, 1572864, "1.50 MB"},
      {3, 1048575, "1.00 MB"},
      {9, std::int64_t{17} << 30, "17,408.00 MB"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FormatByteCount(c.Unit, c.Value), c.Expected) << c.Unit << " " << c.Value;
  }
}

TEST(FigureText, HoursMinutesSeconds) {
  EXPECT_EQ(FormatHMS(90061), "25:01:01");
  EXPECT_EQ(FormatHMS(std::int64_t{1} << 33), "2386092:56:32");
}

}  // namespace
}  // namespace tabulon
