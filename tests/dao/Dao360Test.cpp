// The engine connection over the fake engine: opening, closing and the
// connection's fields in the cases the report and the connection check meet.

#include <gtest/gtest.h>

#include <tests/support/FakeEngine.h>

namespace tabulon::test {
namespace {

std::map<std::string, FakeDatabaseData> TwoFiles() {
  FakeDatabaseData secret;
  secret.Password = "a;b=c";
  return {{"/data/one.mdb", {}}, {"/data/two.mdb", secret}};
}

TEST(Dao360, OpenSetsTheFieldsAndLeavesTheErrorTextAlone) {
  FakeConnection c(TwoFiles());
  std::string error = "earlier";
  c.Dao.Open("pw", "/data/one.mdb", error);
  EXPECT_TRUE(c.Dao.Connected());
  EXPECT_NE(c.Dao.Database(), nullptr);
  EXPECT_EQ(c.Dao.DbName(), "one.mdb");
  EXPECT_EQ(c.Dao.DbPath(), "/data/one.mdb");
  EXPECT_EQ(c.Dao.Password(), "pw");
  EXPECT_EQ(error, "earlier");
  EXPECT_EQ(c.Calls->Connects.back(), ";pwd=pw");
}

TEST(Dao360, OpenClosesWhatIsOpenAndAFailureLeavesItClosed) {
  FakeConnection c(TwoFiles());
  std::string error;
  c.Dao.Open("", "/data/one.mdb", error);
  c.Dao.Open("", "/data/one.mdb", error);
  EXPECT_EQ(c.Calls->Closes, 1);
  c.Dao.Open("wrong", "/data/two.mdb", error);
  EXPECT_EQ(c.Calls->Closes, 2);
  EXPECT_FALSE(c.Dao.Connected());
  EXPECT_EQ(c.Dao.Database(), nullptr);
  EXPECT_EQ(c.Dao.DbName(), "");
  EXPECT_EQ(c.Dao.DbPath(), "");
  EXPECT_EQ(c.Dao.Password(), "");
  EXPECT_EQ(error, "パスワードが無効です。");
}

TEST(Dao360, FileNameParts) {
  EXPECT_EQ(FileNameOf("plain.mdb"), "plain.mdb");
  EXPECT_EQ(FileNameOf("/a/b/表.mdb"), "表.mdb");
  EXPECT_EQ(FileNameOf("/a/b/"), "");
}

TEST(Dao360, CloseCallsTheEngineOnceAndAlwaysEndsClosed) {
  FakeConnection c(TwoFiles());
  std::string error;
  c.Dao.Close();
  EXPECT_EQ(c.Calls->Closes, 0);
  c.Dao.Open("", "/data/one.mdb", error);
  c.Dao.Close();
  c.Dao.Close();
  EXPECT_EQ(c.Calls->Closes, 1);

  auto files = TwoFiles();
  files["/data/one.mdb"].Fails.insert("Close");
  FakeConnection failing(files);
  failing.Dao.Open("", "/data/one.mdb", error);
  EXPECT_THROW(failing.Dao.Close(), dao::EngineError);
  EXPECT_FALSE(failing.Dao.Connected());
  EXPECT_EQ(failing.Dao.DbName(), "");
}

TEST(Dao360, DestroyingTheConnectionClosesTheDatabase) {
  auto calls = std::make_shared<FakeCalls>();
  {
    TDao360 dao(std::make_unique<FakeEngine>(TwoFiles(), calls));
    std::string error;
    dao.Open("", "/data/one.mdb", error);
  }
  EXPECT_EQ(calls->Closes, 1);
}

}  // namespace
}  // namespace tabulon::test
