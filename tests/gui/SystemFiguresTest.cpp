// The About window's figures: Linux sources parsed, and the texts made of
// them where the window's own test does not reach (its labels pin the
// common cases).

#include <gtest/gtest.h>

#include <info/FigureText.h>
#include <info/SystemFigures.h>

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

constexpr std::string_view Meminfo =
    "MemTotal:       32768000 kB\n"
    "MemFree:         1000000 kB\n"
    "MemAvailable:   20000000 kB\n"
    "SwapTotal:       8000000 kB\n"
    "SwapFree:        7000000 kB\n"
    "HugePages_Total:       0\n";

constexpr std::string_view Status =
    "Name:\ttabulon\n"
    "VmPeak:\t  900000 kB\n"
    "VmSize:\t  800000 kB\n"
    "VmLck:\t       4 kB\n"
    "VmHWM:\t  120000 kB\n"
    "VmRSS:\t  100000 kB\n"
    "VmPTE:\t     512 kB\n";

TEST(SystemFigures, ParsesProcTexts) {
  EXPECT_EQ(KilobyteField(Meminfo, "MemTotal"), 32768000ULL * 1024);
  EXPECT_EQ(KilobyteField(Meminfo, "HugePages_Total"), 0U);
  EXPECT_EQ(KilobyteField(Meminfo, "Mem"), std::nullopt);
  EXPECT_EQ(KilobyteField("MemTotal: 99999999999999999999 kB\n", "MemTotal"), std::nullopt);

  const MemoryStatus m = MemoryStatusFrom(Meminfo, Status, std::uint64_t{1} << 47);
  EXPECT_EQ(m.AvailPhys, 20000000ULL * 1024);
  EXPECT_EQ(m.AvailPageFile, 7000000ULL * 1024);
  EXPECT_EQ(m.AvailVirtual, (std::uint64_t{1} << 47) - 800000ULL * 1024);
  EXPECT_EQ(MemoryStatusFrom("MemFree: 5 kB\n", "", 0).AvailPhys, 5120U);
  EXPECT_EQ(MemoryStatusFrom("", Status, 1024).AvailVirtual, 0U);

  const ProcessMemory p = ProcessMemoryFrom(Status, 42);
  EXPECT_EQ(p.PeakWorkingSetSize, 120000ULL * 1024);
  EXPECT_EQ(p.PeakPagefileUsage, 900000ULL * 1024);
  EXPECT_EQ(p.QuotaPagedPoolUsage, 512U * 1024);
  EXPECT_EQ(p.QuotaNonPagedPoolUsage, 4U * 1024);
}

TEST(SystemFigures, StartTimeOfStatLine) {
  EXPECT_EQ(StartTicksFromStat("123 (tabulon) S 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 "
                               "987654 20 21"),
            987654U);
  EXPECT_EQ(StartTicksFromStat("123 (a b) c)) R 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 55"),
            55U);
  EXPECT_EQ(StartTicksFromStat("123 (x) S 1 2 3"), std::nullopt);
  EXPECT_EQ(StartTicksFromStat("no parenthesis"), std::nullopt);
}

TEST(SystemFigures, LiveFiguresAreSane) {
  const SystemFigures f = ReadSystemFigures();
  EXPECT_GT(f.Memory.TotalPhys, 0U);
  EXPECT_LE(f.Memory.AvailPhys, f.Memory.TotalPhys);
  EXPECT_GT(f.Process.WorkingSetSize, 0U);
  EXPECT_GE(f.Process.PeakWorkingSetSize, f.Process.WorkingSetSize);
  EXPECT_GE(f.Times.ProcessSeconds, 0);
  EXPECT_LT(f.Times.ProcessSeconds, 3600);
}

}  // namespace
}  // namespace tabulon
