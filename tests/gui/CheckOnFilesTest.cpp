// The check button over real database files: the writer's fixtures, read
// by the program's own Jet engine.

#include <gtest/gtest.h>

#include <QPushButton>

#include <jet/JetEngine.h>
#include <tools/jetwriter/JetWriter.h>
#include <tools/jetwriter/SchemaJson.h>

#include "WindowWorld.h"

namespace tabulon::test {
namespace {

std::string WriteMdb(const TempDir& dir, const std::string& name, const std::string& password) {
  const jetwriter::ByteVector bytes =
      jetwriter::WriteDatabase(jetwriter::ReadSchemaJson(R"({"password": ")" + password + R"(",
          "tables": [{"name": "顧客", "columns": [{"name": "ID", "type": "long"}]}]})"))
          .Bytes;
  WriteBytes(dir / name, std::string(bytes.begin(), bytes.end()));
  return (dir / name).string();
}

TEST(MainFormCheck, WriterFixturesThroughTheJetEngine) {
  WindowWorld world;
  world.Dao = std::make_unique<TDao360>(jet::CreateJetEngine());
  const std::string plain = WriteMdb(world.Dir, "販売.mdb", "");
  const std::string locked = WriteMdb(world.Dir, "locked.mdb", "秘密");
  world.Open();
  ASSERT_TRUE(world.Press("BtnCheck"));
  EXPECT_TRUE(world.Informations.empty()) << "an empty list shows nothing";

  world.Targets().SetText("\"??\"|\"PASSWORD_HERE\"|\"" + plain + "\"\n\n" +  //
                          "\"??\"|\"違う\"|\"" + locked + "\"\n" +            //
                          "a note\n" +                                        //
                          "\"??\"|\"秘密\"|\"" + locked + "\"\n" +            //
                          "\"??\"|\"\"|\"" + (world.Dir / "none.mdb").string() + "\"\n");
  ASSERT_TRUE(world.Press("BtnCheck"));
  EXPECT_EQ(world.Targets().Text(),
            "\"OK\"|\"PASSWORD_HERE\"|\"" + plain + "\"\n\n" +                   //
                "\"NG パスワードが無効です。\"|\"違う\"|\"" + locked + "\"\n" +  //
                "a note\n" +                                                     //
                "\"OK\"|\"秘密\"|\"" + locked + "\"\n" +                         //
                "\"NG ファイル '" + (world.Dir / "none.mdb").string() +
                "' が見つかりません。\"|\"\"|\"" + (world.Dir / "none.mdb").string() + "\"\n");
  ASSERT_EQ(world.Informations.size(), 1U);
  EXPECT_EQ(world.Informations[0],
            "4 行のリストのうち、2 個に接続でき、2 個に接続できませんでした。\r\n"
            "（ファイルを指さない 2 行は数えていません。）\r\n"
            "接続できた 2 個のファイルのみ解析します。\r\n\r\n"
            "「NG」で始まる行が接続できなかったファイルです。\r\n"
            "パスワード間違いがあれば修正してください。");
}

}  // namespace
}  // namespace tabulon::test
