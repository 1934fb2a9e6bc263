#include <targets/ForEachDatabase.h>

namespace tabulon {

std::vector<Target> TargetsOfLines(const std::vector<std::string>& lines) {
  std::vector<Target> targets;
  for (const std::string& line : lines) {
    if (std::optional<Target> target = TargetOfLine(line)) targets.push_back(std::move(*target));
  }
  return targets;
}

ForEachCounts ForEachDatabase(TDao360& dao, const std::vector<Target>& targets,
                              const std::function<void(const Target&, TDao360&)>& work,
                              const ForEachHooks& hooks) {
  ForEachCounts counts;
  for (const Target& target : targets) {
    if (hooks.StopRequested && hooks.StopRequested()) {
      counts.Stopped = true;
      break;
    }
    std::string errorText;
    dao.Open(target.Password, target.Path, errorText);
    if (!dao.Connected()) {
      ++counts.Failed;
      if (hooks.NotOpened) hooks.NotOpened({target.Path, errorText, dao.FailureKind()});
      continue;
    }
    ++counts.Opened;
    try {
      work(target, dao);
    } catch (...) {
      // The work's failure is the one to report; a close that fails too
      // would only hide it.
      try {
        dao.Close();
      } catch (...) {
      }
      throw;
    }
    dao.Close();
  }
  return counts;
}

}  // namespace tabulon
