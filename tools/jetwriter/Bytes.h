#pragma once
// Little-endian byte assembly and UTF-16 text for the writer.

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tabulon::jetwriter {

using ByteVector = std::vector<std::uint8_t>;

// Appends little-endian values to a growing buffer.
class ByteSink {
 public:
  void U8(std::uint32_t v);
  void U16(std::uint32_t v);
  void U32(std::uint32_t v);
  void U64(std::uint64_t v);
  void F64(double v);
  void Append(const ByteVector& bytes);
  void Zeros(std::size_t count);
  // A name as the TDEF and property blocks store it: uint16 byte length, UTF-16.
  void Name(std::string_view utf8);

  std::size_t Size() const { return FBytes.size(); }
  ByteVector& Bytes() { return FBytes; }
  ByteVector Take() { return std::move(FBytes); }

 private:
  ByteVector FBytes;
};

// Orders byte strings as unsigned bytes, shorter first on a common prefix:
// the order of index entries.
bool BytesLess(const ByteVector& a, const ByteVector& b);

struct BytesOrder {
  bool operator()(const ByteVector& a, const ByteVector& b) const { return BytesLess(a, b); }
};

inline void PutU16(std::uint8_t* at, std::uint32_t v) {
  at[0] = static_cast<std::uint8_t>(v);
  at[1] = static_cast<std::uint8_t>(v >> 8);
}
inline void PutU32(std::uint8_t* at, std::uint32_t v) {
  PutU16(at, v);
  PutU16(at + 2, v >> 16);
}

// A GUID's first three groups are stored little-endian but read (in text
// and in index keys) big-endian; the same swap turns either form into the
// other. `guid` holds 16 bytes.
inline void SwapGuidGroups(ByteVector& guid) {
  std::swap(guid[0], guid[3]);
  std::swap(guid[1], guid[2]);
  std::swap(guid[4], guid[5]);
  std::swap(guid[6], guid[7]);
}

// UTF-16LE form of UTF-8 text (characters beyond U+FFFF as surrogate pairs;
// malformed input as U+FFFD).
ByteVector Utf16(std::string_view utf8);
// Length of that form in 16-bit units.
std::size_t Utf16Length(std::string_view utf8);

}  // namespace tabulon::jetwriter
