// Version strings and titles derived from the executable's name.

#include <gtest/gtest.h>

#include <platform/VersionInfo.h>

namespace tabulon {
namespace {

TEST(VersionInfo, RunningExecutableHasTheBuiltInStrings) {
  const std::filesystem::path self = ExecutablePath();
  std::string version = "unchanged";
  ReadVersionString("FileVersion", self, version);
  EXPECT_EQ(version, TABULON_VERSION);
  std::string description;
  ReadVersionString("FileDescription", self, description);
  EXPECT_EQ(description, "mdb形式のデータベースのテーブル構造をhtml出力");
  for (const std::string_view key : VersionKeys) {
    std::string value = "\x01";
    ReadVersionString(key, self, value);
    EXPECT_NE(value, "\x01") << key;
  }
}

TEST(VersionInfo, OtherFilesAndUnknownKeysLeaveTheValue) {
  std::string value = "kept";
  ReadVersionString("FileVersion", "/bin/sh", value);
  EXPECT_EQ(value, "kept");
  ReadVersionString("NoSuchKey", ExecutablePath(), value);
  EXPECT_EQ(value, "kept");
  ReadVersionString("FileVersion", "/no/such/file", value);
  EXPECT_EQ(value, "kept");
}

TEST(VersionInfo, TitleFollowsTheExecutableName) {
  EXPECT_EQ(ApplicationTitle("/usr/bin/tabulon"), "tabulon");
  EXPECT_EQ(ApplicationTitle("/opt/x/TABULON.EXE"), "Tabulon");
  EXPECT_EQ(ApplicationTitle("My.Tool.bin"), "My");
  EXPECT_EQ(ApplicationTitle("/a.b/ÉCOLE-Tool"), "École-tool");
  EXPECT_EQ(ApplicationTitle("表ＡＢ.bin"), "表ａｂ");
  EXPECT_EQ(ApplicationTitle(".hidden"), "");
  EXPECT_EQ(VersionCaption(ApplicationTitle("/usr/bin/tabulon"), TABULON_VERSION, "MainForm"),
            std::string("tabulon Ver.") + TABULON_VERSION + " - MainForm");
  EXPECT_EQ(VersionCaption("tabulon", "", "InfoForm"), "tabulon Ver. - InfoForm");
}

}  // namespace
}  // namespace tabulon
