#include <text/Cp932Encoder.h>

#include <cstring>

#include <text/Utf8.h>

namespace tabulon {

namespace {

constexpr std::uint64_t HighBits = 0x8080808080808080u;

// The length of the run of ASCII bytes at the start of `text`, eight bytes
// at a time.
std::size_t AsciiRun(std::string_view text) {
  std::size_t run = 0;
  while (run + 8 <= text.size()) {
    std::uint64_t word;
    std::memcpy(&word, text.data() + run, sizeof word);
    if ((word & HighBits) != 0) break;
    run += 8;
  }
  while (run < text.size() && static_cast<unsigned char>(text[run]) < 0x80) ++run;
  return run;
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
  std::size_t pos = 0;
  while (pos < utf8.size()) {
    const std::size_t run = AsciiRun(utf8.substr(pos));
    out.append(utf8.data() + pos, run);
    pos += run;
    if (pos == utf8.size()) break;
    const std::size_t start = pos;
    const char32_t cp = DecodeUtf8(utf8, pos);
    const bool malformed = cp == ReplacementCharacter && pos - start == 1;
    if (malformed) {
      unmappable(out, cp);
    } else if (cp > 0xFFFF) {
      std::string bytes;
      if (Convert(cp, bytes)) {
        out += bytes;
      } else {
        unmappable(out, cp);
      }
    } else if (const Entry entry = Lookup(cp); entry == Unmappable) {
      unmappable(out, cp);
    } else {
      if (entry >> 16 == 2) out += static_cast<char>(entry >> 8 & 0xFF);
      out += static_cast<char>(entry & 0xFF);
    }
  }
}

}  // namespace tabulon
