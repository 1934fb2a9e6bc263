#include <text/OneLine.h>

#include <text/Utf8.h>

namespace tabulon {

std::string OneLine(std::string_view text) {
  std::string line = SanitizeUtf8(text);
  for (char& c : line) {
    const auto code = static_cast<unsigned char>(c);
    if (code < 0x20 || code == 0x7F) c = ' ';
  }
  return line;
}

}  // namespace tabulon
