// The file's own structures, pinned to the bytes of engine-made files: the
// header with its password mask, the global usage map, definitions spread
// over pages, and repeatability.

#include <cstring>

#include <gtest/gtest.h>

#include <jet/JetFormat.h>
#include <jet/Rc4.h>
#include <tools/jetwriter/HeaderPage.h>
#include <tools/jetwriter/JetWriter.h>
#include <tools/jetwriter/SchemaJson.h>
#include <tools/jetwriter/Synthetic.h>

#include "Fixtures.h"

namespace tabulon::test {
namespace {

using jetwriter::ByteVector;

std::uint32_t U32(const ByteVector& bytes, std::size_t at) {
  return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 |
         static_cast<std::uint32_t>(bytes[at + 3]) << 24;
}
std::uint16_t U16(const ByteVector& bytes, std::size_t at) {
  return static_cast<std::uint16_t>(bytes[at] | bytes[at + 1] << 8);
}

// Page 0 with its obscured region decoded.
ByteVector DecodedHeader(const jetwriter::Database& db) {
  ByteVector page = jetwriter::WriteDatabase(db).Bytes;
  page.resize(4096);
  jet::Rc4 cipher(jet::HeaderRc4Key);
  cipher.Apply({page.data() + jet::HeaderObscuredOffset, jet::HeaderObscuredLengthJet4});
  return page;
}

jetwriter::Database OneTable() {
  return jetwriter::ReadSchemaJson(
      R"({"tables": [{"name": "T", "columns": [{"name": "A", "type": "long"}]}]})");
}

TEST(FileLayoutTest, HeaderCarriesVersionDateAndMaskedPassword) {
  jetwriter::Database db = OneTable();
  db.Created = dao::Date{44568.68};  // whole days 0xAE18: mask 18 AE 00 00
  db.Password = "password";
  ByteVector header = DecodedHeader(db);
  EXPECT_EQ(ByteVector(header.begin(), header.begin() + 0x15),
            (ByteVector{0,   1,   0,   0,   'S', 't', 'a', 'n', 'd', 'a', 'r',
                        'd', ' ', 'J', 'e', 't', ' ', 'D', 'B', 0,   1}));
  EXPECT_EQ(ByteVector(header.begin() + 0x18, header.begin() + 0x30),
            ByteVector(jet::HeaderConstantBlock.begin(), jet::HeaderConstantBlock.end()));
  EXPECT_EQ(U32(header, jet::HeaderDatabaseKey), 0u);
  EXPECT_EQ(U16(header, jet::HeaderSortOrderJet4), 1033);
  EXPECT_EQ(ByteVector(header.begin() + 0x42, header.begin() + 0x4A),
            (ByteVector{0x68, 0xAE, 0x61, 0x00, 0x6B, 0xAE, 0x73, 0x00}));
  EXPECT_EQ(ByteVector(header.begin() + 0x52, header.begin() + 0x56),
            (ByteVector{0x18, 0xAE, 0x00, 0x00}));
  double date;
  std::memcpy(&date, header.data() + jet::HeaderCreationDate, sizeof date);
  EXPECT_EQ(date, 44568.68);

  // Without a password the area holds the bare mask, ten times.
  db.Password.clear();
  header = DecodedHeader(db);
  for (int i = 0; i < 10; ++i) {
    EXPECT_EQ(ByteVector(header.begin() + 0x42 + 4 * i, header.begin() + 0x46 + 4 * i),
              (ByteVector{0x18, 0xAE, 0, 0}));
  }
}

TEST(FileLayoutTest, GlobalMapMarksPagesBeyondTheFileFree) {
  const ByteVector file = jetwriter::WriteDatabase(OneTable()).Bytes;
  ASSERT_EQ(file.size() % 4096, 0u);
  const std::size_t pages = file.size() / 4096;
  const std::size_t page1 = 4096;
  EXPECT_EQ(file[page1], jet::PageData);
  EXPECT_EQ(U32(file, page1 + 4), 1u);
  EXPECT_EQ(U16(file, page1 + 12), 2);
  const std::size_t row0 = page1 + U16(file, page1 + 14);
  EXPECT_EQ(U16(file, page1 + 14), 4096 - 69);
  EXPECT_EQ(file[row0], 0);
  EXPECT_EQ(U32(file, row0 + 1), 0u);
  for (std::size_t page = 0; page < 512; ++page) {
    const bool free = (file[row0 + 5 + page / 8] >> (page % 8) & 1) != 0;
    EXPECT_EQ(free, page >= pages) << page;
  }
}

TEST(FileLayoutTest, WideDefinitionIsChainedOverPages) {
  const jetwriter::WrittenDatabase written = jetwriter::WriteDatabase(FeatureFixture());
  const jetwriter::WrittenTable& wide = written.Tables.back();
  ASSERT_GE(wide.TdefPages, 3u);
  const ByteVector& file = written.Bytes;
  std::size_t page = wide.TdefPage;
  const std::size_t length = U32(file, page * 4096 + jet::TdefLength);
  std::size_t total = 0;
  for (std::uint32_t i = 0; i < wide.TdefPages; ++i) {
    const std::size_t at = page * 4096;
    EXPECT_EQ(file[at], jet::PageTableDef);
    const std::size_t used = i == 0 ? 4096 : std::min<std::size_t>(4096, 8 + (length - total));
    total += i == 0 ? 4096 : used - 8;
    EXPECT_EQ(U16(file, at + 2), used + 8 >= 4096 ? 0 : 4096 - used - 8);
    const std::uint32_t next = U32(file, at + jet::TdefNextPage);
    if (i + 1 == wide.TdefPages) {
      EXPECT_EQ(next, 0u);
    } else {
      EXPECT_EQ(next, page + 1);
    }
    page = next;
  }
  EXPECT_EQ(total, length);
  // The definition ends in FF FF.
  const std::size_t last = (wide.TdefPage + wide.TdefPages - 1) * 4096 + 8 + (length - 4096) % 4088;
  EXPECT_EQ(U16(file, last - 2), 0xFFFF);
}

TEST(FileLayoutTest, SameDescriptionGivesSameBytes) {
  EXPECT_EQ(jetwriter::WriteDatabase(FeatureFixture()).Bytes,
            jetwriter::WriteDatabase(FeatureFixture()).Bytes);
  for (std::uint64_t seed : {3u, 17u}) {
    EXPECT_EQ(jetwriter::WriteDatabase(jetwriter::RandomSchema(seed)).Bytes,
              jetwriter::WriteDatabase(jetwriter::RandomSchema(seed)).Bytes);
  }
  EXPECT_NE(jetwriter::WriteDatabase(jetwriter::RandomSchema(3)).Bytes,
            jetwriter::WriteDatabase(jetwriter::RandomSchema(4)).Bytes);
}

}  // namespace
}  // namespace tabulon::test
