#include <app/ConnectionCheck.h>

#include <fmt/printf.h>

#include <engine/TargetLine.h>

namespace tabulon {

namespace {

// A failure text goes into one line of the list: any control character
// would split or garble it.
std::string OneLine(std::string text) {
  for (char& c : text) {
    const auto code = static_cast<unsigned char>(c);
    if (code < 0x20 || code == 0x7F) c = ' ';
  }
  return text;
}

}  // namespace

CheckCounts RunConnectionCheck(TDao360& dao, std::vector<std::string>& lines,
                               const CheckProgress& progress) {
  CheckCounts counts;
  const int lineCount = static_cast<int>(lines.size());
  for (int i = 0; i < lineCount; ++i) {
    std::string& line = lines[static_cast<std::size_t>(i)];
    std::vector<std::string> fields = SplitTargetLine(line);
    if (fields.size() >= 3) {
      std::string errorText;
      dao.Open(fields[1], fields[2], errorText);
      if (dao.Connected()) {
        fields[0] = "OK";
        ++counts.Opened;
      } else {
        fields[0] = "NG " + OneLine(errorText);
        ++counts.Failed;
      }
      line = JoinTargetLine(fields);
      dao.Close();
    }
    if (progress) progress(i, lineCount);
  }
  counts.LineCount = lineCount;
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
