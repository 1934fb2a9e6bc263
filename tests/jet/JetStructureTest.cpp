// The reader's structures on small hand-built byte buffers, for the cases
// real files do not show: boundaries, damage, and encodings no test file
// holds.

#include <algorithm>
#include <cstring>

#include <gtest/gtest.h>

#include <jet/DataRow.h>
#include <jet/HeaderPage.h>
#include <jet/JetText.h>
#include <jet/LongValue.h>
#include <jet/PropertyBlock.h>
#include <jet/Rc4.h>
#include <jet/UsageMap.h>

namespace tabulon::jet {
namespace {

using Bytes = std::vector<std::uint8_t>;

void Put16(Bytes& b, std::size_t at, std::uint16_t v) {
  b[at] = static_cast<std::uint8_t>(v);
  b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
void Put32(Bytes& b, std::size_t at, std::uint32_t v) {
  Put16(b, at, static_cast<std::uint16_t>(v));
  Put16(b, at + 2, static_cast<std::uint16_t>(v >> 16));
}
void Append16(Bytes& b, std::uint16_t v) {
  b.push_back(static_cast<std::uint8_t>(v));
  b.push_back(static_cast<std::uint8_t>(v >> 8));
}
void Append32(Bytes& b, std::uint32_t v) {
  Append16(b, static_cast<std::uint16_t>(v));
  Append16(b, static_cast<std::uint16_t>(v >> 16));
}
void AppendUcs2(Bytes& b, std::u16string_view text) {
  for (char16_t c : text) Append16(b, c);
}
ByteView View(const Bytes& b) { return ByteView(b, "テスト"); }

TEST(JetStructure, TextDecodingAndItsFaults) {
  struct Case {
    bool Jet3;
    int CodePage;
    Bytes Stored;
    std::string Expected;
    std::string Fault = "";  // the first place that is not valid UTF-16
  };
  const std::string lone = " に対がありません";
  const std::string odd = "末尾に半端なバイトがあります";
  const Case cases[] = {
      {false, 1252, {0x41, 0x00, 0x3D, 0xD8, 0x00, 0xDE, 0x42, 0x00}, "A\U0001F600B"},
      {false, 1252, {0x3D, 0xD8, 0x41, 0x00}, "\uFFFDA", "1 番目の単位 U+D83D" + lone},
      {false, 1252, {0x41, 0x00, 0x00, 0xDE}, "A\uFFFD", "2 番目の単位 U+DE00" + lone},
      {false, 1252, {0x41, 0x00, 0x3D, 0xD8}, "A\uFFFD", "2 番目の単位 U+D83D" + lone},
      {false, 1252, {0x41, 0x00, 0x42}, "A\uFFFD", odd},
      // Compressed, toggled to two-byte characters and back.
      {false, 1252, {0xFF, 0xFE, 'a', 'b', 0x00, 0x2D, 0x4E, 0x00, 'c'}, "ab中c"},
      {false, 1252, {0xFF, 0xFE, 0xE4, 0x00, 0x1F, 0x04}, "ä\u041F"},
      {false, 1252, {0xFF, 0xFE, 0x00, 0x41}, "", odd},  // half a character
      {false, 1252, {0xFF, 0xFE, 'a', 0x00, 0x01, 0xDC}, "a\uFFFD", "2 番目の単位 U+DC01" + lone},
      {true, 932, {0x95, 0x5C, 0x83, 0x65}, "表テ"},  // Shift-JIS, 0x5C trail byte
      {true, 932, {0x87, 0x40}, "①"},                 // an NEC row of CP932
      {true, 1252, {0xE4, 0x80}, "ä€"},
      {true, 0, {0xE4}, "ä"},  // no code page: 1252
  };
  for (const Case& c : cases) {
    const TextDecoder decoder(c.Jet3, c.CodePage);
    std::string fault;
    EXPECT_EQ(decoder.Text(View(c.Stored), &fault), c.Expected);
    EXPECT_EQ(fault, c.Fault) << c.Expected;
  }
  // Names are never compressed.
  const Bytes name{0xFF, 0xFE};
  EXPECT_EQ(TextDecoder(false, 1252).Name(View(name)), "\uFEFF");
}

// A Jet 4 header prefix with `date` at 0x72 and `password` masked with it.
Bytes Jet4Header(double date, std::u16string_view password) {
  Bytes page(HeaderPrefixSize, 0);
  std::memcpy(page.data(), HeaderMagic.data(), 4);
  std::memcpy(page.data() + 4, JetEngineName, 16);
  page[HeaderVersionOffset] = VersionJet4;
  Put16(page, HeaderCodePage, 1252);
  std::memcpy(page.data() + HeaderCreationDate, &date, 8);
  const auto days = static_cast<std::uint32_t>(static_cast<std::int32_t>(date));
  for (std::size_t i = 0; i < HeaderPasswordLengthJet4; ++i) {
    const std::size_t unit = i / 2;
    const std::uint8_t byte =
        unit < password.size() ? static_cast<std::uint8_t>(password[unit] >> (i % 2 * 8)) : 0;
    page[HeaderPassword + i] = static_cast<std::uint8_t>(byte ^ (days >> (i % 4 * 8)));
  }
  Rc4WithKey32(0x6B39DAC7, std::span(page).subspan(HeaderObscuredOffset, HeaderObscuredLengthJet4));
  return page;
}

// (Plain and encrypted headers, wrong signatures and short files come with
// the real files.)
TEST(JetStructure, HeaderPagePasswordsAndRecognition) {
  const auto withPassword = ParseHeaderPage(View(Jet4Header(44568.68, u"pässword")));
  ASSERT_TRUE(withPassword);
  EXPECT_EQ(Utf16LeToUtf8(View(withPassword->Password)), "pässword");
  EXPECT_EQ(withPassword->CodePage, 1252);
  EXPECT_DOUBLE_EQ(*withPassword->CreationDate, 44568.68);

  // A date that does not fit an integer must not break the mask.
  EXPECT_TRUE(ParseHeaderPage(View(Jet4Header(1e300, u""))));

  // Jet 3 keeps the password in the code page, without the date mask.
  Bytes jet3 = Jet4Header(40000, u"");
  Rc4WithKey32(0x6B39DAC7, std::span(jet3).subspan(HeaderObscuredOffset, HeaderObscuredLengthJet4));
  jet3[HeaderVersionOffset] = VersionJet3;
  std::fill(jet3.begin() + HeaderPassword, jet3.begin() + HeaderPassword + HeaderPasswordLengthJet3,
            0);
  std::memcpy(jet3.data() + HeaderPassword, "\x95\x5C\x41", 3);
  Rc4WithKey32(0x6B39DAC7, std::span(jet3).subspan(HeaderObscuredOffset, HeaderObscuredLengthJet3));
  const auto jet3Header = ParseHeaderPage(View(jet3));
  ASSERT_TRUE(jet3Header);
  EXPECT_TRUE(jet3Header->Jet3);
  EXPECT_EQ(jet3Header->Password, (Bytes{0x95, 0x5C, 0x41}));
  EXPECT_EQ(TextDecoder(true, 932).Name(View(jet3Header->Password)), "表A");

  Bytes unknownVersion = Jet4Header(40000, u"");
  unknownVersion[HeaderVersionOffset] = 7;
  EXPECT_FALSE(ParseHeaderPage(View(unknownVersion)));
}

// MR2 block: name pool, the object's Description, column "Col" Required.
Bytes PropertyBlob() {
  Bytes names;
  for (std::u16string_view name :
       {std::u16string_view(u"Description"), std::u16string_view(u"Required")}) {
    Append16(names, static_cast<std::uint16_t>(name.size() * 2));
    AppendUcs2(names, name);
  }
  auto chunk = [](std::uint16_t type, const Bytes& payload) {
    Bytes c;
    Append32(c, static_cast<std::uint32_t>(payload.size() + 6));
    Append16(c, type);
    c.insert(c.end(), payload.begin(), payload.end());
    return c;
  };
  auto record = [](std::uint8_t type, std::uint16_t nameIndex, const Bytes& value) {
    Bytes r;
    Append16(r, static_cast<std::uint16_t>(value.size() + 8));
    r.push_back(0);
    r.push_back(type);
    Append16(r, nameIndex);
    Append16(r, static_cast<std::uint16_t>(value.size()));
    r.insert(r.end(), value.begin(), value.end());
    return r;
  };
  Bytes object{6, 0, 0, 0, 0, 0};
  Bytes description;
  AppendUcs2(description, u"説明");
  const Bytes descriptionRecord = record(ColMemo, 0, description);
  object.insert(object.end(), descriptionRecord.begin(), descriptionRecord.end());
  Bytes column;
  Append32(column, 6 + 6);
  Append16(column, 6);
  AppendUcs2(column, u"Col");
  const Bytes requiredRecord = record(ColBoolean, 1, {1});
  column.insert(column.end(), requiredRecord.begin(), requiredRecord.end());
  Bytes blob{'M', 'R', '2', 0};
  for (const Bytes& c : {chunk(PropertyChunkNames, names), chunk(PropertyChunkObject, object),
                         chunk(PropertyChunkSubObject, column)}) {
    blob.insert(blob.end(), c.begin(), c.end());
  }
  return blob;
}

TEST(JetStructure, PropertyBlocksAndTheirDamage) {
  const TextDecoder text(false, 1252);
  const Bytes blob = PropertyBlob();
  const PropertyBlock block = ParsePropertyBlock(View(blob), text);
  ASSERT_EQ(block.Object.size(), 1u);
  EXPECT_EQ(block.Object[0].Name, "Description");
  EXPECT_EQ(PropertyValue(block.Object[0], text), dao::Variant(std::string("説明")));
  const auto* column = block.ChildProperties("col");
  ASSERT_NE(column, nullptr);
  EXPECT_EQ(PropertyValue(column->at(0), text), dao::Variant(true));
  EXPECT_EQ(block.ChildProperties("other"), nullptr);

  Bytes badSignature = blob;
  badSignature[0] = 'K';
  EXPECT_THROW(ParsePropertyBlock(View(badSignature), text), FormatError);
  // Every prefix is either a whole block or damage, never a read past it.
  for (std::size_t length = 4; length < blob.size(); ++length) {
    const Bytes cut(blob.begin(), blob.begin() + static_cast<std::ptrdiff_t>(length));
    try {
      ParsePropertyBlock(View(cut), text);
    } catch (const FormatError&) {
    }
  }
  Bytes zeroChunk = blob;
  Put32(zeroChunk, 4, 0);
  EXPECT_THROW(ParsePropertyBlock(View(zeroChunk), text), FormatError);
  Bytes badName = blob;
  // The Description record's name index, past the two-entry pool.
  const std::size_t poolEnd = 4 + 6 + 2 + 22 + 2 + 16;
  Put16(badName, poolEnd + 6 + 6 + 4, 9);
  EXPECT_THROW(ParsePropertyBlock(View(badName), text), FormatError);

  const Bytes guidBytes(16, 0xAB);
  const Bytes twoBytes{1, 2};
  StoredProperty guid{"GUID", ColGuid, true, guidBytes};
  EXPECT_EQ(PropertyValue(guid, text),
            dao::Variant(std::string("{ABABABAB-ABAB-ABAB-ABAB-ABABABABABAB}")));
  StoredProperty shortLong{"X", ColLong, true, twoBytes};
  EXPECT_THROW(PropertyValue(shortLong, text), FormatError);
  StoredProperty unknown{"X", 0x33, true, std::span(twoBytes).first(1)};
  EXPECT_THROW(PropertyValue(unknown, text), FormatError);
}

TEST(JetStructure, Jet3RowWithJumpTable) {
  TableDefinition table;
  table.VarColumns = 2;
  table.Columns.resize(3);
  table.Columns[0].Type = ColLong;
  table.Columns[0].Flags = ColumnFixed;
  table.Columns[0].Length = 4;
  for (std::uint16_t k = 1; k <= 2; ++k) {
    table.Columns[k].Type = ColText;
    table.Columns[k].Number = k;
    table.Columns[k].VarIndex = static_cast<std::uint16_t>(k - 1);
    table.Columns[k].Length = 255;
  }
  // 3 columns | long | 250 x 'a' | 20 x 'b' | eod 275 (low byte) | 255 | 5 |
  // jump: offset entry 2 is the first past 256 | 2 variable columns | mask.
  Bytes row{3, 7, 0, 0, 0};
  row.insert(row.end(), 250, 'a');
  row.insert(row.end(), 20, 'b');
  for (std::uint8_t byte : {19, 255, 5, 2, 2, 0x07}) row.push_back(byte);
  const RowValues values(View(row), table, Jet3Layout);
  EXPECT_EQ(IntegerValue(values, table.Columns[0]), 7);
  EXPECT_EQ(values.Value(table.Columns[1])->Size(), 250u);
  const auto second = values.Value(table.Columns[2]);
  ASSERT_TRUE(second);
  EXPECT_EQ(second->Size(), 20u);
  EXPECT_EQ(second->Data()[0], 'b');

  // An offset past the row's data is damage.
  Bytes bad = row;
  bad[row.size() - 4] = 250;  // column 1 starts after it ends
  bad[row.size() - 5] = 10;
  const RowValues damaged(View(bad), table, Jet3Layout);
  EXPECT_THROW(damaged.Value(table.Columns[1]), FormatError);
  // A row too short for its own null mask.
  const Bytes tiny{40};
  EXPECT_THROW(RowValues(View(tiny), table, Jet3Layout), FormatError);
}

// A Jet 4 file of `pages` empty pages in memory, with data rows on page 1.
class TinyFile {
 public:
  explicit TinyFile(std::uint32_t pages) : FBytes(std::size_t{4096} * pages, 0) {
    FHeader.Format = &Jet4Layout;
    FHeader.Version = VersionJet4;
  }
  // Puts `rows` on data page `page` (row 0 at the page's end).
  void DataPage(std::uint32_t page, const std::vector<Bytes>& rows) {
    Bytes p(4096, 0);
    p[0] = PageData;
    p[1] = 1;
    Put16(p, 12, static_cast<std::uint16_t>(rows.size()));
    std::size_t end = 4096;
    for (std::size_t i = 0; i < rows.size(); ++i) {
      const std::size_t start = end - rows[i].size();
      std::memcpy(p.data() + start, rows[i].data(), rows[i].size());
      Put16(p, 14 + 2 * i, static_cast<std::uint16_t>(start));
      end = start;
    }
    std::memcpy(FBytes.data() + std::size_t{4096} * page, p.data(), p.size());
  }
  void Raw(std::size_t offset, const Bytes& bytes) {
    std::memcpy(FBytes.data() + offset, bytes.data(), bytes.size());
  }
  PageFile Open() { return PageFile(std::make_unique<MemorySource>(FBytes), FHeader); }

 private:
  Bytes FBytes;
  HeaderPage FHeader;
};

TEST(JetStructure, UsageMapsListPagesInsideTheFileAndRefuseOthers) {
  TinyFile file(8);
  Bytes inlineMap{UsageMapInline, 2, 0, 0, 0, 0b00100101, 0, 0, 0};  // pages 2, 4 and 7
  Bytes referenceMap{UsageMapReference, 3, 0, 0, 0, 0, 0, 0, 0};
  Bytes pastTheEnd{UsageMapInline, 2, 0, 0, 0, 0b00100101, 0, 0, 0x01};  // and page 26
  file.DataPage(1, {inlineMap, referenceMap, {9, 9}, pastTheEnd});
  Bytes mapPage(4096, 0);
  mapPage[0] = PageUsageMap;
  mapPage[4] = 0b01000010;  // pages 1 and 6
  file.Raw(3 * 4096, mapPage);
  PageFile pages = file.Open();
  EXPECT_EQ(ReadUsageMap(pages, (1u << 8) | 0), (std::vector<std::uint32_t>{2, 4, 7}));
  EXPECT_EQ(ReadUsageMap(pages, (1u << 8) | 1), (std::vector<std::uint32_t>{1, 6}));
  EXPECT_THROW(ReadUsageMap(pages, (1u << 8) | 2), FormatError);  // type 9
  EXPECT_THROW(ReadUsageMap(pages, (1u << 8) | 4), FormatError);  // no such row
  EXPECT_THROW(ReadUsageMap(pages, (50u << 8) | 0), PageOutsideFile);
  // A map that lists a page past the end belongs to a file cut short.
  EXPECT_THROW(ReadUsageMap(pages, (1u << 8) | 3), PageOutsideFile);
  mapPage[4 + 1] = 0x01;  // page 8, the first past the end
  file.Raw(3 * 4096, mapPage);
  PageFile cut = file.Open();
  EXPECT_THROW(ReadUsageMap(cut, (1u << 8) | 1), PageOutsideFile);
}

TEST(JetStructure, LongValuesInlineSingleAndChained) {
  TinyFile file(4);
  // Page 1: row 0 a single-row value, rows 1-2 a chain, rows 3-4 a loop.
  file.DataPage(1, {{'s', 'i', 'n', 'g', 'l', 'e', 'x'},
                    {2, 1, 0, 0, 'a', 'b'},
                    {0, 0, 0, 0, 'c', 'd'},
                    {4, 1, 0, 0, 'x'},
                    {3, 1, 0, 0, 'y'}});
  PageFile pages = file.Open();
  auto header = [](std::uint32_t length, std::uint8_t kind, std::uint32_t pointer) {
    Bytes h{static_cast<std::uint8_t>(length), 0, 0, kind};
    Append32(h, pointer);
    Append32(h, 0);
    return h;
  };
  Bytes inlineValue = header(3, LongValueInline, 0);
  inlineValue.insert(inlineValue.end(), {'i', 'n', 'l'});
  EXPECT_EQ(ReadLongValue(pages, View(inlineValue)), (Bytes{'i', 'n', 'l'}));
  EXPECT_EQ(ReadLongValue(pages, View(header(6, LongValueSingle, 1u << 8))),
            (Bytes{'s', 'i', 'n', 'g', 'l', 'e'}));
  EXPECT_EQ(ReadLongValue(pages, View(header(4, LongValueChain, (1u << 8) | 1))),
            (Bytes{'a', 'b', 'c', 'd'}));

  EXPECT_THROW(ReadLongValue(pages, View(header(10, LongValueChain, (1u << 8) | 3))),
               FormatError);  // loops
  EXPECT_THROW(ReadLongValue(pages, View(header(9, LongValueChain, (1u << 8) | 1))),
               FormatError);  // ends early
  EXPECT_THROW(ReadLongValue(pages, View(header(60, LongValueSingle, 1u << 8))),
               FormatError);  // row too short
  EXPECT_THROW(ReadLongValue(pages, View(header(4, LongValueInline, 0))),
               FormatError);                                                  // past the field
  EXPECT_THROW(ReadLongValue(pages, View(header(4, 0x20, 0))), FormatError);  // unknown kind
  EXPECT_THROW(ReadLongValue(pages, View(header(4, LongValueSingle, 0xFFFFFF00u))),
               FormatError);  // past the file
}

}  // namespace
}  // namespace tabulon::jet
