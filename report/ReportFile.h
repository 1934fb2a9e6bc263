#pragma once
// The report file: written front to back, line by line, in Shift-JIS (code
// page 932) with CR LF after every line. Nothing is kept in memory beyond
// the stream's buffer.
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

#include <text/CodePage.h>

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
  // Closes the file if Close() was not called; errors are then lost.
  ~ReportFile();
  ReportFile(const ReportFile&) = delete;
  ReportFile& operator=(const ReportFile&) = delete;

  // Writes `utf8` followed by CR LF. Throws ReportFileError on a write
  // error (a full disk, for example).
  void WriteLine(std::string_view utf8);
  // Writes `utf8` with no line end.
  void Write(std::string_view utf8);
  // Flushes and closes; throws when the data cannot be written.
  void Close();

  const std::filesystem::path& Path() const { return FPath; }

  // The bytes the report writes for `utf8` (without a line end).
  static std::string Encode(std::string_view utf8);

 private:
  void WriteBytes(std::string_view bytes);
  [[noreturn]] void Fail(int error) const;

  std::filesystem::path FPath;
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> FFile;
  CodePageEncoder FEncoder;
};

}  // namespace tabulon
