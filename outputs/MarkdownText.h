#pragma once
// Text from a database put into Markdown (GitHub's dialect) so that it
// reads as itself: no name can end a table cell or a table, open a code
// span, emphasis, a link or an HTML tag, or start a heading.

#include <string>
#include <string_view>

namespace tabulon::outputs {

// `text` for a table cell or a heading, after "| " or "# ": ASCII
// punctuation Markdown reads as markup within a line is escaped with a
// backslash ("\", "`", "*", "_", "[", "]", "#", "|", "~", "$"), "&" and
// "<" become "&amp;" and
// "&lt;", line breaks become "<br>" (a single space with `breaks` false, as
// a heading needs), other control characters a space, malformed UTF-8
// U+FFFD. An empty or all-blank text stays as it is.
std::string MarkdownInline(std::string_view text, bool breaks = true);

// A fence for a code block holding `text`: backticks, one more than the
// longest run of backticks in it, at least three.
std::string CodeFence(std::string_view text);

// `text` made fit for a fenced code block: valid UTF-8, line breaks as
// "\n", other control characters but tabs as spaces.
std::string CodeBlockText(std::string_view text);

}  // namespace tabulon::outputs
