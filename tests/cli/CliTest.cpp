// tabulon-cli as a user runs it: options, exit codes, outputs.

#include <gtest/gtest.h>

#include <text/TextFile.h>

#include <tests/support/ProcessRunner.h>

namespace tabulon::test {
namespace {

const std::string Cli = BuiltProgram("tabulon-cli");

TEST(Cli, HelpAndVersion) {
  const ProcessResult help = RunProcess({Cli, "--help"});
  EXPECT_EQ(help.ExitCode, 0);
  for (const char* option : {"--list", "--password", "-o", "--verbose", "--type-style",
                             "--attr-style", "--check", "--version"}) {
    EXPECT_NE(help.Out.find(option), std::string::npos) << option;
  }
  const ProcessResult version = RunProcess({Cli, "--version"});
  EXPECT_EQ(version.ExitCode, 0);
  EXPECT_EQ(version.Out, "tabulon-cli 0.6.12.20\n");
}

TEST(Cli, UsageErrorsExitWithTwo) {
  const std::vector<std::vector<std::string>> wrong = {
      {Cli},
      {Cli, "--type-style", "huge", "a.mdb"},
      {Cli, "--no-such-option", "a.mdb"},
      {Cli, "--list", "l.dat", "a.mdb"},
      {Cli, "--list", "l.dat", "--password", "x"},
  };
  for (const auto& argv : wrong) {
    const ProcessResult result = RunProcess(argv);
    EXPECT_EQ(result.ExitCode, 2) << argv.back();
    EXPECT_NE(result.Err.find("--help"), std::string::npos);
    EXPECT_TRUE(result.Out.empty());
  }
}

TEST(Cli, MissingDatabaseIsNamedAndFails) {
  TempDir dir;
  const ProcessResult result = RunProcess({Cli, "-o", (dir / "r.html").string(), "/no/such.mdb"});
  EXPECT_EQ(result.ExitCode, 1);
  EXPECT_NE(result.Err.find("/no/such.mdb"), std::string::npos);
  EXPECT_TRUE(std::filesystem::exists(dir / "r.html"));
}

TEST(Cli, UnwritableOutputFailsWithTheReason) {
  TempDir dir;
  WriteBytes(dir / "file", "");
  const ProcessResult result =
      RunProcess({Cli, "-o", (dir / "file" / "r.html").string(), "/x.mdb"});
  EXPECT_EQ(result.ExitCode, 1);
  EXPECT_NE(result.Err.find("file/r.html"), std::string::npos);
  EXPECT_TRUE(result.Out.empty());
}

TEST(Cli, CheckRewritesTheListFromStandardInput) {
  const std::string list = EncodeTextFile("\"??\"|\"PASSWORD_HERE\"|\"/no/表.mdb\"\r\nメモ\r\n");
  const ProcessResult result = RunProcess({Cli, "--check", "--list", "-"}, list);
  EXPECT_EQ(result.ExitCode, 1);
  EXPECT_TRUE(result.Out.starts_with("\"NG "));
  EXPECT_NE(result.Out.find("|\"PASSWORD_HERE\"|\"/no/表.mdb\"\nメモ\n"), std::string::npos);
  EXPECT_NE(result.Err.find("2 行のリストのうち、0 個に接続でき、1 個に接続できませんでした。\n"),
            std::string::npos);
}

TEST(Cli, RenamedExecutableNamesItsDesktopReport) {
  TempDir home;
  std::filesystem::create_directories(home / "bin");
  const std::filesystem::path renamed = home / "bin" / "Mytool.x";
  std::filesystem::copy_file(Cli, renamed);
  std::filesystem::permissions(renamed, std::filesystem::perms::owner_all);
  WriteBytes(home / "list.dat", EncodeTextFile("\"??\"|\"\"|\"/none.mdb\""));
  const ProcessResult version = RunProcess({renamed.string(), "--version"});
  EXPECT_EQ(version.Out, "Mytool 0.6.12.20\n");
  const ProcessResult result =
      RunProcess({renamed.string(), "--list", (home / "list.dat").string()}, "",
                 {{"HOME", home.Path().string()}, {"XDG_CONFIG_HOME", ""}});
  EXPECT_EQ(result.ExitCode, 1);  // nothing opened, but the report is there
  const std::filesystem::path folder = home / "Desktop" / "Mytool_out";
  ASSERT_TRUE(std::filesystem::is_directory(folder)) << result.Err;
  const auto entry = *std::filesystem::directory_iterator(folder);
  EXPECT_TRUE(entry.path().filename().string().starts_with("Mytool_"));
  EXPECT_EQ(result.Out, entry.path().string() + "\n");
  EXPECT_NE(DecodeTextFile(ReadBytes(entry.path())).find("by Mytool.x</title>"), std::string::npos);
}

}  // namespace
}  // namespace tabulon::test
