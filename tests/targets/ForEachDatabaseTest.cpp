// The one loop over targets: every target opened, worked on and closed in
// order, failures reported with their kind and passed by, a throwing work
// still closing its database, a stop asked before each target.

#include <gtest/gtest.h>

#include <stdexcept>

#include <targets/ForEachDatabase.h>
#include <tests/support/FakeEngine.h>

namespace tabulon::test {
namespace {

TEST(ForEachDatabase, OpensWorksAndClosesEachAndReportsWhatDidNotOpen) {
  FakeDatabaseData locked = OneTableDatabase("秘密");
  locked.Password = "pw";
  FakeConnection connection({{"/a.mdb", OneTableDatabase("表A")}, {"/locked.mdb", locked}});
  const std::vector<Target> targets =
      TargetsOfLines({"メモの行", R"("??"|""|"/a.mdb")", R"("??"|"x"|"/locked.mdb")",
                      R"("??"|""|"/none.mdb")", R"("??"|"pw"|"/locked.mdb")"});
  ASSERT_EQ(targets.size(), 4u) << "the note line names no target";

  std::vector<std::string> worked;
  std::vector<std::pair<std::string, std::string>> failed;
  ForEachHooks hooks;
  hooks.NotOpened = [&](const OpenFailure& failure) {
    failed.emplace_back(failure.Path, failure.Text);
  };
  const ForEachCounts counts = ForEachDatabase(
      connection.Dao, targets,
      [&](const Target& target, TDao360& open) {
        ASSERT_TRUE(open.Connected());
        worked.push_back(target.Path + ":" + open.Database()->TableDefs().Item(0).Name());
      },
      hooks);
  EXPECT_EQ(worked, (std::vector<std::string>{"/a.mdb:表A", "/locked.mdb:秘密"}));
  EXPECT_EQ(failed, (std::vector<std::pair<std::string, std::string>>{
                        {"/locked.mdb", "パスワードが無効です。"},
                        {"/none.mdb", "ファイル '/none.mdb' が見つかりません。"}}));
  EXPECT_EQ(counts.Opened, 2);
  EXPECT_EQ(counts.Failed, 2);
  EXPECT_FALSE(counts.Stopped);
  EXPECT_FALSE(connection.Dao.Connected());
  EXPECT_EQ(connection.Calls->Opens, connection.Calls->Closes);
}

TEST(ForEachDatabase, AThrowingWorkStillClosesAndAStopEndsBeforeTheNext) {
  FakeConnection connection({{"/a.mdb", OneTableDatabase()}, {"/b.mdb", OneTableDatabase()}});
  const std::vector<Target> targets =
      TargetsOfLines({R"("??"|""|"/a.mdb")", R"("??"|""|"/b.mdb")"});
  EXPECT_THROW(ForEachDatabase(connection.Dao, targets,
                               [](const Target&, TDao360&) { throw std::runtime_error("x"); }),
               std::runtime_error);
  EXPECT_FALSE(connection.Dao.Connected());
  EXPECT_EQ(connection.Calls->Opens, 1) << "the loop ends with the work's failure";
  EXPECT_EQ(connection.Calls->Closes, 1);

  int worked = 0;
  ForEachHooks hooks;
  hooks.StopRequested = [&] { return worked == 1; };
  const ForEachCounts counts = ForEachDatabase(
      connection.Dao, targets, [&](const Target&, TDao360&) { ++worked; }, hooks);
  EXPECT_EQ(worked, 1);
  EXPECT_TRUE(counts.Stopped);
}

}  // namespace
}  // namespace tabulon::test
