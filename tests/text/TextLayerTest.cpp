// The Shift-JIS text layer, tested through the files that carry it.

#include <random>

#include <gtest/gtest.h>

#include <text/CodePage.h>
#include <text/Cp932Encoder.h>
#include <text/TextCompare.h>
#include <text/TextFile.h>
#include <text/Utf8.h>

#include <tests/support/TestSupport.h>

namespace tabulon {
namespace {

using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

// 表 and ソ end in 0x5C, the byte of "\"; a lone "\" stands beside them.
constexpr std::string_view Tricky = "C:\\表\\ソフト\\";
constexpr std::string_view TrickyCp932 = "C:\\\x95\x5C\\\x83\x5C\x83\x74\x83\x67\\";

TEST(TextFile, Cp932TextRoundTripsByteForByte) {
  TempDir dir;
  const std::string text = std::string(Tricky) + "\r\n2行目";
  const std::string bytes = EncodeTextFile(text);
  EXPECT_EQ(bytes.substr(0, TrickyCp932.size()), TrickyCp932);
  WriteBytes(dir / "list.dat", bytes);
  EXPECT_EQ(ReadTextFile(dir / "list.dat"), text);
  EXPECT_EQ(ReadBytes(dir / "list.dat"), bytes);
}

TEST(TextFile, InvalidBytesDecodeAsReplacementCharacters) {
  // A lead byte with a bad trail byte, undefined single bytes, a lead byte
  // cut off at the end of the file.
  EXPECT_EQ(DecodeTextFile("a\x81\x20"
                           "b"),
            "a\uFFFD b");
  EXPECT_EQ(DecodeTextFile("\xFD\xFE\xFF"), "\uFFFD\uFFFD\uFFFD");
  EXPECT_EQ(DecodeTextFile("ok\x95"), "ok\uFFFD");
  EXPECT_EQ(DecodeTextFile(std::string(Utf8Bom) + "x\xC3"), "x\uFFFD");
}

TEST(TextFile, Cp932IsWindowsTableNotStrictShiftJis) {
  // Windows maps 0x5C and 0x7E to ASCII, and has the NEC row 13 and the IBM
  // extensions, all of which SHIFT-JIS lacks or maps elsewhere.
  EXPECT_EQ(DecodeCp932("\x5C\x7E"), "\\~");
  EXPECT_EQ(DecodeCp932("\x87\x40"), "①");
  EXPECT_EQ(DecodeCp932("\xFB\xFC"), "髙");
  EXPECT_EQ(DecodeCp932("\x81\x60"), "～");
}

TEST(TextFile, AFileThatCannotBeReadIsNamedWithTheReasonInJapanese) {
  TempDir dir;
  std::filesystem::create_directory(dir / "folder.dat");
  const std::pair<std::string, std::string> cases[] = {
      {"nothing.dat", "ファイルまたはフォルダがありません"},
      {"folder.dat", "フォルダです"},
      {std::string(300, 'x'), "名前が長すぎます"},
  };
  for (const auto& [name, reason] : cases) {
    try {
      ReadTextFile(dir / name);
      ADD_FAILURE() << "no exception for " << name;
    } catch (const std::runtime_error& e) {
      const std::string text = e.what();
      EXPECT_NE(text.find(name), std::string::npos) << text;
      EXPECT_TRUE(text.ends_with(reason)) << text;
    }
  }
}

TEST(Utf8, MalformedSequencesBecomeReplacementCharacters) {
  EXPECT_TRUE(IsValidUtf8("表\uFFFD😀"));
  EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));      // overlong "/"
  EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));  // a surrogate
  EXPECT_EQ(SanitizeUtf8("a\xE8\xA1"), "a\uFFFD\uFFFD");
}

void AppendMarker(std::string& out, char32_t cp) {
  out += "[" + std::to_string(static_cast<std::uint32_t>(cp)) + "]";
}

