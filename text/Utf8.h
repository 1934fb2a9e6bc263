#pragma once
// Small UTF-8 primitives shared by the text layer, the case folding and the
// report's escaping. Strings inside the program are UTF-8; these never throw.

#include <string>
#include <string_view>

namespace tabulon {

inline constexpr char32_t ReplacementCharacter = U'\uFFFD';

// Decodes the code point that starts at `pos` and advances `pos` past it.
// A malformed or truncated sequence, an overlong form or a surrogate gives
// U+FFFD and advances by one byte, so a scan always terminates.
char32_t DecodeUtf8(std::string_view text, std::size_t& pos);

// Appends the UTF-8 form of `cp`; values that are not scalar values are
// written as U+FFFD.
void AppendUtf8(std::string& out, char32_t cp);

// True when `text` is well-formed UTF-8.
bool IsValidUtf8(std::string_view text);

// Replaces every malformed sequence of `text` by U+FFFD.
std::string SanitizeUtf8(std::string_view text);

}  // namespace tabulon
