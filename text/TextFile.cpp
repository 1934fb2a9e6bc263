#include <text/TextFile.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <stdexcept>

#include <text/CodePage.h>
#include <text/SystemReason.h>
#include <text/Utf8.h>

namespace tabulon {

std::string DecodeTextFile(std::string_view bytes) {
  if (bytes.starts_with(Utf8Bom)) return SanitizeUtf8(bytes.substr(Utf8Bom.size()));
  return DecodeCp932(bytes);
}

std::string EncodeTextFile(std::string_view utf8) {
  std::string encoded;
  if (TryEncodeCp932(utf8, encoded)) return encoded;
  std::string out(Utf8Bom);
  out += utf8;
  return out;
}

std::vector<std::string> SplitListLines(std::string_view text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) {
      lines.emplace_back(text.substr(start));
      break;
    }
    lines.emplace_back(text.substr(start, end - start));
    start = end + ((text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ? 2 : 1);
  }
  return lines;
}

namespace {

// Appends the whole file to `bytes`; the system's error number on failure,
// else 0.
int ReadAll(const std::filesystem::path& path, std::string& bytes) {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                       &std::fclose);
  if (!file) return errno;
  char buffer[65536];
  std::size_t got = 0;
  while ((got = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) bytes.append(buffer, got);
  if (std::ferror(file.get())) return errno != 0 ? errno : EIO;
  return 0;
}

}  // namespace

std::string ReadFileBytes(const std::filesystem::path& path) {
  std::string bytes;
  if (const int error = ReadAll(path, bytes); error != 0) {
    throw std::runtime_error("ファイル '" + path.string() +
                             "' を読み込めません: " + SystemReason(error));
  }
  return bytes;
}

std::optional<std::string> TryReadFileBytes(const std::filesystem::path& path) {
  std::string bytes;
  if (ReadAll(path, bytes) != 0) return std::nullopt;
  return bytes;
}

std::string ReadTextFile(const std::filesystem::path& path) {
  return DecodeTextFile(ReadFileBytes(path));
}

}  // namespace tabulon
