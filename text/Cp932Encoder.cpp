#include <text/Cp932Encoder.h>

#include <bit>
#include <cstring>

#include <text/Utf8.h>

namespace tabulon {

namespace {

constexpr std::uint64_t HighBits = 0x8080808080808080u;

// The length of the run of ASCII at the start of `text`.
std::size_t AsciiPrefix(std::string_view text) {
  std::size_t run = 0;
  while (text.size() - run >= 8) {
    std::uint64_t word;
    std::memcpy(&word, text.data() + run, sizeof word);
    if ((word & HighBits) != 0) break;
    run += 8;
  }
  while (run < text.size() && static_cast<unsigned char>(text[run]) < 0x80) ++run;
  return run;
}

// DecodeUtf8, with a shortcut for the three-byte characters of Japanese
// text: a lead E1..EC or EE..EF and two continuation bytes are always a
// valid character (E0 may be overlong, ED a surrogate).
char32_t NextCharacter(std::string_view utf8, std::size_t& pos) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(utf8[pos + i]); };
  if (utf8.size() - pos >= 3) {
    const unsigned char lead = byte(0);
    if (lead >= 0xE1 && lead <= 0xEF && lead != 0xED && (byte(1) & 0xC0) == 0x80 &&
        (byte(2) & 0xC0) == 0x80) {
      const char32_t cp = static_cast<char32_t>(lead & 0x0F) << 12 |
                          static_cast<char32_t>(byte(1) & 0x3F) << 6 | (byte(2) & 0x3F);
      pos += 3;
      return cp;
    }
  }
  return DecodeUtf8(utf8, pos);
}

}  // namespace

Cp932Encoder::Cp932Encoder() : FHandle("CP932", "UTF-8"), FBasicPlane(0x10000, 0) {}

bool Cp932Encoder::Convert(char32_t cp, std::string& bytes) const {
  std::string utf8;
  AppendUtf8(utf8, cp);
  FHandle.Reset();
  char buffer[16];
  char* in = utf8.data();
  std::size_t inLeft = utf8.size();
  char* outPtr = buffer;
  std::size_t outLeft = sizeof buffer;
  if (iconv(FHandle.Get(), &in, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1) ||
      inLeft != 0) {
    return false;
  }
  bytes.assign(buffer, static_cast<std::size_t>(outPtr - buffer));
  return true;
}

Cp932Encoder::Entry Cp932Encoder::Lookup(char32_t cp) {
  Entry& entry = FBasicPlane[cp];
  if (entry == 0) {
    std::string bytes;
    // A character of CP932 takes one or two bytes.
    if (!Convert(cp, bytes) || bytes.empty() || bytes.size() > 2) {
      entry = Unmappable;
    } else {
      const auto byte = [&](std::size_t i) {
        return static_cast<Entry>(static_cast<unsigned char>(bytes[i]));
      };
      entry = bytes.size() == 1 ? (Entry{1} << 16 | byte(0))
                                : (Entry{2} << 16 | byte(0) << 8 | byte(1));
    }
  }
  return entry;
}

void Cp932Encoder::Append(std::string& out, std::string_view utf8, AppendUnmappable unmappable) {
  // Most texts are ASCII throughout: they are appended as they are.
  std::size_t pos = AsciiPrefix(utf8);
  out.append(utf8.data(), pos);
  if (pos == utf8.size()) return;
  // A character of the table takes no more bytes in CP932 than in UTF-8,
  // so the input's length is room enough for them; anything else is
  // appended after shrinking the string to what is written.
  std::size_t at = out.size();
  out.resize(at + (utf8.size() - pos));
  const auto appendOther = [&](char32_t cp) {
    out.resize(at);
    std::string bytes;
    if (cp <= 0xFFFF || !Convert(cp, bytes)) {
      unmappable(out, cp);
    } else {
      out += bytes;
    }
    at = out.size();
    out.resize(at + (utf8.size() - pos));
  };
  while (pos < utf8.size()) {
    // ASCII is copied as it is, eight bytes at a time while they last; the
    // room left is never less than the input left.
    char* to = out.data();
    while (utf8.size() - pos >= 8) {
      std::uint64_t word;
      std::memcpy(&word, utf8.data() + pos, sizeof word);
      std::memcpy(to + at, &word, sizeof word);
      const std::uint64_t high = word & HighBits;
      // The bytes before the first one with its high bit set.
      const int before = std::endian::native == std::endian::little ? std::countr_zero(high)
                                                                    : std::countl_zero(high);
      const std::size_t ascii = high == 0 ? 8 : static_cast<std::size_t>(before) / 8;
      pos += ascii;
      at += ascii;
      if (ascii < 8) break;
    }
    while (pos < utf8.size() && static_cast<unsigned char>(utf8[pos]) < 0x80)
      to[at++] = utf8[pos++];
    if (pos == utf8.size()) break;
    const std::size_t start = pos;
    const char32_t cp = NextCharacter(utf8, pos);
    if (cp == ReplacementCharacter && pos - start == 1) {
      appendOther(cp);  // a malformed byte, whatever CP932 makes of U+FFFD
      continue;
    }
    if (cp > 0xFFFF) {
      appendOther(cp);
      continue;
    }
    Entry entry = FBasicPlane[cp];
    if (entry == 0) entry = Lookup(cp);
    if (entry == Unmappable) {
      appendOther(cp);
      continue;
    }
    if (entry >> 16 == 2) out[at++] = static_cast<char>(entry >> 8 & 0xFF);
    out[at++] = static_cast<char>(entry & 0xFF);
  }
  out.resize(at);
}

}  // namespace tabulon
