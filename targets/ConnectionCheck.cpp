#include <targets/ConnectionCheck.h>

#include <fmt/printf.h>

#include <targets/ForEachDatabase.h>
#include <targets/TargetLine.h>
#include <text/OneLine.h>

namespace tabulon {

CheckCounts RunConnectionCheck(TDao360& dao, std::vector<std::string>& lines,
                               const CheckHooks& hooks) {
  CheckCounts counts;
  const int lineCount = static_cast<int>(lines.size());
  counts.LineCount = lineCount;
  std::vector<Target> targets;
  std::vector<int> lineOf;  // the line of each target
  for (int i = 0; i < lineCount; ++i) {
    if (std::optional<Target> target = TargetOfLine(lines[static_cast<std::size_t>(i)])) {
      targets.push_back(std::move(*target));
      lineOf.push_back(i);
    }
  }
  // Progress is told line by line, notes included, as each is passed.
  int told = 0;
  const auto tellUpTo = [&](int last) {
    for (; told <= last; ++told) {
      if (hooks.Progress) hooks.Progress(told, lineCount);
    }
  };
  std::size_t done = 0;
  const auto settle = [&](std::string status) {
    Target checked = targets[done];
    checked.Status = std::move(status);
    lines[static_cast<std::size_t>(lineOf[done])] = TargetLineOf(checked);
    tellUpTo(lineOf[done]);
    ++done;
  };
  ForEachHooks each;
  each.StopRequested = [&] {
    tellUpTo(lineOf[done] - 1);
    return hooks.StopRequested && hooks.StopRequested();
  };
  each.NotOpened = [&](const OpenFailure& failure) {
    settle("NG " + OneLine(failure.Text));
    if (hooks.NotOpened) hooks.NotOpened(failure);
  };
  const ForEachCounts opened = ForEachDatabase(
      dao, targets, [&](const Target&, TDao360&) { settle("OK"); }, each);
  counts.Opened = opened.Opened;
  counts.Failed = opened.Failed;
  counts.Stopped = opened.Stopped;
  if (!counts.Stopped) tellUpTo(lineCount - 1);
  return counts;
}

std::string CheckSummaryText(const CheckCounts& counts) {
  return fmt::sprintf(
      "%d 行のリストのうち、%d 個に接続でき、%d 個に接続できませんでした。\r\n"
      "接続できた %d 個のファイルのみ解析します。\r\n"
      "\r\n"
      "「NG」で始まる行が接続できなかったファイルです。\r\n"
      "パスワード間違いがあれば修正してください。",
      counts.LineCount, counts.Opened, counts.Failed, counts.Opened);
}

}  // namespace tabulon
