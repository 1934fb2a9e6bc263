#include <report/HtmlEscape.h>

#include <array>

namespace tabulon {

namespace {

// The bytes that may start something to escape.
constexpr auto Special = [] {
  std::array<bool, 256> special{};
  for (const unsigned char c : {'&', '<', '>', '\\', '\xC2'}) special[c] = true;
  return special;
}();

}  // namespace

void AppendHtmlEscaped(std::string& out, std::string_view text) {
  std::size_t plain = 0;  // start of the characters not yet appended
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (!Special[static_cast<unsigned char>(text[i])]) continue;
    std::string_view entity;
    std::size_t length = 1;
    switch (text[i]) {
      case '&':
        entity = "&amp;";
        break;
      case '<':
        entity = "&lt;";
        break;
      case '>':
        entity = "&gt;";
        break;
      case '\\':
        entity = "&yen;";
        break;
      case '\xC2':
        if (i + 1 < text.size() && text[i + 1] == '\xA5') {  // U+00A5
          entity = "&yen;";
          length = 2;
        }
        break;
      default:
        break;
    }
    if (entity.empty()) continue;
    out.append(text.data() + plain, i - plain);
    out += entity;
    i += length - 1;
    plain = i + 1;
  }
  out.append(text.data() + plain, text.size() - plain);
}

std::string HtmlEscape(std::string_view text) {
  std::string escaped;
  escaped.reserve(text.size() + text.size() / 8);
  AppendHtmlEscaped(escaped, text);
  return escaped;
}

}  // namespace tabulon
