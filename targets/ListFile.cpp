#include <targets/ListFile.h>

#include <stdexcept>
#include <system_error>

#include <text/AtomicFile.h>
#include <text/SystemReason.h>
#include <text/TextFile.h>

namespace tabulon {

std::string ListFileBytes(std::string_view text) {
  std::string crlf;
  crlf.reserve(text.size() + text.size() / 16);
  for (const char c : text) {
    if (c == '\n') crlf += '\r';
    crlf += c;
  }
  return EncodeTextFile(crlf);
}

std::string ListTextFromBytes(std::string_view bytes) {
  const std::string decoded = DecodeTextFile(bytes);
  std::string text;
  text.reserve(decoded.size());
  for (std::size_t i = 0; i < decoded.size(); ++i) {
    if (decoded[i] == '\r') {
      text += '\n';
      if (i + 1 < decoded.size() && decoded[i + 1] == '\n') ++i;
    } else {
      text += decoded[i];
    }
  }
  return text;
}

std::optional<std::string> ReadListFile(const std::filesystem::path& path) {
  std::error_code error;
  if (std::filesystem::status(path, error).type() == std::filesystem::file_type::not_found) {
    return std::nullopt;
  }
  return ListTextFromBytes(ReadFileBytes(path));
}

void WriteListFile(const std::filesystem::path& path, std::string_view text) {
  try {
    WriteFileAtomically(path, ListFileBytes(text), 0600);
  } catch (const std::system_error& e) {
    throw std::runtime_error("ファイル '" + path.string() +
                             "' に書き込めません: " + SystemReason(e.code()));
  }
}

}  // namespace tabulon
