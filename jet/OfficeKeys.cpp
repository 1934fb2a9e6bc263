#include <jet/OfficeKeys.h>

#include <algorithm>

#include <text/Utf8.h>

namespace tabulon::jet {

namespace {

constexpr std::size_t MaxPasswordUnits = 255;
constexpr std::size_t StandardPadSize = 64;

void AppendUnit(std::vector<std::uint8_t>& out, std::uint32_t unit) {
  out.push_back(static_cast<std::uint8_t>(unit));
  out.push_back(static_cast<std::uint8_t>(unit >> 8));
}

}  // namespace

std::array<std::uint8_t, 4> LittleEndian32(std::uint32_t value) {
  return {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
          static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
}

std::vector<std::uint8_t> OfficePassword(std::string_view utf8) {
  std::vector<std::uint8_t> out;
  std::size_t at = 0;
  while (at < utf8.size() && out.size() < MaxPasswordUnits * 2) {
    const char32_t cp = DecodeUtf8(utf8, at);
    if (cp >= 0x10000) {
      AppendUnit(out, 0xD800 + ((cp - 0x10000) >> 10));
      AppendUnit(out, 0xDC00 + ((cp - 0x10000) & 0x3FF));
    } else {
      AppendUnit(out, cp);
    }
  }
  out.resize(std::min(out.size(), MaxPasswordUnits * 2));
  return out;
}

std::array<std::uint8_t, 4> PageBlockKey(std::uint32_t databaseKey, std::uint32_t page) {
  return LittleEndian32(databaseKey ^ page);
}

std::vector<std::uint8_t> SpunHash(Digest& hash, ByteSpan salt, ByteSpan password,
                                   std::uint32_t rounds) {
  std::vector<std::uint8_t> value = hash.Of({salt, password});
  for (std::uint32_t i = 0; i < rounds; ++i) {
    // The digest reads all of its input before it writes the result.
    hash.Hash({LittleEndian32(i), value}, value);
  }
  return value;
}

std::vector<std::uint8_t> AgileDerive(Digest& hash, ByteSpan first, ByteSpan block,
                                      std::size_t length) {
  std::vector<std::uint8_t> value = hash.Of({first, block});
  value.resize(length, 0x36);
  return value;
}

std::vector<std::uint8_t> StandardAesKey(Digest& hash, ByteSpan spun, ByteSpan block,
                                         std::size_t keyBytes) {
  const std::vector<std::uint8_t> final = hash.Of({spun, block});
  std::array<std::uint8_t, StandardPadSize> inner;
  std::array<std::uint8_t, StandardPadSize> outer;
  inner.fill(0x36);
  outer.fill(0x5C);
  for (std::size_t i = 0; i < std::min(final.size(), StandardPadSize); ++i) {
    inner[i] ^= final[i];
    outer[i] ^= final[i];
  }
  std::vector<std::uint8_t> key = hash.Of({inner});
  const std::vector<std::uint8_t> second = hash.Of({outer});
  key.insert(key.end(), second.begin(), second.end());
  key.resize(std::min(key.size(), keyBytes));
  return key;
}

std::vector<std::uint8_t> Rc4CryptoApiKey(Digest& hash, ByteSpan h0, ByteSpan block,
                                          std::uint32_t keyBits) {
  std::vector<std::uint8_t> key = hash.Of({h0, block});
  key.resize(keyBits / 8, 0);
  if (keyBits == 40) key.resize(16, 0);
  return key;
}

}  // namespace tabulon::jet
