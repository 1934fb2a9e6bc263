#pragma once
// UTF-8 to code page 932 for text written in bulk (the report). Runs of
// ASCII, most of such text, are copied as they are; every other character
// takes its bytes from a table filled from iconv ("CP932") the first time
// the encoder meets that character, so a character costs one call into
// iconv per encoder however often it occurs. The bytes are exactly those
// CodePageEncoder("CP932") writes; ASCII among them is unchanged, so text
// known to be ASCII may be appended to the output as it is.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include <text/CodePage.h>

namespace tabulon {

class Cp932Encoder {
 public:
  // Appends to `out` what stands for `cp`, a character CP932 cannot hold.
  using AppendUnmappable = void (*)(std::string& out, char32_t cp);

  // Throws std::runtime_error when iconv has no CP932 (as IconvHandle).
  Cp932Encoder();

  // Appends the bytes of `utf8` to `out`. Each character CP932 cannot hold,
  // and each malformed byte (as U+FFFD, one per byte as DecodeUtf8 reads
  // them), goes through `unmappable`. Not safe to call from two threads at
  // once: the table fills as it goes.
  void Append(std::string& out, std::string_view utf8, AppendUnmappable unmappable);

 private:
  // A table entry: 0 not looked up yet, Unmappable, or the byte count (1
  // or 2) in bits 16 and up and the bytes below (a pair's first byte in
  // bits 8..15).
  using Entry = std::uint32_t;
  static constexpr Entry Unmappable = 0xFFFFFFFFu;

  Entry Lookup(char32_t cp);
  // iconv's bytes for `cp`; false when CP932 cannot hold it.
  bool Convert(char32_t cp, std::string& bytes) const;

  IconvHandle FHandle;
  std::vector<Entry> FBasicPlane;  // by code point, U+0000..U+FFFF
};

}  // namespace tabulon
