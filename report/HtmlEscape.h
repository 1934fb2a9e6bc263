#pragma once

#include <string>
#include <string_view>

namespace tabulon {

// Makes a text safe inside an HTML cell: "&", "<" and ">" become "&amp;",
// "&lt;" and "&gt;"; the backslash and the yen sign, which Shift-JIS writes
// as the same byte and its fonts show as a yen sign, become "&yen;". The
// control characters HTML forbids (all but tab, line feed and carriage
// return, and DEL and U+0080 to U+009F) become U+FFFD, which the report's
// file writes as a character reference. Quotes stay as they are. Each
// character is replaced once, so the "&" of an inserted entity is not
// escaped again.
std::string HtmlEscape(std::string_view text);

// The same, appended to `out`.
void AppendHtmlEscaped(std::string& out, std::string_view text);

}  // namespace tabulon
