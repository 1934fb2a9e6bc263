#include <text/Utf8.h>

namespace tabulon {

bool IsValidUtf8(std::string_view text) {
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t start = pos;
    if (DecodeUtf8(text, pos) == ReplacementCharacter && pos - start != 3) return false;
  }
  return true;
}

std::string SanitizeUtf8(std::string_view text) {
  if (IsValidUtf8(text)) return std::string(text);
  std::string out;
  out.reserve(text.size());
  std::size_t pos = 0;
  while (pos < text.size()) AppendUtf8(out, DecodeUtf8(text, pos));
  return out;
}

}  // namespace tabulon
