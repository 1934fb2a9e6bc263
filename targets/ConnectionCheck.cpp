#include <targets/ConnectionCheck.h>

#include <cstdlib>
#include <filesystem>

#include <fmt/printf.h>

#include <targets/ForEachDatabase.h>
#include <targets/TargetLine.h>
#include <text/OneLine.h>

namespace tabulon {

namespace {

// The path a checked line keeps: "~/" as the home folder, and a relative
// path that names an existing file as an absolute one, so that a report's
// headings and a later run from another folder agree. Anything else (a
// Windows path, a missing file) stays as typed.
std::string ResolvedPath(const std::string& path) {
  std::string resolved = path;
  if (resolved.starts_with("~/")) {
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
      resolved = std::string(home) + resolved.substr(1);
    }
  }
  std::error_code error;
  if (!resolved.empty() && resolved.front() != '/' &&
      std::filesystem::is_regular_file(resolved, error)) {
    const std::filesystem::path absolute = std::filesystem::absolute(resolved, error);
    if (!error) resolved = absolute.lexically_normal().string();
  }
  return resolved;
}

}  // namespace

CheckCounts RunConnectionCheck(TDao360& dao, std::vector<std::string>& lines,
                               const CheckHooks& hooks) {
  CheckCounts counts;
  const int lineCount = static_cast<int>(lines.size());
  counts.LineCount = lineCount;
  std::vector<Target> targets;
  std::vector<int> lineOf;  // the line of each target
  for (int i = 0; i < lineCount; ++i) {
    if (std::optional<Target> target = TargetOfLine(lines[static_cast<std::size_t>(i)])) {
      target->Path = ResolvedPath(target->Path);
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
  counts.TargetCount = static_cast<int>(targets.size());
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
  // The count is of the lines that name a target, so that OK and NG add up
  // to it; lines that name none (notes, blank lines) are counted apart.
  const int notes = counts.LineCount - counts.TargetCount;
  return fmt::sprintf(
      "%d 行のリストのうち、%d 個に接続でき、%d 個に接続できませんでした。\r\n"
      "%s"
      "接続できた %d 個のファイルのみ解析します。\r\n"
      "\r\n"
      "「NG」で始まる行が接続できなかったファイルです。\r\n"
      "パスワード間違いがあれば修正してください。",
      counts.TargetCount, counts.Opened, counts.Failed,
      notes > 0 ? fmt::sprintf("（ファイルを指さない %d 行は数えていません。）\r\n", notes) : "",
      counts.Opened);
}

}  // namespace tabulon
