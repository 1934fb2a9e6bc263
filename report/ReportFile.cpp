#include <report/ReportFile.h>

#include <cerrno>
#include <stdexcept>

#include <text/SystemReason.h>

namespace tabulon {

namespace {

std::string NumericReference(char32_t cp) {
  return "&#" + std::to_string(static_cast<std::uint32_t>(cp)) + ";";
}

}  // namespace

ReportFile::ReportFile(const std::filesystem::path& path)
    : FPath(path), FFile(std::fopen(path.c_str(), "wb"), &std::fclose) {
  if (!FFile) {
    throw ReportFileError("ファイル '" + FPath.string() +
                          "' を作成できません: " + SystemReason(errno));
  }
}

ReportFile::~ReportFile() = default;

void ReportFile::WriteLine(std::string_view utf8) {
  Write(utf8);
  WriteBytes("\r\n");
}

void ReportFile::Write(std::string_view utf8) {
  WriteBytes(FEncoder.Encode(utf8, NumericReference));
}

void ReportFile::Close() {
  if (!FFile) return;
  std::FILE* file = FFile.release();
  const bool flushed = std::fflush(file) == 0;
  const int flushError = errno;
  const bool closed = std::fclose(file) == 0;
  if (!flushed) Fail(flushError);
  if (!closed) Fail(errno);
}

std::string ReportFile::Encode(std::string_view utf8) {
  static const CodePageEncoder encoder;
  return encoder.Encode(utf8, NumericReference);
}

void ReportFile::WriteBytes(std::string_view bytes) {
  if (!FFile)
    throw ReportFileError("レポートファイル '" + FPath.string() + "' は閉じられています。");
  if (std::fwrite(bytes.data(), 1, bytes.size(), FFile.get()) != bytes.size()) Fail(errno);
}

void ReportFile::Fail(int error) const {
  throw ReportFileError("ファイル '" + FPath.string() +
                        "' に書き込めません: " + SystemReason(error));
}

}  // namespace tabulon
