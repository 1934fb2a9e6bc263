// The Shift-JIS text layer, tested through the files that carry it.

#include <gtest/gtest.h>

#include <text/CodePage.h>
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

}  // namespace
}  // namespace tabulon
