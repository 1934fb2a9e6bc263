#pragma once
// The report file: written front to back, line by line, in Shift-JIS (code
// page 932) with CR LF after every line. The encoded bytes gather in a
// buffer of BufferSize bytes that is written whenever it fills, so nothing
// more is kept in memory and the system sees few, large writes.
//
// A character code page 932 cannot hold is written as an HTML numeric
// character reference ("&#233;"), so no text is lost. Callers escape text
// with HtmlEscape before writing it; the references are made here, after
// escaping, so their "&" is not escaped again.

#include <cstdio>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

#include <text/Cp932Encoder.h>

namespace tabulon {

// A failure to create or write the report file.
class ReportFileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class ReportFile {
 public:
  // Creates or truncates the file. Throws ReportFileError naming the
  // path and the system's reason when it cannot.
  explicit ReportFile(const std::filesystem::path& path);
  // Writes what is buffered and closes the file if Close() was not called;
  // errors are then lost.
  ~ReportFile();
  ReportFile(const ReportFile&) = delete;
  ReportFile& operator=(const ReportFile&) = delete;

  // Writes `utf8` followed by CR LF. Throws ReportFileError on a write
  // error (a full disk, for example), here or at a later write or Close,
  // as the buffer is written; and when the file is closed.
  void WriteLine(std::string_view utf8);
  // Writes `utf8` with no line end.
  void Write(std::string_view utf8);

  // Lines made in the file's encoding, for rows written by the thousand:
  // ASCII markup is appended to `bytes` as it is (Shift-JIS writes ASCII
  // unchanged), text through AppendEncoded, text to escape through
  // AppendEscaped (HtmlEscape, then encoded); WriteEncodedLine writes the
  // line as it is, followed by CR LF.
  void AppendEncoded(std::string& bytes, std::string_view utf8);
  void AppendEscaped(std::string& bytes, std::string_view text);
  void WriteEncodedLine(std::string_view bytes);
  // Writes what is buffered and closes; throws when the data cannot be
  // written.
  void Close();

  const std::filesystem::path& Path() const { return FPath; }

  // The bytes the report writes for `utf8` (without a line end).
  static std::string Encode(std::string_view utf8);

  static constexpr std::size_t BufferSize = 256 * 1024;

 private:
  void RequireOpen() const;
  void WriteBufferWhenFull() {
    if (FBuffer.size() >= BufferSize) WriteBuffer();
  }
  void WriteBuffer();
  [[noreturn]] void Fail(int error) const;

  std::filesystem::path FPath;
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> FFile;
  Cp932Encoder FEncoder;
  std::string FBuffer;   // encoded, not yet written
  std::string FEscaped;  // AppendEscaped's text, kept to reuse its memory
};

}  // namespace tabulon
