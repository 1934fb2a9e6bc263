// Desktop shortcuts as freedesktop launchers.

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <platform/Shortcut.h>

#include <tests/support/TestSupport.h>

namespace tabulon {
namespace {

using test::ReadBytes;
using test::TempDir;

TEST(Shortcut, LauncherText) {
  EXPECT_EQ(DesktopEntryText("/opt/tabulon/tabulon", "tabulon"),
            "[Desktop Entry]\n"
            "Type=Application\n"
            "Version=1.0\n"
            "Name=tabulon\n"
            "Exec=\"/opt/tabulon/tabulon\" /starup %F\n"
            "Path=/opt/tabulon\n"
            "Icon=tabulon\n"
            "Terminal=false\n");
  // Not installed: the icon beside the program, by its full path.
  TempDir dir;
  test::WriteBytes(dir / "tabulon.svg", "<svg/>");
  EXPECT_NE(DesktopEntryText(dir / "tabulon", "tabulon")
                .find("\nIcon=" + (dir / "tabulon.svg").string() + "\n"),
            std::string::npos);
}

TEST(Shortcut, LauncherTextEscapesHostilePaths) {
  const std::string text = DesktopEntryText("/home/表 \"q\"/$x`%\\y\n/prog", "a\\b");
  EXPECT_NE(text.find("Name=a\\\\b\n"), std::string::npos) << text;
  EXPECT_NE(
      text.find("Exec=\"/home/表 \\\\\"q\\\\\"/\\\\$x\\\\`%%\\\\\\\\y\\n/prog\" /starup %F\n"),
      std::string::npos)
      << text;
  EXPECT_NE(text.find("Path=/home/表 \"q\"/$x`%\\\\y\\n\n"), std::string::npos) << text;
}

TEST(Shortcut, CreatesAnExecutableLauncherAndReplacesIt) {
  TempDir dir;
  CreateShortcut("/opt/tabulon/tabulon", (dir.Path().string() + "/"), "tabulon");
  const auto link = dir / "tabulon.desktop";
  EXPECT_EQ(ReadBytes(link), DesktopEntryText("/opt/tabulon/tabulon", "tabulon"));
  struct stat info {};
  ASSERT_EQ(stat(link.c_str(), &info), 0);
  EXPECT_TRUE(info.st_mode & S_IXUSR);

  CreateShortcut("/usr/lib/tabulon/tabulon", dir.Path().string(), "tabulon");
  EXPECT_EQ(ReadBytes(link), DesktopEntryText("/usr/lib/tabulon/tabulon", "tabulon"));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()),
                          std::filesystem::directory_iterator()),
            1);
}

}  // namespace
}  // namespace tabulon
