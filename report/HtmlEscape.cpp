#include <report/HtmlEscape.h>

namespace tabulon {

std::string HtmlEscape(std::string_view text) {
  std::string escaped;
  escaped.reserve(text.size() + text.size() / 8);
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    switch (c) {
      case '&':
        escaped += "&amp;";
        break;
      case '<':
        escaped += "&lt;";
        break;
      case '>':
        escaped += "&gt;";
        break;
      case '\\':
        escaped += "&yen;";
        break;
      default:
        if (c == '\xC2' && i + 1 < text.size() && text[i + 1] == '\xA5') {  // U+00A5
          escaped += "&yen;";
          ++i;
        } else {
          escaped += c;
        }
    }
  }
  return escaped;
}

}  // namespace tabulon
