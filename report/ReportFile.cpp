#include <report/ReportFile.h>

#include <cerrno>
#include <stdexcept>

#include <report/HtmlEscape.h>
#include <text/SystemReason.h>

namespace tabulon {

namespace {

void AppendNumericReference(std::string& out, char32_t cp) {
  out += "&#";
  out += std::to_string(static_cast<std::uint32_t>(cp));
  out += ';';
}

}  // namespace

ReportFile::ReportFile(const std::filesystem::path& path)
    : FPath(path), FFile(std::fopen(path.c_str(), "wb"), &std::fclose) {
  if (!FFile) {
    throw ReportFileError("ファイル '" + FPath.string() +
                          "' を作成できません: " + SystemReason(errno));
  }
  FBuffer.reserve(BufferSize + BufferSize / 4);
}

ReportFile::~ReportFile() {
  if (FFile && !FBuffer.empty()) {
    std::fwrite(FBuffer.data(), 1, FBuffer.size(), FFile.get());
  }
}

void ReportFile::WriteLine(std::string_view utf8) {
  RequireOpen();
  FEncoder.Append(FBuffer, utf8, AppendNumericReference);
  FBuffer += "\r\n";
  WriteBufferWhenFull();
}

void ReportFile::Write(std::string_view utf8) {
  RequireOpen();
  FEncoder.Append(FBuffer, utf8, AppendNumericReference);
  WriteBufferWhenFull();
}

void ReportFile::AppendEncoded(std::string& bytes, std::string_view utf8) {
  FEncoder.Append(bytes, utf8, AppendNumericReference);
}

void ReportFile::AppendEscaped(std::string& bytes, std::string_view text) {
  FEscaped.clear();
  AppendHtmlEscaped(FEscaped, text);
  FEncoder.Append(bytes, FEscaped, AppendNumericReference);
}

void ReportFile::WriteEncodedLine(std::string_view bytes) {
  RequireOpen();
  FBuffer += bytes;
  FBuffer += "\r\n";
  WriteBufferWhenFull();
}

void ReportFile::Close() {
  if (!FFile) return;
  WriteBuffer();
  std::FILE* file = FFile.release();
  const bool flushed = std::fflush(file) == 0;
  const int flushError = errno;
  const bool closed = std::fclose(file) == 0;
  if (!flushed) Fail(flushError);
  if (!closed) Fail(errno);
}

std::string ReportFile::Encode(std::string_view utf8) {
  Cp932Encoder encoder;
  std::string bytes;
  encoder.Append(bytes, utf8, AppendNumericReference);
  return bytes;
}

void ReportFile::RequireOpen() const {
  if (!FFile)
    throw ReportFileError("レポートファイル '" + FPath.string() + "' は閉じられています。");
}

void ReportFile::WriteBuffer() {
  const bool written =
      std::fwrite(FBuffer.data(), 1, FBuffer.size(), FFile.get()) == FBuffer.size();
  const int error = errno;
  FBuffer.clear();
  if (!written) Fail(error);
}

void ReportFile::Fail(int error) const {
  throw ReportFileError("ファイル '" + FPath.string() +
                        "' に書き込めません: " + SystemReason(error));
}

}  // namespace tabulon
