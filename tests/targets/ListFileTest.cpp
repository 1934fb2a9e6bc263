// The list file: Shift-JIS text kept exactly, written safely.

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <targets/ListFile.h>
#include <text/TextFile.h>

#include <tests/support/FileLimit.h>
#include <tests/support/TestSupport.h>

namespace tabulon {
namespace {

using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

TEST(ListFile, KeepsTheTextExactlyWithJapanesePathsInShiftJis) {
  TempDir dir;
  const std::pair<std::string, std::string> cases[] = {
      // text, bytes
      {"\"??\"|\"PASSWORD_HERE\"|\"/home/ユーザー/表.mdb\"\n\"OK\"|\"pw\"|\"/data/ソフト.mdb\"\n",
       EncodeTextFile("\"??\"|\"PASSWORD_HERE\"|\"/home/ユーザー/表.mdb\"\r\n"
                      "\"OK\"|\"pw\"|\"/data/ソフト.mdb\"\r\n")},
      {"", ""},
      {"no break at the end", "no break at the end"},
      {"a\n\nb\n\n", "a\r\n\r\nb\r\n\r\n"},
      {"😀 needs UTF-8\n", std::string(Utf8Bom) + "😀 needs UTF-8\r\n"},
  };
  for (const auto& [text, bytes] : cases) {
    WriteListFile(dir / "t.dat", text);
    EXPECT_EQ(ReadBytes(dir / "t.dat"), bytes);
    EXPECT_EQ(ReadListFile(dir / "t.dat"), text);
  }
  struct stat info {};
  ASSERT_EQ(stat((dir / "t.dat").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600U);
  WriteBytes(dir / "t.dat", "a\rb\nc\r\nd\n\re");
  EXPECT_EQ(ReadListFile(dir / "t.dat"), "a\nb\nc\nd\n\ne");
  EXPECT_EQ(ReadListFile(dir / "missing.dat"), std::nullopt);
}

TEST(ListFile, FailedWriteKeepsThePreviousFile) {
  TempDir dir;
  WriteListFile(dir / "t.dat", "old\n");
  {
    test::FileSizeLimit limit(16);
    EXPECT_THROW(WriteListFile(dir / "t.dat", std::string(1000, 'x')), std::runtime_error);
  }
  EXPECT_EQ(ReadListFile(dir / "t.dat"), "old\n");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()),
                          std::filesystem::directory_iterator()),
            1);
  std::filesystem::create_directory(dir / "dir.dat");
  EXPECT_THROW(ReadListFile(dir / "dir.dat"), std::runtime_error);
}

}  // namespace
}  // namespace tabulon
