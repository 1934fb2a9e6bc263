#include <outputs/MarkdownText.h>

#include <algorithm>

#include <text/Utf8.h>

namespace tabulon::outputs {

namespace {

// ASCII punctuation that is markup inside a line of GitHub's Markdown:
// escapes, code spans, emphasis, links and images, a heading's closing
// "#"s, table cells, strike-through, math. The text never starts a line,
// so list, quote and heading markers need nothing.
constexpr std::string_view MarkupPunctuation = "\\`*_[]#|~$";

}  // namespace

std::string MarkdownInline(std::string_view text, bool breaks) {
  const std::string valid = SanitizeUtf8(text);
  std::string out;
  out.reserve(valid.size() + 8);
  for (std::size_t i = 0; i < valid.size(); ++i) {
    const char c = valid[i];
    if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < valid.size() && valid[i + 1] == '\n') ++i;
      out += breaks ? "<br>" : " ";
    } else if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
      out += ' ';
    } else if (c == '&') {
      out += "&amp;";
    } else if (c == '<') {
      out += "&lt;";
    } else if (MarkupPunctuation.find(c) != std::string_view::npos) {
      out += '\\';
      out += c;
    } else {
      out += c;
    }
  }
  return out;
}

std::string CodeFence(std::string_view text) {
  std::size_t longest = 0;
  std::size_t run = 0;
  for (const char c : text) {
    run = c == '`' ? run + 1 : 0;
    longest = std::max(longest, run);
  }
  return std::string(std::max<std::size_t>(3, longest + 1), '`');
}

std::string CodeBlockText(std::string_view text) {
  const std::string valid = SanitizeUtf8(text);
  std::string out;
  out.reserve(valid.size());
  for (std::size_t i = 0; i < valid.size(); ++i) {
    const char c = valid[i];
    if (c == '\r') {
      if (i + 1 < valid.size() && valid[i + 1] == '\n') ++i;
      out += '\n';
    } else if (c != '\n' && c != '\t' && (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)) {
      out += ' ';
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace tabulon::outputs
