#pragma once
// Conversion between the program's UTF-8 strings and the byte encodings of
// the files it reads and writes, through glibc's iconv. Code page 932 is
// Windows' own Shift-JIS table ("CP932"), not the stricter "SHIFT-JIS",
// which maps 0x5C to the yen sign and lacks the NEC and IBM rows.

#include <functional>
#include <string>
#include <string_view>

#include <iconv.h>

namespace tabulon {

// Owns one iconv conversion descriptor. Not copyable; movable.
class IconvHandle {
 public:
  // Throws std::runtime_error naming both encodings when iconv has no such
  // conversion.
  IconvHandle(const char* toCode, const char* fromCode);
  ~IconvHandle();
  IconvHandle(IconvHandle&& other) noexcept;
  IconvHandle& operator=(IconvHandle&& other) noexcept;
  IconvHandle(const IconvHandle&) = delete;
  IconvHandle& operator=(const IconvHandle&) = delete;

  iconv_t Get() const { return FHandle; }
  void Reset() const;  // back to the initial shift state

 private:
  iconv_t FHandle;
};

// Called for a character the target code page cannot hold; returns the bytes
// to write in its place.
using UnmappableHandler = std::function<std::string(char32_t)>;

// Encodes UTF-8 into a code page. Keeps one descriptor, so reuse an encoder
// for many strings.
class CodePageEncoder {
 public:
  explicit CodePageEncoder(const char* codePage = "CP932");

  // Every character the code page can hold becomes exactly its bytes; each
  // other character (and each malformed UTF-8 byte, as U+FFFD) goes through
  // `unmappable`.
  std::string Encode(std::string_view utf8, const UnmappableHandler& unmappable) const;

  // False when some character does not fit; `out` is then unspecified.
  bool TryEncode(std::string_view utf8, std::string& out) const;

 private:
  IconvHandle FHandle;
};

// Decodes bytes of a code page into UTF-8. Bytes that are not valid in it
// become U+FFFD, one per byte, and decoding goes on after them.
class CodePageDecoder {
 public:
  explicit CodePageDecoder(const char* codePage = "CP932");
  std::string Decode(std::string_view bytes) const;

 private:
  IconvHandle FHandle;
};

// One-off helpers over CP932.
std::string DecodeCp932(std::string_view bytes);
bool TryEncodeCp932(std::string_view utf8, std::string& out);

// The iconv name of a Windows code page number (932 -> "CP932",
// 1252 -> "CP1252", ...), or "" when iconv knows none for it.
std::string IconvNameOfCodePage(int codePage);

}  // namespace tabulon
