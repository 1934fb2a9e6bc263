#include <tools/jetwriter/HeaderPage.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

#include <jet/JetFormat.h>
#include <jet/Rc4.h>
#include <tools/jetwriter/PageFile.h>
#include <tools/jetwriter/TableLayout.h>

namespace tabulon::jetwriter {

namespace {

// Bytes 0x98.. as Access 2000 leaves them.
constexpr std::array<std::uint8_t, 8> Jet4Trailer{0x54, 0x06, 0x00, 0x00, 0x34, 0x2E, 0x30, 0x00};
constexpr std::uint16_t WesternCodePage = 1252;

}  // namespace

void WriteHeaderPage(std::uint8_t* page, dao::Date created, std::string_view password) {
  using namespace jet;
  std::copy(HeaderMagic.begin(), HeaderMagic.end(), page);
  std::memcpy(page + HeaderEngineNameOffset, JetEngineName, sizeof JetEngineName);
  page[HeaderVersionOffset] = VersionJet4;
  std::copy(HeaderConstantBlock.begin(), HeaderConstantBlock.end(), page + HeaderObscuredOffset);
  PutU16(page + HeaderCodePage, WesternCodePage);
  PutU32(page + HeaderDatabaseKey, 0);
  PutU16(page + HeaderSortOrderJet4, GeneralSortOrder);
  std::uint64_t dateBits;
  std::memcpy(&dateBits, &created.Days, sizeof dateBits);
  PutU32(page + HeaderCreationDate, static_cast<std::uint32_t>(dateBits));
  PutU32(page + HeaderCreationDate + 4, static_cast<std::uint32_t>(dateBits >> 32));

  // The password area is masked with the whole days of the creation date;
  // without a password it holds the bare mask, as the engine writes it.
  const ByteVector text = Utf16(password);
  std::array<std::uint8_t, HeaderPasswordLengthJet4> area{};
  std::copy_n(text.begin(), std::min(text.size(), area.size()), area.begin());
  const auto days = static_cast<std::int32_t>(std::trunc(created.Days));
  std::uint8_t mask[4];
  PutU32(mask, static_cast<std::uint32_t>(days));
  for (std::size_t i = 0; i < area.size(); ++i) area[i] ^= mask[i % 4];
  std::copy(area.begin(), area.end(), page + HeaderPassword);

  std::copy(Jet4Trailer.begin(), Jet4Trailer.end(),
            page + HeaderObscuredOffset + HeaderObscuredLengthJet4);
  Rc4 cipher(HeaderRc4Key);
  cipher.Apply({page + HeaderObscuredOffset, HeaderObscuredLengthJet4});
  // The last 0x200 bytes of the page hold 00 01 pairs in every engine-made file.
  for (std::uint32_t at = PageSize - 0x200; at < PageSize; at += 2) page[at + 1] = 0x01;
}

}  // namespace tabulon::jetwriter
