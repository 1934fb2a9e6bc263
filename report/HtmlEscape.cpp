#include <report/HtmlEscape.h>

#include <array>

namespace tabulon {

namespace {

// HTML forbids the control characters but tab, line feed and carriage
// return; each is shown as the replacement character instead.
constexpr bool IsForbiddenControl(unsigned char c) {
  return (c < 0x20 && c != '\t' && c != '\n' && c != '\r') || c == 0x7F;
}

constexpr std::string_view Replacement = "\xEF\xBF\xBD";  // U+FFFD

// The bytes that may start something to escape.
constexpr auto Special = [] {
  std::array<bool, 256> special{};
  for (const unsigned char c : {'&', '<', '>', '\\', '\xC2'}) special[c] = true;
  for (int c = 0; c < 256; ++c) {
    if (IsForbiddenControl(static_cast<unsigned char>(c)))
      special[static_cast<std::size_t>(c)] = true;
  }
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
        } else if (i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
                   static_cast<unsigned char>(text[i + 1]) <= 0x9F) {  // U+0080 to U+009F
          entity = Replacement;
          length = 2;
        }
        break;
      default:
        if (IsForbiddenControl(static_cast<unsigned char>(text[i]))) entity = Replacement;
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
