#include <gtest/gtest.h>

#include <limits>
#include <optional>

#include <zlib.h>

#include <migrate/RowValues.h>

namespace tabulon::migrate {
namespace {

TEST(RowValues, EachTypeHasOneCanonicalText) {
  const std::tuple<dao::Variant, Carry, const char*> cases[] = {
      {std::int64_t{-32768}, Carry::Integer, "-32768"},
      {true, Carry::Boolean, "1"},
      {3.4028234663852886e38f, Carry::Single, "3.4028235e+38"},
      {0.1f, Carry::Single, "0.1"},
      {std::numeric_limits<double>::quiet_NaN(), Carry::Double, "NaN"},
      {-std::numeric_limits<double>::infinity(), Carry::Double, "-Infinity"},
      {-0.0, Carry::Double, "-0"},
      {dao::Currency{std::numeric_limits<std::int64_t>::min()}, Carry::Currency,
       "-922337203685477.5808"},
      {dao::Currency{std::numeric_limits<std::int64_t>::max()}, Carry::Currency,
       "922337203685477.5807"},
      {dao::Currency{-100}, Carry::Currency, "-0.0100"},
      {std::string("-000123.4500"), Carry::Decimal, "-123.45"},
      {std::string("-0.0000"), Carry::Decimal, "0"},
      // Negative days: the fraction still counts forward from midnight.
      {dao::Date{-1.25}, Carry::Date, "1899-12-29 06:00:00"},
      {dao::Date{0.5}, Carry::Date, "1899-12-30 12:00:00"},
      {dao::Date{-657434.0}, Carry::Date, "0100-01-01 00:00:00"},
      // 9999-12-31 23:59:59 as Access stores it: whole seconds, though the
      // double is coarser than a microsecond there.
      {dao::Date{2958465.999988426}, Carry::Date, "9999-12-31 23:59:59"},
      {dao::Date{45000.0 + 1.0 / 86'400'000}, Carry::Date, "2023-03-15 00:00:00.001000"},
      {std::string("0000000000000737592:0000000000000000000:7"), Carry::Date,
       "2020-06-17 00:00:00"},
      {std::string("0000000000000737954:0000000459001234560:7"), Carry::Date,
       "2021-06-14 12:45:00.123456"},
      {std::string("{6B29FC40-CA47-1067-B31D-00DD010662DA}"), Carry::Guid,
       "6b29fc40-ca47-1067-b31d-00dd010662da"},
  };
  for (const auto& [value, carry, text] : cases) {
    SCOPED_TRACE(text);
    EXPECT_EQ(CanonicalValue(value, carry), text);
  }
  EXPECT_EQ(CanonicalValue(dao::Bytes{0, 0xff}, Carry::Binary), std::string("\0\xff", 2));
}

TEST(RowValues, ValuesThatDoNotFitAreRefusedWithTheReason) {
  const std::pair<dao::Variant, Carry> cases[] = {
      {dao::Date{3.1e6}, Carry::Date},                                          // past 9999
      {dao::Date{-700000.0}, Carry::Date},                                      // before the year 1
      {std::string("0000000000000737954:0000000819123456789:7"), Carry::Date},  // 100 ns
      {std::string("12a"), Carry::Decimal},
      {std::string("{6B29FC40}"), Carry::Guid},
      {std::string("1"), Carry::Integer},  // a value of another type
  };
  for (const auto& [value, carry] : cases) {
    EXPECT_THROW(CanonicalValue(value, carry), std::invalid_argument);
  }
}

void PutLe32(dao::Bytes& out, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

// An attachment's data as Access stores it: the header (its length, a 1,
// the extension's characters with the NUL, the extension in UTF-16), the
// file's bytes, and around it the flag and the unwrapped length; deflated
// when `deflate`. `stated` replaces the length when given.
dao::Bytes StoredAttachment(const std::string& file, bool deflate,
                            std::optional<std::uint32_t> stated = std::nullopt) {
  dao::Bytes content;
  PutLe32(content, 12 + 8);
  PutLe32(content, 1);
  PutLe32(content, 4);
  for (const char c : std::string("txt", 4)) {
    content.push_back(static_cast<std::uint8_t>(c));
    content.push_back(0);
  }
  content.insert(content.end(), file.begin(), file.end());
  dao::Bytes stored;
  PutLe32(stored, deflate ? 1 : 0);
  PutLe32(stored, stated.value_or(static_cast<std::uint32_t>(content.size())));
  if (!deflate) {
    stored.insert(stored.end(), content.begin(), content.end());
    return stored;
  }
  uLongf size = compressBound(content.size());
  dao::Bytes packed(size);
  EXPECT_EQ(compress(packed.data(), &size, content.data(), content.size()), Z_OK);
  stored.insert(stored.end(), packed.begin(), packed.begin() + static_cast<std::ptrdiff_t>(size));
  return stored;
}

TEST(RowValues, AnAttachmentArrivesAsTheFilesBytes) {
  const std::string file = std::string("PK\0\x03 some bytes ", 16) + std::string(5000, 'z');
  const dao::Bytes bytes(file.begin(), file.end());
  EXPECT_EQ(AttachedFileContent(StoredAttachment(file, true)), bytes);
  EXPECT_EQ(AttachedFileContent(StoredAttachment(file, false)), bytes);
  EXPECT_EQ(AttachedFileContent(StoredAttachment("", true)), dao::Bytes{});

  // Damage is refused with the reason, never passed on as the file.
  const auto refusal = [](const dao::Bytes& stored) {
    try {
      AttachedFileContent(stored);
    } catch (const std::invalid_argument& e) {
      return std::string(e.what());
    }
    return std::string("taken");
  };
  EXPECT_EQ(refusal(dao::Bytes{1, 0, 0}), "添付ファイルのデータが短すぎます");
  dao::Bytes unknown = StoredAttachment(file, false);
  unknown[0] = 2;
  EXPECT_EQ(refusal(unknown), "添付ファイルのデータの形式 2 は知りません");
  // A stated length shorter than what inflates: it is not allowed to grow.
  EXPECT_EQ(refusal(StoredAttachment(file, true, 100)),
            "添付ファイルのデータが述べた長さに収まりません");
  EXPECT_EQ(refusal(StoredAttachment(file, false, 100)),
            "添付ファイルのデータの長さが合いません（" + std::to_string(file.size() + 20) +
                " バイト、述べた長さは 100）");
  // A length no attachment has is not allocated.
  EXPECT_EQ(refusal(StoredAttachment(file, true, 0xfffffff0u)),
            "添付ファイルのデータの長さ 4294967280 は大きすぎます");
  dao::Bytes cut = StoredAttachment(file, true);
  cut.resize(cut.size() / 2);
  EXPECT_EQ(refusal(cut), "添付ファイルのデータが述べた長さに収まりません");
  dao::Bytes garbled = StoredAttachment(file, true);
  garbled[8] ^= 0xff;
  EXPECT_EQ(refusal(garbled).rfind("添付ファイルのデータが壊れています（zlib: ", 0), 0u);
  dao::Bytes header = StoredAttachment(file, false);
  header[10] = 0xff;  // a header longer than the content
  EXPECT_EQ(refusal(header), "添付ファイルの見出しが壊れています");
}

TEST(RowValues, ServersTextsReadBackToTheSameCanonicalText) {
  const std::tuple<const char*, Carry, const char*> cases[] = {
      {"t", Carry::Boolean, "1"},
      {"3.4028235e+38", Carry::Single, "3.4028235e+38"},
      {"0.10000000149011612", Carry::Single, "0.1"},
      {"1.0000", Carry::Currency, "1.0000"},
      {"-5", Carry::Currency, "-5.0000"},
      {"12.3400", Carry::Decimal, "12.34"},
      {"1899-12-29 06:00:00", Carry::Date, "1899-12-29 06:00:00"},
      {"2023-03-15 00:00:00.001", Carry::Date, "2023-03-15 00:00:00.001000"},
      {"\\x00ff", Carry::Binary, "\0\xff"},
  };
  for (const auto& [text, carry, canonical] : cases) {
    SCOPED_TRACE(text);
    EXPECT_EQ(CanonicalOfServerText(text, carry),
              std::string(canonical,
                          carry == Carry::Binary ? 2 : std::char_traits<char>::length(canonical)));
  }
  EXPECT_THROW(CanonicalOfServerText("12.34567", Carry::Currency), std::invalid_argument);
  EXPECT_THROW(CanonicalOfServerText("\\x0g", Carry::Binary), std::invalid_argument);
}

TEST(RowValues, ChecksumIgnoresOrderButNotNullsValuesOrRows) {
  const auto sum = [](std::vector<std::vector<const char*>> rows) {
    RowChecksum checksum;
    for (const auto& row : rows) {
      checksum.BeginRow();
      for (const char* value : row) value ? checksum.AddValue(value) : checksum.AddNull();
      checksum.EndRow();
    }
    return checksum.Hex();
  };
  EXPECT_EQ(sum({{"1", "a"}, {"2", nullptr}}), sum({{"2", nullptr}, {"1", "a"}}));
  EXPECT_NE(sum({{"1", ""}}), sum({{"1", nullptr}}));
  EXPECT_NE(sum({{"ab", "c"}}), sum({{"a", "bc"}}));
  EXPECT_NE(sum({{"1"}, {"1"}}), sum({{"1"}}));
  RowChecksum removed;
  removed.BeginRow();
  removed.AddValue("x");
  removed.EndRow();
  removed.BeginRow();
  removed.AddValue("x");
  removed.EndRow(true);
  EXPECT_EQ(removed.Hex(), RowChecksum().Hex());
}

}  // namespace
}  // namespace tabulon::migrate
