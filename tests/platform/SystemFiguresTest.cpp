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
    "CommitLimit:    24384000 kB\n"
    "Committed_AS:    9000000 kB\n"
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

  const MemoryStatus m = MemoryStatusFrom(Meminfo);
  EXPECT_EQ(m.AvailPhys, 20000000ULL * 1024);
  EXPECT_EQ(m.AvailPageFile, 7000000ULL * 1024);
  // Virtual memory is the commit limit, not a 64-bit address space.
  EXPECT_EQ(m.TotalVirtual, 24384000ULL * 1024);
  EXPECT_EQ(m.AvailVirtual, (24384000ULL - 9000000ULL) * 1024);
  EXPECT_EQ(MemoryStatusFrom("MemFree: 5 kB\n").AvailPhys, 5120U);
  EXPECT_EQ(MemoryStatusFrom("CommitLimit: 5 kB\nCommitted_AS: 9 kB\n").AvailVirtual, 0U);

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
