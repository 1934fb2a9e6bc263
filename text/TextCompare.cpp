#include <text/TextCompare.h>

#include <locale.h>
#include <wctype.h>

#include <text/Utf8.h>

namespace tabulon {

namespace {

// glibc's built-in C.UTF-8 locale carries the Unicode case tables; it is used
// through its own handle so the process locale does not matter.
locale_t UnicodeCtype() {
  static const locale_t locale = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
  return locale;
}

char32_t AsciiLower(unsigned char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char32_t>(c + ('a' - 'A')) : c;
}

char32_t LowerOf(char32_t cp) {
  if (cp < 0x80) return AsciiLower(static_cast<unsigned char>(cp));
  // Final sigma lower-cases to itself, yet upper-cases to Σ like σ: one
  // letter, as an upper-casing comparison sees it.
  if (cp == U'ς') return U'σ';
  const locale_t locale = UnicodeCtype();
  if (locale == static_cast<locale_t>(0)) return cp;
  return static_cast<char32_t>(towlower_l(static_cast<wint_t>(cp), locale));
}

}  // namespace

std::string ToLowerText(std::string_view utf8) {
  std::string lower;
  lower.reserve(utf8.size());
  std::size_t pos = 0;
  while (pos < utf8.size()) AppendUtf8(lower, LowerOf(DecodeUtf8(utf8, pos)));
  return lower;
}

// The lower-cased character at `pos` of `text`, advancing past it. Most
// names are ASCII, which needs no decoding.
char32_t NextLower(std::string_view text, std::size_t& pos) {
  const auto byte = static_cast<unsigned char>(text[pos]);
  if (byte < 0x80) {
    ++pos;
    return AsciiLower(byte);
  }
  return LowerOf(DecodeUtf8(text, pos));
}

int CompareNoCase(std::string_view a, std::string_view b) {
  std::size_t i = 0;
  std::size_t j = 0;
  while (i < a.size() && j < b.size()) {
    const char32_t x = NextLower(a, i);
    const char32_t y = NextLower(b, j);
    if (x != y) return x < y ? -1 : 1;
  }
  if (i < a.size()) return 1;
  if (j < b.size()) return -1;
  return 0;
}

std::size_t HashNoCase(std::string_view utf8) {
  // FNV-1a over the lower-cased characters.
  std::uint64_t hash = 0xcbf29ce484222325u;
  std::size_t pos = 0;
  while (pos < utf8.size()) {
    hash ^= NextLower(utf8, pos);
    hash *= 0x100000001b3u;
  }
  return static_cast<std::size_t>(hash);
}

}  // namespace tabulon
