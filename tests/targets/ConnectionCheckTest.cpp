// The connection check over a list of target lines, and the report run's
// reopening of a kept target.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include <targets/ConnectionCheck.h>
#include <targets/OpenTarget.h>
#include <targets/TargetLine.h>
#include <text/TextFile.h>

#include <tests/support/FakeEngine.h>
#include <tests/support/TestSupport.h>

namespace tabulon::test {
namespace {

using Lines = std::vector<std::string>;

TEST(ConnectionCheck, RewritesStatusesAndCounts) {
  FakeDatabaseData locked;
  locked.Password = "secret";
  FakeConnection world({{"/data/Sample.mdb", {}}, {"/data/locked.mdb", locked}, {"/my", {}}});
  Lines lines = {
      R"("??"|"PASSWORD_HERE"|"/data/Sample.mdb")",
      R"("OK"|"wrong"|"/data/locked.mdb")",
      "NG|secret|/data/locked.mdb",
      "",
      "a note",
      R"("??"|"PASSWORD_HERE"|"/data/missing.mdb")",
      R"("??"|"pw"|)",
      R"("??"|"p""w"|"/data/Sample.mdb"|"my comment"|"more")",
      "??|pw|/my data/a.mdb",
  };
  int progressCalls = 0;
  CheckHooks hooks;
  hooks.Progress = [&](int index, int lineCount) {
    EXPECT_EQ(index, progressCalls++);
    EXPECT_EQ(lineCount, 9);
  };
  const CheckCounts counts = RunConnectionCheck(world.Dao, lines, hooks);
  EXPECT_EQ(progressCalls, 9);
  EXPECT_EQ(counts.LineCount, 9);
  EXPECT_EQ(counts.Opened, 4);
  EXPECT_EQ(counts.Failed, 3);
  EXPECT_EQ(
      lines,
      (Lines{
          R"("OK"|"PASSWORD_HERE"|"/data/Sample.mdb")",
          R"("NG パスワードが無効です。"|"wrong"|"/data/locked.mdb")",
          R"("OK"|"secret"|"/data/locked.mdb")",
          "",
          "a note",
          R"("NG ファイル '/data/missing.mdb' が見つかりません。"|"PASSWORD_HERE"|"/data/missing.mdb")",
          R"("NG ファイル '' が見つかりません。"|"pw"|"")",
          R"("OK"|"p""w"|"/data/Sample.mdb"|"my comment"|"more")",
          R"("OK"|"pw"|"/my"|"data/a.mdb")",
      }));
  EXPECT_EQ(world.Calls->Opens, world.Calls->Closes);
  EXPECT_FALSE(world.Dao.Connected());
}

TEST(ConnectionCheck, FailureTextCannotSplitTheLine) {
  FakeConnection world({});
  Lines lines = {"??|pw|\"/a\nb\rc\td\""};
  RunConnectionCheck(world.Dao, lines);
  EXPECT_EQ(lines[0], "\"NG ファイル '/a b c d' が見つかりません。\"|\"pw\"|\"/a\nb\rc\td\"");
}

TEST(ConnectionCheck, ABarePathLineIsCheckedAndWrittenInFull) {
  TempDir dir;
  const std::string path = (dir / "販売 2026.mdb").string();
  WriteBytes(path, "x");
  FakeConnection world({{path, FakeDatabaseData{}}});
  Lines lines = {path, "\"" + path + "\"", "/no/such.mdb", "a note"};
  std::vector<OpenFailure> failures;
  CheckHooks hooks;
  hooks.NotOpened = [&](const OpenFailure& failure) { failures.push_back(failure); };
  const CheckCounts counts = RunConnectionCheck(world.Dao, lines, hooks);
  const std::string checked = "\"OK\"|\"PASSWORD_HERE\"|\"" + path + "\"";
  // A bare path of nothing is a target that fails, never a silent note.
  EXPECT_EQ(lines,
            (Lines{checked, checked,
                   "\"NG ファイル '/no/such.mdb' が見つかりません。\"|\"PASSWORD_HERE\"|\"/no/"
                   "such.mdb\"",
                   "a note"}));
  EXPECT_EQ(counts.Opened, 2);
  EXPECT_EQ(counts.Failed, 1);
  EXPECT_EQ(counts.TargetCount, 3);
  EXPECT_EQ(failures.size(), 1U);
  EXPECT_EQ(CheckSummaryText(counts),
            "3 行のリストのうち、2 個に接続でき、1 個に接続できませんでした。\r\n"
            "（ファイルを指さない 1 行は数えていません。）\r\n"
            "接続できた 2 個のファイルのみ解析します。\r\n"
            "\r\n"
            "「NG」で始まる行が接続できなかったファイルです。\r\n"
            "パスワード間違いがあれば修正してください。");
  // What reads as a path, and what stays a note.
  for (const char* typed : {"./a.mdb", "../b.ACCDB", "~/c.mdb", "C:\\x\\d.mdb", "\\\\srv\\e.mdb",
                            "f.accdb", "\"/g h.mdb\""}) {
    EXPECT_TRUE(TargetOfLine(typed).has_value()) << typed;
  }
  for (const char* note : {"a note", "see a.mdb", "メモ", "mdb"}) {
    EXPECT_FALSE(TargetOfLine(note).has_value()) << note;
  }
}

TEST(ConnectionCheck, RelativeAndHomePathsAreKeptAbsolute) {
  TempDir dir;
  WriteBytes(dir / "a.mdb", "x");
  std::filesystem::create_directories(dir / "sub");
  const std::string a = (dir / "a.mdb").string();
  FakeConnection world({{a, FakeDatabaseData{}}});
  const std::filesystem::path before = std::filesystem::current_path();
  const char* home = std::getenv("HOME");
  const std::string oldHome = home != nullptr ? home : "";
  std::filesystem::current_path(dir / "sub");
  setenv("HOME", dir.Path().c_str(), 1);
  Lines lines = {"\"??\"|\"\"|\"../a.mdb\"", "\"??\"|\"\"|\"~/a.mdb\"",
                 "\"??\"|\"\"|\"C:\\data\\a.mdb\""};
  const CheckCounts counts = RunConnectionCheck(world.Dao, lines, {});
  std::filesystem::current_path(before);
  setenv("HOME", oldHome.c_str(), 1);
  EXPECT_EQ(counts.Opened, 2);
  EXPECT_EQ(lines[0], "\"OK\"|\"\"|\"" + a + "\"");
  EXPECT_EQ(lines[1], "\"OK\"|\"\"|\"" + a + "\"");
  // A path that names no file here is left as typed.
  EXPECT_TRUE(lines[2].ends_with("|\"C:\\data\\a.mdb\"")) << lines[2];
}

TEST(ConnectionCheck, StopsBeforeTheNextLineWhenAsked) {
  FakeConnection world({{"/a.mdb", FakeDatabaseData{}}});
  Lines lines = {"??||/a.mdb", "??||/a.mdb", "??||/a.mdb"};
  int asked = 0;
  CheckHooks hooks;
  hooks.StopRequested = [&] { return ++asked > 2; };
  const CheckCounts counts = RunConnectionCheck(world.Dao, lines, hooks);
  EXPECT_TRUE(counts.Stopped);
  EXPECT_EQ(counts.Opened, 2);
  EXPECT_EQ(lines[2], "??||/a.mdb");
}

TEST(ConnectionCheck, ListsWithoutTargets) {
  FakeConnection world({});
  Lines empty;
  EXPECT_EQ(RunConnectionCheck(world.Dao, empty).LineCount, 0);
  Lines blank = SplitListLines("\r\n\r\n  \r\n");
  const CheckCounts counts = RunConnectionCheck(world.Dao, blank);
  EXPECT_EQ(blank, (Lines{"", "", "  "}));
  EXPECT_EQ(counts.LineCount, 3);
  EXPECT_EQ(counts.Opened + counts.Failed, 0);
  EXPECT_EQ(world.Calls->Connects.size(), 0u);
}

TEST(ConnectionCheck, ListLinesAsATextBoxCountsThem) {
  EXPECT_EQ(SplitListLines(""), Lines{});
  EXPECT_EQ(SplitListLines("a"), Lines{"a"});
  EXPECT_EQ(SplitListLines("a\r\n"), Lines{"a"});
  EXPECT_EQ(SplitListLines("a\r\n\r\n"), (Lines{"a", ""}));
  EXPECT_EQ(SplitListLines("a\rb\nc\r\nd"), (Lines{"a", "b", "c", "d"}));
  EXPECT_EQ(SplitListLines("\n"), Lines{""});
}

}  // namespace
}  // namespace tabulon::test
