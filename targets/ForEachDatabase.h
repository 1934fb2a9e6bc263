#pragma once
// The one loop over targets that every command uses: each target opened in
// turn, handed to the work while open, and closed; a target that does not
// open is reported with its kind through one channel and the loop goes on.

#include <functional>
#include <string>
#include <vector>

#include <dao/Dao360.h>
#include <targets/OpenTarget.h>
#include <targets/TargetLine.h>

namespace tabulon {

// The targets the lines name, in order; other lines (notes) are passed over.
std::vector<Target> TargetsOfLines(const std::vector<std::string>& lines);

struct ForEachHooks {
  // Each target that did not open; the loop goes on with the next.
  std::function<void(const OpenFailure& failure)> NotOpened;
  // Asked before each target: true ends the loop there.
  std::function<bool()> StopRequested;
};

struct ForEachCounts {
  int Opened = 0;
  int Failed = 0;
  bool Stopped = false;
};

// Opens each of `targets` through `dao`, calls `work` with it and the open
// connection, then closes it; also when `work` throws, which then ends the
// loop with that exception.
ForEachCounts ForEachDatabase(TDao360& dao, const std::vector<Target>& targets,
                              const std::function<void(const Target&, TDao360&)>& work,
                              const ForEachHooks& hooks = {});

}  // namespace tabulon
