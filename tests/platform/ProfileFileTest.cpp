// The settings file: reading rules, names without regard to case, the
// layout of a first save and updates in place, refused writes.

#include <gtest/gtest.h>

#include <climits>

#include <platform/ProfileFile.h>
#include <text/TextFile.h>

#include <tests/support/FileLimit.h>
#include <tests/support/TestSupport.h>

namespace tabulon {
namespace {

using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

TEST(ProfileFile, IntegerReadingRules) {
  const std::pair<std::string_view, int> numbers[] = {
      {"12", 12},
      {"-20", -20},
      {"+7", 7},
      {"0x1", 1},
      {"0X1F", 31},
      {"0xFFFFFFFF", -1},
      {"2147483647", INT_MAX},
      {"-2147483648", INT_MIN},
  };
  for (const auto& [text, value] : numbers) EXPECT_EQ(ParseProfileInteger(text, 77), value) << text;
  for (const std::string_view text : {"0x", "0x123456789", "0x-5", "yes", "12a", "", "1.5", "--1",
                                      "+-1", "2147483648", "99999999999999999999999"}) {
    EXPECT_EQ(ParseProfileInteger(text, 77), 77) << "falls back: " << text;
  }
}

TEST(ProfileFile, ReadsNamesWithoutRegardToCaseAndTrimsValues) {
  TempDir dir;
  WriteBytes(dir / "t.ini",
             "[mainform.CHKVERBOSE]\r\nchecked = 0x1 \r\nTag=yes\r\n[MainForm.RbtnPutWhere]\r\n"
             "Checked=0\r\n");
  const ProfileFile ini(dir / "t.ini");
  EXPECT_EQ(ini.ReadString("MainForm.ChkVerbose", "Checked"), "0x1");
  EXPECT_TRUE(ini.ReadBool("MainForm.ChkVerbose", "CHECKED", false));
  EXPECT_EQ(ini.ReadInteger("MainForm.ChkVerbose", "Tag", 5), 5);
  EXPECT_FALSE(ini.ReadBool("mainform.rbtnputwhere", "checked", true));
  EXPECT_TRUE(ini.ReadBool("MainForm.Missing", "Checked", true));
  EXPECT_EQ(ini.ReadString("MainForm.ChkVerbose", "Missing"), std::nullopt);
}

TEST(ProfileFile, ValuesAreCutAt2047Characters) {
  TempDir dir;
  std::string longValue;
  for (int i = 0; i < 1500; ++i) longValue += "表a";
  ProfileFile out(dir / "t.ini");
  out.WriteString("S", "Text", longValue);
  out.Save();
  const std::optional<std::string> read = ProfileFile(dir / "t.ini").ReadString("S", "Text");
  ASSERT_TRUE(read);
  std::string expected;
  for (int i = 0; i < 1023; ++i) expected += "表a";
  expected += "表";
  EXPECT_EQ(*read, expected);
  EXPECT_EQ(ReadBytes(dir / "t.ini"), EncodeTextFile("[S]\r\nText=" + longValue + "\r\n"));
  EXPECT_FALSE(ReadBytes(dir / "t.ini").starts_with(Utf8Bom)) << "Shift-JIS on disk";
}

TEST(ProfileFile, LaterSavesUpdateLinesInPlace) {
  TempDir dir;
  WriteBytes(dir / "t.ini",
             "; kept\r\n\r\n[Other]\r\nx=1\r\n\r\n[mainform.mainform]\r\nTOP=5\r\nWidth=3\r\n");
  ProfileFile ini(dir / "t.ini");
  ini.WriteInteger("MainForm.MainForm", "Top", 139);
  ini.WriteInteger("MainForm.MainForm", "Height", 446);
  ini.WriteString("MainForm.New", "Tag", "0");
  ini.WriteString("Other", "y", "😀");
  ini.Save();
  EXPECT_EQ(ReadBytes(dir / "t.ini"),
            std::string(Utf8Bom) +
                "; kept\r\n\r\n[Other]\r\nx=1\r\ny=😀\r\n\r\n[mainform.mainform]\r\nTOP=139\r\n"
                "Width=3\r\nHeight=446\r\n\r\n[MainForm.New]\r\nTag=0\r\n");
  EXPECT_EQ(ProfileFile(dir / "t.ini").ReadString("other", "Y"), "😀");
}

TEST(ProfileFile, RefusedWriteKeepsThePreviousFile) {
  TempDir dir;
  WriteBytes(dir / "t.ini", "[S]\r\nK=old\r\n");
  ProfileFile ini(dir / "t.ini");
  ini.WriteString("S", "K", std::string(4096, 'n'));
  {
    test::FileSizeLimit limit(64);
    EXPECT_THROW(ini.Save(), std::runtime_error);
  }
  EXPECT_EQ(ReadBytes(dir / "t.ini"), "[S]\r\nK=old\r\n");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()),
                          std::filesystem::directory_iterator()),
            1)
      << "no temporary file left";
}

}  // namespace
}  // namespace tabulon
