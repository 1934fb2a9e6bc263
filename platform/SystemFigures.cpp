#include <platform/SystemFigures.h>

#include <charconv>
#include <ctime>
#include <string>

#include <sys/resource.h>
#include <unistd.h>

#include <text/TextFile.h>

namespace tabulon {

namespace {

std::string ReadProcText(const char* path) { return TryReadFileBytes(path).value_or(""); }

std::uint64_t Field(std::string_view text, std::string_view name) {
  return KilobyteField(text, name).value_or(0);
}

}  // namespace

std::optional<std::uint64_t> KilobyteField(std::string_view text, std::string_view name) {
  std::size_t lineStart = 0;
  while (lineStart < text.size()) {
    std::size_t lineEnd = text.find('\n', lineStart);
    if (lineEnd == std::string_view::npos) lineEnd = text.size();
    std::string_view line = text.substr(lineStart, lineEnd - lineStart);
    lineStart = lineEnd + 1;
    if (!line.starts_with(name) || line.size() <= name.size() || line[name.size()] != ':') continue;
    line.remove_prefix(name.size() + 1);
    while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(line.data(), line.data() + line.size(), value);
    if (error != std::errc()) return std::nullopt;
    std::string_view unit(end, static_cast<std::size_t>(line.data() + line.size() - end));
    while (!unit.empty() && unit.front() == ' ') unit.remove_prefix(1);
    while (!unit.empty() && (unit.back() == ' ' || unit.back() == '\r')) unit.remove_suffix(1);
    if (unit == "kB") {
      if (value > UINT64_MAX / 1024) return std::nullopt;
      return value * 1024;
    }
    if (unit.empty()) return value;
    return std::nullopt;
  }
  return std::nullopt;
}

MemoryStatus MemoryStatusFrom(std::string_view meminfo) {
  MemoryStatus m;
  m.TotalPhys = Field(meminfo, "MemTotal");
  m.AvailPhys = KilobyteField(meminfo, "MemAvailable").value_or(Field(meminfo, "MemFree"));
  m.TotalPageFile = Field(meminfo, "SwapTotal");
  m.AvailPageFile = Field(meminfo, "SwapFree");
  // What a Linux user reads as virtual memory: the kernel's commit limit
  // and what of it is not yet committed (a 64-bit process's address space
  // would show 128 TiB whatever the machine has).
  m.TotalVirtual = Field(meminfo, "CommitLimit");
  const std::uint64_t committed = Field(meminfo, "Committed_AS");
  m.AvailVirtual = committed < m.TotalVirtual ? m.TotalVirtual - committed : 0;
  return m;
}

ProcessMemory ProcessMemoryFrom(std::string_view status, std::uint64_t pageFaults) {
  ProcessMemory p;
  p.WorkingSetSize = Field(status, "VmRSS");
  p.PeakWorkingSetSize = Field(status, "VmHWM");
  p.PageFaultCount = pageFaults;
  p.PagefileUsage = Field(status, "VmSize");
  p.PeakPagefileUsage = Field(status, "VmPeak");
  p.QuotaPagedPoolUsage = Field(status, "VmPTE");
  p.QuotaPeakPagedPoolUsage = p.QuotaPagedPoolUsage;
  p.QuotaNonPagedPoolUsage = Field(status, "VmLck");
  p.QuotaPeakNonPagedPoolUsage = p.QuotaNonPagedPoolUsage;
  return p;
}

std::optional<std::uint64_t> StartTicksFromStat(std::string_view stat) {
  // Fields after the command name: state is field 3, starttime field 22.
  const std::size_t close = stat.rfind(')');
  if (close == std::string_view::npos) return std::nullopt;
  std::string_view rest = stat.substr(close + 1);
  for (int field = 3; field <= 22; ++field) {
    while (!rest.empty() && rest.front() == ' ') rest.remove_prefix(1);
    if (rest.empty()) return std::nullopt;
    const std::size_t end = rest.find(' ');
    const std::string_view token = rest.substr(0, end);
    if (field == 22) {
      std::uint64_t ticks = 0;
      const auto [ptr, error] = std::from_chars(token.data(), token.data() + token.size(), ticks);
      if (error != std::errc() || ptr != token.data() + token.size()) return std::nullopt;
      return ticks;
    }
    if (end == std::string_view::npos) return std::nullopt;
    rest.remove_prefix(end);
  }
  return std::nullopt;
}

SystemFigures ReadSystemFigures() {
  SystemFigures f;
  const std::string meminfo = ReadProcText("/proc/meminfo");
  const std::string status = ReadProcText("/proc/self/status");

  f.Memory = MemoryStatusFrom(meminfo);

  rusage usage{};
  const bool haveUsage = ::getrusage(RUSAGE_SELF, &usage) == 0;
  const std::uint64_t faults = haveUsage ? static_cast<std::uint64_t>(usage.ru_minflt) +
                                               static_cast<std::uint64_t>(usage.ru_majflt)
                                         : 0;
  f.Process = ProcessMemoryFrom(status, faults);

  if (haveUsage) {
    f.Times.KernelSeconds = usage.ru_stime.tv_sec;
    f.Times.UserSeconds = usage.ru_utime.tv_sec;
  }
  // The start time counts ticks since boot, so the present is read on the
  // boot-time clock too: no wall-clock or zone change can skew the result.
  // Both are fixed for the life of the process: read them once.
  static const long ticksPerSecond = ::sysconf(_SC_CLK_TCK);
  static const std::optional<std::uint64_t> start =
      StartTicksFromStat(ReadProcText("/proc/self/stat"));
  timespec now{};
  if (start && ticksPerSecond > 0 && ::clock_gettime(CLOCK_BOOTTIME, &now) == 0) {
    const auto perSecond = static_cast<std::uint64_t>(ticksPerSecond);
    const std::uint64_t nowTicks = static_cast<std::uint64_t>(now.tv_sec) * perSecond +
                                   static_cast<std::uint64_t>(now.tv_nsec) * perSecond / 1000000000;
    f.Times.ProcessSeconds =
        nowTicks > *start ? static_cast<std::int64_t>((nowTicks - *start) / perSecond) : 0;
  }
  return f;
}

}  // namespace tabulon
