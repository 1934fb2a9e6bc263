// The file's own structures, pinned to the bytes of engine-made files: the
// header with its password mask, the usage maps (inline, and reference maps
// in large files), definitions spread over pages, and repeatability.

#include <algorithm>
#include <cstring>

#include <gtest/gtest.h>

#include <jet/HeaderPage.h>
#include <jet/JetFormat.h>
#include <jet/PageFile.h>
#include <jet/Rc4.h>
#include <jet/UsageMap.h>
#include <tools/jetwriter/HeaderPage.h>
#include <tools/jetwriter/JetWriter.h>
#include <tools/jetwriter/SchemaJson.h>
#include <tools/jetwriter/Synthetic.h>
#include <tools/jetwriter/UsageMaps.h>

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

// The pages written, then zero pages up to `pages`: a large file for the
// reader without the memory of one.
class SparseSource : public jet::PageSource {
 public:
  SparseSource(ByteVector bytes, std::uint64_t pages)
      : FBytes(std::move(bytes)), FSize(pages * 4096) {}
  std::uint64_t Size() const override { return FSize; }
  void Read(std::uint64_t offset, std::span<std::uint8_t> out) override {
    std::fill(out.begin(), out.end(), 0);
    if (offset >= FBytes.size()) return;
    const std::size_t count = std::min<std::size_t>(out.size(), FBytes.size() - offset);
    std::copy_n(FBytes.begin() + static_cast<std::ptrdiff_t>(offset), count, out.begin());
  }

 private:
  ByteVector FBytes;
  std::uint64_t FSize;
};

TEST(FileLayoutTest, MapsTooWideForARowAreReferenceMapsTheReaderReads) {
  jetwriter::PageFile file;
  file.Allocate();
  file.Allocate();
  jetwriter::WriteHeaderPage(file.Page(0), dao::Date{45000}, "");
  const std::vector<std::uint32_t> near{5, 12, 700};
  const std::vector<std::uint32_t> far{7, 32735, 32736, 40000, 70000};
  const ByteVector nearRow = jetwriter::UsageMapRow(file, near);
  EXPECT_EQ(file.PageCount(), 2u);
  ASSERT_EQ(nearRow.size(), 5u + 700 / 8 + 1);
  EXPECT_EQ(nearRow[0], jet::UsageMapInline);
  EXPECT_EQ(U32(nearRow, 1), 0u);
  EXPECT_EQ(nearRow[5 + 5 / 8], 1 << 5);

  const ByteVector farRow = jetwriter::UsageMapRow(file, far);
  // One bitmap page for each slice of 32,736 pages that holds any.
  ASSERT_EQ(file.PageCount(), 5u);
  ASSERT_EQ(farRow.size(), 69u);
  EXPECT_EQ(farRow[0], jet::UsageMapReference);
  EXPECT_EQ(U32(farRow, 1), 2u);
  EXPECT_EQ(U32(farRow, 5), 3u);
  EXPECT_EQ(U32(farRow, 9), 4u);
  for (std::size_t slot = 3; slot < 17; ++slot) EXPECT_EQ(U32(farRow, 1 + 4 * slot), 0u);
  const std::uint8_t* slice1 = file.Page(3);
  EXPECT_EQ(ByteVector(slice1, slice1 + 4), (ByteVector{jet::PageUsageMap, 1, 0, 0}));
  EXPECT_EQ(slice1[4 + (40000 - 32736) / 8], 1 << (40000 - 32736) % 8);

  jetwriter::RowPacker maps(file, 0);
  const std::uint32_t nearMap = maps.Add(nearRow).Packed();
  const std::uint32_t farMap = maps.Add(farRow).Packed();
  ByteVector bytes = file.Take();
  const std::optional<jet::HeaderPage> header =
      jet::ParseHeaderPage(jet::ByteView(bytes, "ヘッダー"));
  ASSERT_TRUE(header);
  jet::PageFile pages(std::make_unique<SparseSource>(std::move(bytes), 80000), *header);
  EXPECT_EQ(jet::ReadUsageMap(pages, nearMap), near);
  EXPECT_EQ(jet::ReadUsageMap(pages, farMap), far);
}

TEST(FileLayoutTest, GlobalMapOfALargeFileIsAReferenceMap) {
  // Just past what page 1 holds inline (32,032 pages).
  jetwriter::PageFile file;
  for (int i = 0; i < 32100; ++i) file.Allocate();
  jetwriter::WriteGlobalMap(file);
  // One bitmap page, at the end, covers pages 0 to 32,735.
  ASSERT_EQ(file.PageCount(), 32101u);
  const ByteVector bytes = file.Take();
  const std::size_t page1 = 4096;
  ASSERT_EQ(U16(bytes, page1 + 12), 2);
  EXPECT_EQ(U16(bytes, page1 + 14), 4096 - 69);
  const std::size_t row0 = page1 + 4096 - 69;
  EXPECT_EQ(bytes[row0], jet::UsageMapReference);
  EXPECT_EQ(U32(bytes, row0 + 1), 32100u);
  for (std::size_t slot = 1; slot < 17; ++slot) EXPECT_EQ(U32(bytes, row0 + 1 + 4 * slot), 0u);
  const std::size_t map = 32100 * std::size_t{4096};
  EXPECT_EQ(ByteVector(bytes.begin() + map, bytes.begin() + map + 4),
            (ByteVector{jet::PageUsageMap, 1, 0, 0}));
  std::size_t freeBits = 0;
  for (std::size_t page = 0; page < 32736; ++page) {
    const bool free = (bytes[map + 4 + page / 8] >> (page % 8) & 1) != 0;
    if (free != (page >= 32101)) ADD_FAILURE() << "page " << page;
    freeBits += free ? 1 : 0;
  }
  EXPECT_EQ(freeBits, 32736u - 32101u);
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
