#pragma once
// The texts of the About window's figure labels.

#include <cstdint>
#include <string>

#include <platform/SystemFigures.h>

namespace tabulon {

// A quantity in the unit the caller names, digits grouped by three with ","
// and rounded half away from zero:
//   0: the value "#,##0"           1: the value "#,##0 B"
//   2: value / 1024 "#,##0 KB"     3 and above: value / 1024² "#,##0.00 MB"
// (1,537 bytes in unit 2 give "2 KB", 1,535 bytes "1 KB".)
std::string FormatByteCount(int unit, std::int64_t value);

// "h:mm:ss" with hours unbounded: 3725 gives "1:02:05", 90061 "25:01:01".
std::string FormatHMS(std::int64_t seconds);

// The nine figure labels' texts, in the order the window fills them.
struct FigureTexts {
  std::string Phys;
  std::string PageFile;
  std::string Virtual;
  std::string WorkingSetSize;
  std::string PageFaultCount;
  std::string PagefileUsage;
  std::string PagedPoolUsage;
  std::string NonPagedPoolUsage;
  std::string ProcessTime;
};

FigureTexts DescribeFigures(const SystemFigures& figures);

}  // namespace tabulon
