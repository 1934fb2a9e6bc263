#include <targets/ConnectionCheck.h>

#include <fmt/printf.h>

#include <targets/TargetLine.h>
#include <text/OneLine.h>

namespace tabulon {

CheckCounts RunConnectionCheck(TDao360& dao, std::vector<std::string>& lines,
                               const CheckHooks& hooks) {
  CheckCounts counts;
  const int lineCount = static_cast<int>(lines.size());
  counts.LineCount = lineCount;
  for (int i = 0; i < lineCount; ++i) {
    if (hooks.StopRequested && hooks.StopRequested()) {
      counts.Stopped = true;
      break;
    }
    std::string& line = lines[static_cast<std::size_t>(i)];
    if (std::optional<Target> target = TargetOfLine(line)) {
      std::string errorText;
      dao.Open(target->Password, target->Path, errorText);
      if (dao.Connected()) {
        target->Status = "OK";
        ++counts.Opened;
      } else {
        target->Status = "NG " + OneLine(errorText);
        ++counts.Failed;
        if (hooks.NotOpened) hooks.NotOpened({target->Path, errorText, dao.FailureKind()});
      }
      line = TargetLineOf(*target);
      dao.Close();
    }
    if (hooks.Progress) hooks.Progress(i, lineCount);
  }
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
