#pragma once
// Small UTF-8 primitives shared by the text layer, the case folding and the
// report's escaping. Strings inside the program are UTF-8; these never throw.

#include <string>
#include <string_view>

namespace tabulon {

inline constexpr char32_t ReplacementCharacter = U'\uFFFD';

// Decodes the code point that starts at `pos` and advances `pos` past it.
// A malformed or truncated sequence, an overlong form or a surrogate gives
// U+FFFD and advances by one byte, so a scan always terminates. Inline:
// the encoders and comparisons call it for every character.
inline char32_t DecodeUtf8(std::string_view text, std::size_t& pos) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(pos);
  if (lead < 0x80) {
    ++pos;
    return lead;
  }
  std::size_t length = 0;
  char32_t cp = 0;
  char32_t minimum = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    cp = lead & 0x1F;
    minimum = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    cp = lead & 0x0F;
    minimum = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    cp = lead & 0x07;
    minimum = 0x10000;
  } else {
    ++pos;
    return ReplacementCharacter;
  }
  if (length > text.size() - pos) {
    ++pos;
    return ReplacementCharacter;
  }
  for (std::size_t i = 1; i < length; ++i) {
    const unsigned char next = byte(pos + i);
    if ((next & 0xC0) != 0x80) {
      ++pos;
      return ReplacementCharacter;
    }
    cp = (cp << 6) | (next & 0x3F);
  }
  if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
    ++pos;
    return ReplacementCharacter;
  }
  pos += length;
  return cp;
}

// Writes the UTF-8 form of `cp` (1 to 4 bytes) at `out` and returns the
// byte count; values that are not scalar values are written as U+FFFD.
inline std::size_t PutUtf8(char* out, char32_t cp) {
  if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = ReplacementCharacter;
  if (cp < 0x80) {
    out[0] = static_cast<char>(cp);
    return 1;
  }
  if (cp < 0x800) {
    out[0] = static_cast<char>(0xC0 | (cp >> 6));
    out[1] = static_cast<char>(0x80 | (cp & 0x3F));
    return 2;
  }
  if (cp < 0x10000) {
    out[0] = static_cast<char>(0xE0 | (cp >> 12));
    out[1] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out[2] = static_cast<char>(0x80 | (cp & 0x3F));
    return 3;
  }
  out[0] = static_cast<char>(0xF0 | (cp >> 18));
  out[1] = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
  out[2] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
  out[3] = static_cast<char>(0x80 | (cp & 0x3F));
  return 4;
}

// Appends the UTF-8 form of `cp`, as PutUtf8 writes it.
inline void AppendUtf8(std::string& out, char32_t cp) {
  char bytes[4];
  out.append(bytes, PutUtf8(bytes, cp));
}

// True when `text` is well-formed UTF-8.
bool IsValidUtf8(std::string_view text);

// Replaces every malformed sequence of `text` by U+FFFD.
std::string SanitizeUtf8(std::string_view text);

}  // namespace tabulon
