#include <tools/jetwriter/Bytes.h>

#include <text/Utf8.h>

namespace tabulon::jetwriter {

namespace {

// A surrogate written in UTF-8's three-byte form (ED A0 80 to ED BF BF,
// which UTF-8 proper forbids) is that unit as it is: the schema's
// {"utf16": [...]} texts, which need not be valid UTF-16, come so.
template <class Emit>
void ForEachUnit(std::string_view utf8, Emit emit) {
  std::size_t pos = 0;
  while (pos < utf8.size()) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(utf8[pos + k]); };
    if (pos + 2 < utf8.size() && byte(0) == 0xED && byte(1) >= 0xA0 && byte(1) <= 0xBF &&
        byte(2) >= 0x80 && byte(2) <= 0xBF) {
      emit(static_cast<std::uint16_t>(0xD000 | (byte(1) & 0x3F) << 6 | (byte(2) & 0x3F)));
      pos += 3;
      continue;
    }
    const char32_t cp = DecodeUtf8(utf8, pos);
    if (cp > 0xFFFF) {
      const char32_t v = cp - 0x10000;
      emit(static_cast<std::uint16_t>(0xD800 + (v >> 10)));
      emit(static_cast<std::uint16_t>(0xDC00 + (v & 0x3FF)));
    } else {
      emit(static_cast<std::uint16_t>(cp));
    }
  }
}

}  // namespace

ByteVector Utf16(std::string_view utf8) {
  ByteVector out;
  out.reserve(utf8.size() * 2);
  ForEachUnit(utf8, [&](std::uint16_t unit) {
    out.push_back(static_cast<std::uint8_t>(unit));
    out.push_back(static_cast<std::uint8_t>(unit >> 8));
  });
  return out;
}

std::size_t Utf16Length(std::string_view utf8) {
  std::size_t count = 0;
  ForEachUnit(utf8, [&](std::uint16_t) { ++count; });
  return count;
}

// Out of line on purpose: inlined into callers, GCC 12 at -O3 misreads the
// vector growth as out-of-bounds access (false -Warray-bounds and
// -Wstringop-overread).
void ByteSink::U8(std::uint32_t v) { FBytes.push_back(static_cast<std::uint8_t>(v)); }

void ByteSink::U16(std::uint32_t v) {
  U8(v);
  U8(v >> 8);
}

void ByteSink::U32(std::uint32_t v) {
  U16(v);
  U16(v >> 16);
}

void ByteSink::U64(std::uint64_t v) {
  U32(static_cast<std::uint32_t>(v));
  U32(static_cast<std::uint32_t>(v >> 32));
}

void ByteSink::F64(double v) {
  std::uint64_t bits;
  std::memcpy(&bits, &v, sizeof bits);
  U64(bits);
}

void ByteSink::Append(const ByteVector& bytes) {
  FBytes.insert(FBytes.end(), bytes.begin(), bytes.end());
}

void ByteSink::Zeros(std::size_t count) { FBytes.resize(FBytes.size() + count, 0); }

// The vector's own order, out of line for the same reason as U8: inlined into
// std::sort or std::set, GCC 12 at -O3 reports a false -Wstringop-overread
// on the memcmp behind it.
bool BytesLess(const ByteVector& a, const ByteVector& b) { return a < b; }

void ByteSink::Name(std::string_view utf8) {
  const ByteVector text = Utf16(utf8);
  U16(static_cast<std::uint32_t>(text.size()));
  Append(text);
}

}  // namespace tabulon::jetwriter
