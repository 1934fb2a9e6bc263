// The check button over real database files: the writer's fixtures, read
// by the program's own Jet engine.

#include <gtest/gtest.h>

#include <QPushButton>

#include <engine/jet/JetEngine.h>
#include <jetwriter/JetWriter.h>

#include "WindowWorld.h"

namespace tabulon::test {
namespace {

std::filesystem::path WriteMdb(const TempDir& dir, const std::string& name,
                               const std::string& password) {
  jetwriter::Database db;
  db.Password = password;
  jetwriter::Table table;
  table.Name = "顧客";
  jetwriter::Column id;
  id.Name = "ID";
  id.Type = dao::dbLong;
  id.AutoNumber = true;
  table.Columns = {id};
  db.Tables = {table};
  const jetwriter::WrittenDatabase written = jetwriter::WriteDatabase(db);
  const std::filesystem::path path = dir / name;
  WriteBytes(path, std::string_view(reinterpret_cast<const char*>(written.Bytes.data()),
                                    written.Bytes.size()));
  return path;
}

TEST(MainFormCheck, WriterFixturesThroughTheJetEngine) {
  WindowWorld world;
  world.Dao = std::make_unique<TDao360>(jet::CreateJetEngine());
  const std::string plain = WriteMdb(world.Dir, "販売.mdb", "").string();
  const std::string locked = WriteMdb(world.Dir, "locked.mdb", "秘密").string();
  {
    std::string error;
    world.Dao->Open("", plain, error);
    if (!world.Dao->Connected()) GTEST_SKIP() << "the Jet engine opens no file yet: " << error;
    world.Dao->Close();
  }

  world.Open();
  world.Targets().SetText("\"??\"|\"PASSWORD_HERE\"|\"" + plain + "\"\n" +  //
                          "\"??\"|\"違う\"|\"" + locked + "\"\n" +          //
                          "\"??\"|\"秘密\"|\"" + locked + "\"\n" +          //
                          "\"??\"|\"\"|\"" + (world.Dir / "none.mdb").string() + "\"\n");
  world.Child<QPushButton>("BtnCheck").click();
  const std::vector<std::string> lines = SplitListLines(world.Targets().Text());
  ASSERT_EQ(lines.size(), 4U);
  EXPECT_EQ(lines[0], "\"OK\"|\"PASSWORD_HERE\"|\"" + plain + "\"");
  EXPECT_TRUE(lines[1].starts_with("\"NG ")) << lines[1];
  EXPECT_TRUE(lines[1].ends_with("\"|\"違う\"|\"" + locked + "\"")) << lines[1];
  EXPECT_EQ(lines[2], "\"OK\"|\"秘密\"|\"" + locked + "\"");
  EXPECT_TRUE(lines[3].starts_with("\"NG ")) << lines[3];
  ASSERT_EQ(world.Informations.size(), 1U);
  EXPECT_TRUE(world.Informations[0].starts_with(
      "4 行のリストのうち、2 個に接続でき、2 個に接続できませんでした。\r\n"
      "接続できた 2 個のファイルのみ解析します。"));
}

}  // namespace
}  // namespace tabulon::test
