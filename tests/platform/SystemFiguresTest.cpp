// The system and process figures, parsed from their Linux sources.

#include <gtest/gtest.h>

#include <platform/SystemFigures.h>

namespace tabulon {
namespace {

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
