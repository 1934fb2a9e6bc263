#include <gui/FigureText.h>

#include <fmt/printf.h>

namespace tabulon {

namespace {

std::string Grouped(std::uint64_t value) {
  std::string digits = std::to_string(value);
  for (std::size_t i = digits.size(); i > 3; i -= 3) digits.insert(i - 3, ",");
  return digits;
}

// value / divisor rounded half away from zero, for value >= 0.
std::uint64_t RoundedQuotient(std::uint64_t value, std::uint64_t divisor) {
  return value / divisor + (value % divisor >= divisor - divisor / 2 ? 1 : 0);
}

std::string Kb(std::uint64_t value) { return FormatByteCount(2, static_cast<std::int64_t>(value)); }

}  // namespace

std::string FormatByteCount(int unit, std::int64_t value) {
  const bool negative = value < 0;
  const std::uint64_t magnitude = negative ? std::uint64_t{0} - static_cast<std::uint64_t>(value)
                                           : static_cast<std::uint64_t>(value);
  std::string text;
  if (unit <= 1) {
    text = Grouped(magnitude);
  } else if (unit == 2) {
    text = Grouped(RoundedQuotient(magnitude, 1024));
  } else {
    // Whole megabytes and the remainder in hundredths, so that no product
    // can overflow.
    constexpr std::uint64_t mb = 1024 * 1024;
    std::uint64_t whole = magnitude / mb;
    std::uint64_t hundredths = RoundedQuotient(magnitude % mb * 100, mb);
    if (hundredths == 100) {
      ++whole;
      hundredths = 0;
    }
    text = Grouped(whole) + fmt::format(".{:02}", hundredths);
  }
  // A value that rounds to zero shows no sign.
  if (negative && text.find_first_not_of("0,.") != std::string::npos) text.insert(0, "-");
  if (unit == 1) text += " B";
  if (unit == 2) text += " KB";
  if (unit >= 3) text += " MB";
  return text;
}

std::string FormatHMS(std::int64_t seconds) {
  return fmt::sprintf("%d:%2.2d:%2.2d", seconds / 3600, (seconds / 60) % 60, seconds % 60);
}

FigureTexts DescribeFigures(const SystemFigures& f) {
  const MemoryStatus& m = f.Memory;
  const ProcessMemory& p = f.Process;
  FigureTexts t;
  t.Phys = fmt::sprintf("Free Physical Memory:%s; Total:%s", Kb(m.AvailPhys), Kb(m.TotalPhys));
  t.PageFile =
      fmt::sprintf("Free Paging File:%s; Total:%s", Kb(m.AvailPageFile), Kb(m.TotalPageFile));
  t.Virtual =
      fmt::sprintf("Free Virtual Memory:%s; Total:%s", Kb(m.AvailVirtual), Kb(m.TotalVirtual));
  t.WorkingSetSize =
      fmt::sprintf("Memory Usage:%s; Peak:%s", Kb(p.WorkingSetSize), Kb(p.PeakWorkingSetSize));
  t.PageFaultCount = fmt::sprintf("Page Fault:%s",
                                  FormatByteCount(0, static_cast<std::int64_t>(p.PageFaultCount)));
  t.PagefileUsage =
      fmt::sprintf("Pagefile Usage:%s; Peak:%s", Kb(p.PagefileUsage), Kb(p.PeakPagefileUsage));
  t.PagedPoolUsage = fmt::sprintf("Paged Pool Usage:%s; Peak:%s", Kb(p.QuotaPagedPoolUsage),
                                  Kb(p.QuotaPeakPagedPoolUsage));
  t.NonPagedPoolUsage =
      fmt::sprintf("NonPaged Pool Usage:%s; Peak:%s", Kb(p.QuotaNonPagedPoolUsage),
                   Kb(p.QuotaPeakNonPagedPoolUsage));
  t.ProcessTime = fmt::sprintf("Kernel:%s; User:%s; Process:%s", FormatHMS(f.Times.KernelSeconds),
                               FormatHMS(f.Times.UserSeconds), FormatHMS(f.Times.ProcessSeconds));
  return t;
}

}  // namespace tabulon
