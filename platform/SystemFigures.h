#pragma once
// The live figures of the About window: memory of the system, memory and
// paging of this process, and its times, taken from Linux's own sources.
// Every quantity is 64-bit, so machines beyond 4 GiB show true values.
//
// The figures keep the names of their Windows counterparts; on Linux they
// mean:
//   physical memory     MemTotal, MemAvailable of /proc/meminfo
//   paging file         SwapTotal, SwapFree of /proc/meminfo
//   virtual memory      the process's address-space limit (RLIMIT_AS, or the
//                       architecture's user address space when unlimited),
//                       and that limit less VmSize
//   working set         VmRSS, VmHWM of /proc/self/status
//   page faults         minor plus major faults of getrusage
//   page-file usage     VmSize, VmPeak
//   paged pool          VmPTE (the page tables), which Linux keeps no peak of
//   non-paged pool      VmLck (locked memory), which Linux keeps no peak of
//   kernel, user time   getrusage
//   process time        since the process's start, on the boot-time clock
// Where Linux keeps no peak, the peak shown is the current value.

#include <cstdint>
#include <optional>
#include <string_view>

namespace tabulon {

struct MemoryStatus {
  std::uint64_t TotalPhys = 0;
  std::uint64_t AvailPhys = 0;
  std::uint64_t TotalPageFile = 0;
  std::uint64_t AvailPageFile = 0;
  std::uint64_t TotalVirtual = 0;
  std::uint64_t AvailVirtual = 0;
};

struct ProcessMemory {
  std::uint64_t WorkingSetSize = 0;
  std::uint64_t PeakWorkingSetSize = 0;
  std::uint64_t PageFaultCount = 0;
  std::uint64_t PagefileUsage = 0;
  std::uint64_t PeakPagefileUsage = 0;
  std::uint64_t QuotaPagedPoolUsage = 0;
  std::uint64_t QuotaPeakPagedPoolUsage = 0;
  std::uint64_t QuotaNonPagedPoolUsage = 0;
  std::uint64_t QuotaPeakNonPagedPoolUsage = 0;
};

// Whole seconds, fractions dropped.
struct ProcessTimes {
  std::int64_t KernelSeconds = 0;
  std::int64_t UserSeconds = 0;
  std::int64_t ProcessSeconds = 0;
};

struct SystemFigures {
  MemoryStatus Memory;
  ProcessMemory Process;
  ProcessTimes Times;
};

// The value of a "Name:  <n> kB" line of /proc/meminfo or /proc/self/status,
// in bytes; nullopt when the line is missing or malformed.
std::optional<std::uint64_t> KilobyteField(std::string_view text, std::string_view name);

// The memory status from the text of /proc/meminfo. A missing MemAvailable
// (kernels before 3.14) is taken as MemFree; virtual memory is the commit
// limit (CommitLimit) and what of it is not committed (Committed_AS).
// Missing lines read 0.
MemoryStatus MemoryStatusFrom(std::string_view meminfo);

// The process memory from the text of /proc/self/status and the count of
// page faults. Missing lines read 0.
ProcessMemory ProcessMemoryFrom(std::string_view status, std::uint64_t pageFaults);

// The start time field of a /proc/<pid>/stat text, in clock ticks since
// boot; nullopt when malformed. The command name in parentheses may hold
// blanks and parentheses itself.
std::optional<std::uint64_t> StartTicksFromStat(std::string_view stat);

// The figures of the running process now. Sources that cannot be read give
// zeros; this never throws.
SystemFigures ReadSystemFigures();

}  // namespace tabulon
