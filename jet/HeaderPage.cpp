#include <jet/HeaderPage.h>

#include <cmath>
#include <cstring>

#include <jet/Rc4.h>

namespace tabulon::jet {

namespace {

bool EngineNameIs(ByteView prefix, const char* name) {
  const std::size_t length = std::strlen(name) + 1;  // with its NUL
  return prefix.Has(HeaderEngineNameOffset, length) &&
         std::memcmp(prefix.Data() + HeaderEngineNameOffset, name, length) == 0;
}

// The Jet 4 password mask: the creation date's whole days as 4 bytes.
std::array<std::uint8_t, 4> PasswordMask(std::optional<double> date) {
  std::int32_t days = 0;
  if (date && std::isfinite(*date) && *date > -2147483648.0 && *date < 2147483648.0) {
    days = static_cast<std::int32_t>(*date);
  }
  const auto bits = static_cast<std::uint32_t>(days);
  return {static_cast<std::uint8_t>(bits), static_cast<std::uint8_t>(bits >> 8),
          static_cast<std::uint8_t>(bits >> 16), static_cast<std::uint8_t>(bits >> 24)};
}

}  // namespace

std::optional<HeaderPage> ParseHeaderPage(ByteView prefix) {
  if (!prefix.Has(0, HeaderPrefixSize)) return std::nullopt;
  if (std::memcmp(prefix.Data(), HeaderMagic.data(), HeaderMagic.size()) != 0) return std::nullopt;
  HeaderPage header;
  header.Version = prefix.U8(HeaderVersionOffset);
  const bool jetName = EngineNameIs(prefix, JetEngineName);
  const bool aceName = EngineNameIs(prefix, AceEngineName);
  if (header.Version == VersionJet3 || header.Version == VersionJet4) {
    if (!jetName) return std::nullopt;
  } else if (header.Version >= VersionAce12 && header.Version <= VersionAce17) {
    if (!aceName && !jetName) return std::nullopt;
  } else {
    return std::nullopt;
  }
  header.Jet3 = header.Version == VersionJet3;
  header.Ace = header.Version >= VersionAce12;
  header.Format = header.Jet3 ? &Jet3Layout : &Jet4Layout;

  std::vector<std::uint8_t> decoded(prefix.Data(), prefix.Data() + HeaderPrefixSize);
  const std::uint32_t obscured = header.Jet3 ? HeaderObscuredLengthJet3 : HeaderObscuredLengthJet4;
  Rc4 cipher(HeaderRc4Key);
  cipher.Apply(std::span(decoded).subspan(HeaderObscuredOffset, obscured));
  const ByteView page(decoded, "ヘッダー");

  header.CodePage = page.U16(HeaderCodePage);
  header.DatabaseKey = page.U32(HeaderDatabaseKey);
  if (header.Jet3) {
    header.SortOrder = page.U16(HeaderSortOrderJet3);
    for (std::uint32_t i = 0; i < HeaderPasswordLengthJet3; ++i) {
      const std::uint8_t byte = page.U8(HeaderPassword + i);
      if (byte == 0) break;
      header.Password.push_back(byte);
    }
  } else {
    header.SortOrder = page.U16(HeaderSortOrderJet4);
    header.SortVersion = page.U8(HeaderSortOrderJet4 + 3);
    header.CreationDate = page.F64(HeaderCreationDate);
    if (!header.Ace) {
      const auto mask = PasswordMask(header.CreationDate);
      for (std::uint32_t i = 0; i + 1 < HeaderPasswordLengthJet4; i += 2) {
        const auto low = static_cast<std::uint8_t>(page.U8(HeaderPassword + i) ^ mask[i % 4]);
        const auto high =
            static_cast<std::uint8_t>(page.U8(HeaderPassword + i + 1) ^ mask[(i + 1) % 4]);
        if (low == 0 && high == 0) break;
        header.Password.push_back(low);
        header.Password.push_back(high);
      }
    }
  }
  return header;
}

}  // namespace tabulon::jet
