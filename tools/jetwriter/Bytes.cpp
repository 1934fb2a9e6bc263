#include <jetwriter/Bytes.h>

#include <engine/Utf8.h>

namespace tabulon::jetwriter {

namespace {

template <class Emit>
void ForEachUnit(std::string_view utf8, Emit emit) {
  std::size_t pos = 0;
  while (pos < utf8.size()) {
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

void ByteSink::Name(std::string_view utf8) {
  const ByteVector text = Utf16(utf8);
  U16(static_cast<std::uint32_t>(text.size()));
  Append(text);
}

}  // namespace tabulon::jetwriter
