#pragma once
// The connection check: opens every target of the list once, writes the
// outcome into each target line's status field, and counts. Both fronts
// (the window's check button and `tabulon-cli --check`) use it.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include <dao/Dao360.h>
#include <targets/OpenTarget.h>
#include <text/TextFile.h>

namespace tabulon {

struct CheckCounts {
  int LineCount = 0;    // every line of the list, targets or not
  int TargetCount = 0;  // the lines that name a target
  int Opened = 0;
  int Failed = 0;
  bool Stopped = false;  // StopRequested ended the check early
};

// What a front may hear of the check and tell it; every member may be empty.
struct CheckHooks {
  // After each line index has been handled (targets and others).
  std::function<void(int index, int lineCount)> Progress;
  // Each target that did not open.
  std::function<void(const OpenFailure& failure)> NotOpened;
  // Asked before each line: true leaves it and the rest as they are.
  std::function<bool()> StopRequested;
};

// For every line with at least three fields, opens field 3 with password
// field 2 and rewrites the line in place as the status "OK" or "NG " plus
// the failure text (its control characters turned into spaces, so the line
// cannot split), then fields 2 and 3 and every further field as they were.
// Other lines stay untouched. The connection is closed after each file.
CheckCounts RunConnectionCheck(TDao360& dao, std::vector<std::string>& lines,
                               const CheckHooks& hooks = {});

// The message shown after the check, five lines joined by CR LF.
std::string CheckSummaryText(const CheckCounts& counts);

}  // namespace tabulon
