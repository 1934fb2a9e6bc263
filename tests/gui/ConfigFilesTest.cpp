// Where the settings and list files live, and the list file itself.

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <app/ListFile.h>
#include <engine/TextFile.h>
#include <info/ConfigLocation.h>

#include "../TestSupport.h"
#include "FileLimit.h"

namespace tabulon {
namespace {

using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

EnvironmentReader Env(std::map<std::string, std::string> values) {
  return [values](const char* name) -> std::optional<std::string> {
    const auto found = values.find(name);
    if (found == values.end()) return std::nullopt;
    return found->second;
  };
}

TEST(ConfigLocation, BesideTheExecutableOrInTheUsersConfigFolder) {
  const auto env = Env({{"HOME", "/home/u"}});
  ConfigFiles files = LocateConfigFiles("/opt/t/tabulon", true, env);
  EXPECT_EQ(files.Settings, "/opt/t/tabulon.ini");
  EXPECT_EQ(files.List, "/opt/t/tabulon.dat");
  files = LocateConfigFiles("/opt/t/Tool.bin", true, env);
  EXPECT_EQ(files.Settings, "/opt/t/Tool.ini");

  files = LocateConfigFiles("/usr/lib/tabulon/tabulon", false, env);
  EXPECT_EQ(files.Settings, "/home/u/.config/tabulon/tabulon.ini");
  EXPECT_EQ(files.List, "/home/u/.config/tabulon/tabulon.dat");
  files = LocateConfigFiles("/usr/lib/tabulon/tabulon", false,
                            Env({{"HOME", "/home/u"}, {"XDG_CONFIG_HOME", "/cfg"}}));
  EXPECT_EQ(files.Settings, "/cfg/tabulon/tabulon.ini");
  files = LocateConfigFiles("/usr/lib/tabulon/tabulon", false,
                            Env({{"HOME", "/home/u"}, {"XDG_CONFIG_HOME", "relative"}}));
  EXPECT_EQ(files.Settings, "/home/u/.config/tabulon/tabulon.ini");
  files = LocateConfigFiles("/usr/lib/tabulon/tabulon", false, Env({}));
  EXPECT_EQ(files.Settings, "/usr/lib/tabulon/tabulon.ini");
}

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