std::string MarkerOf(char32_t cp) {
  std::string out;
  AppendMarker(out, cp);
  return out;
}

// What iconv writes for `utf8`, character by character.
std::string IconvCp932(std::string_view utf8) {
  static const CodePageEncoder iconv("CP932");
  return iconv.Encode(utf8, MarkerOf);
}

std::string TableCp932(Cp932Encoder& encoder, std::string_view utf8) {
  std::string out;
  encoder.Append(out, utf8, AppendMarker);
  return out;
}

TEST(Cp932Encoder, WritesIconvsBytesForEveryCharacter) {
  Cp932Encoder encoder;
  // In blocks of 256 code points, so a mismatch names its block.
  for (char32_t block = 0; block <= 0x10FFFF; block += 0x100) {
    if (block >= 0xD800 && block <= 0xDFFF) continue;
    std::string utf8;
    for (char32_t cp = block; cp < block + 0x100; ++cp) AppendUtf8(utf8, cp);
    ASSERT_EQ(TableCp932(encoder, utf8), IconvCp932(utf8))
        << "block U+" << std::hex << static_cast<std::uint32_t>(block);
  }
  // The table answers the second time as iconv did the first.
  EXPECT_EQ(TableCp932(encoder, "表ソ\\é①髙～"),
            "\x95\x5C\x83\x5C\x5C[233]\x87\x40\xFB\xFC\x81\x60");
}

TEST(Cp932Encoder, MixedAndMalformedTextAsIconvWritesIt) {
  // Runs of ASCII of every length around the eight-byte steps, characters
  // of one, two and no bytes, and bytes that are not UTF-8.
  const std::string_view pieces[] = {"a",
                                     "ABCDEFG",
                                     "0123456789abcdef",
                                     "表",
                                     "ｶﾅ",
                                     "é",
                                     "😀",
                                     "\xFF",
                                     "\xE8\xA1",
                                     "\xC0\xAF",
                                     "\xED\xA0\x80",
                                     "\xF4\x90\x80\x80",
                                     "\x80",
                                     std::string_view("\0", 1)};
  std::mt19937 random(20261207);
  Cp932Encoder encoder;
  for (int round = 0; round < 2000; ++round) {
    std::string text;
    const int count = static_cast<int>(random() % 12);
    for (int i = 0; i < count; ++i) text += pieces[random() % std::size(pieces)];
    ASSERT_EQ(TableCp932(encoder, text), IconvCp932(text)) << text;
  }
}

TEST(TextCompare, AsciiAndOtherScriptsOrderAndHashAsTheirLowerCase) {
  const std::string_view pieces[] = {"a", "B", "z", "Z",  "[",  "_",  "ä",   "Ä",
                                     "Σ", "ς", "σ", "表", "Ｂ", "ｂ", "\xFF"};
  std::mt19937 random(20261208);
  const auto sign = [](int v) { return (v > 0) - (v < 0); };
  for (int round = 0; round < 5000; ++round) {
    std::string a;
    std::string b;
    for (std::string* text : {&a, &b}) {
      const int count = static_cast<int>(random() % 5);
      for (int i = 0; i < count; ++i) *text += pieces[random() % std::size(pieces)];
    }
    // UTF-8 orders as its code points do.
    const std::string lowerA = ToLowerText(a);
    const std::string lowerB = ToLowerText(b);
    ASSERT_EQ(sign(CompareNoCase(a, b)), sign(lowerA.compare(lowerB))) << a << " / " << b;
    if (lowerA == lowerB) {
      ASSERT_EQ(HashNoCase(a), HashNoCase(b)) << a << " / " << b;
      ASSERT_TRUE(NoCaseEqual{}(a, b)) << a << " / " << b;
    } else {
      ASSERT_FALSE(NoCaseEqual{}(a, b)) << a << " / " << b;
    }
  }
}

}  // namespace
}  // namespace tabulon
