// Files dropped on the main window become target lines.

#include <gtest/gtest.h>

#include <QDropEvent>
#include <QMimeData>

#include <QProgressBar>

#include <text/TextFile.h>
#include <tools/jetwriter/JetWriter.h>
#include <tools/jetwriter/Synthetic.h>

#include "WindowWorld.h"

namespace tabulon::test {
namespace {

struct DropWorld : WindowWorld {
  DropWorld() {
    for (const char* name : {"a.mdb", "B.mdb", "表.accdb"}) WriteBytes(Dir / name, "x");
    std::filesystem::create_directory(Dir / "folder.mdb");
    Open();
  }
  std::string File(const char* name) const { return (Dir / name).string(); }
  std::string Line(const char* name) const {
    return "\"??\"|\"PASSWORD_HERE\"|\"" + File(name) + "\"";
  }
  // A drop as the desktop delivers it, to `target` (the window or a child).
  bool Drop(QWidget& target, const std::vector<std::string>& paths,
            Qt::KeyboardModifiers keys = Qt::NoModifier) {
    QMimeData data;
    QList<QUrl> urls;
    for (const std::string& p : paths) urls << QUrl::fromLocalFile(QString::fromStdString(p));
    data.setUrls(urls);
    // Qt delivers a drop to the widget that accepted the drag's entry.
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, keys);
    QApplication::sendEvent(&target, &enter);
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, keys);
    QApplication::sendEvent(&target, &drop);
    return enter.isAccepted() && drop.isAccepted();
  }
  bool Drop(const std::vector<std::string>& paths, Qt::KeyboardModifiers keys = Qt::NoModifier) {
    return Drop(*Form, paths, keys);
  }
  void KeepList() { Child<QCheckBox>("ChkClearListOnDrop").setChecked(false); }
};

TEST(MainFormDrops, EachDropReplacesTheListByDefault) {
  DropWorld world;
  world.Targets().SetText("typed by hand");
  EXPECT_TRUE(world.Drop({world.File("a.mdb"), world.File("表.accdb")}));
  EXPECT_EQ(world.Targets().Text(), world.Line("a.mdb") + "\n" + world.Line("表.accdb") + "\n");
  world.Drop({world.File("a.mdb")});
  EXPECT_EQ(world.Targets().Text(), world.Line("a.mdb") + "\n");
}

TEST(MainFormDrops, RemembersDropsIgnoringCaseAndListsMissingFilesForTheCheck) {
  DropWorld world;
  world.KeepList();
  world.Drop({world.File("a.mdb"), world.File("folder.mdb"), world.File("missing.mdb"),
              world.File("a.mdb")});
  world.Drop({world.File("A.MDB"), world.File("B.mdb")});
  // A file gone by the time it is dropped is listed: the check says NG.
  EXPECT_EQ(world.Targets().Text(), world.Line("a.mdb") + "\n" + world.Line("missing.mdb") + "\n" +
                                        world.Line("B.mdb") + "\n");

  // A line deleted by hand is not brought back; a line typed by hand does
  // not count as dropped.
  world.Targets().SetText("\"??\"|\"\"|\"" + world.File("表.accdb") + "\"");
  world.Drop({world.File("b.mdb"), world.File("表.accdb")});
  EXPECT_EQ(world.Targets().Text(),
            "\"??\"|\"\"|\"" + world.File("表.accdb") + "\"\n" + world.Line("表.accdb"));
}

TEST(MainFormDrops, DropsOnTheListGoToTheWindowNotIntoTheText) {
  DropWorld world;
  world.Targets().SetText("x");
  EXPECT_TRUE(world.Drop(*world.Targets().viewport(), {world.File("B.mdb")}));
  EXPECT_EQ(world.Targets().Text(), world.Line("B.mdb") + "\n");
  world.KeepList();
  world.Drop(*world.Failures().viewport(), {world.File("a.mdb")});
  EXPECT_EQ(world.Targets().Text(), world.Line("B.mdb") + "\n" + world.Line("a.mdb") + "\n");
  EXPECT_TRUE(world.Failures().Text().empty());
}

TEST(MainFormDrops, AFolderAddsItsDatabasesAndFileArgumentsAddLines) {
  DropWorld world;
  for (const char* name : {"tree/z.mdb", "tree/A.accdb", "tree/readme.txt", "tree/sub/m.mdb"}) {
    std::filesystem::create_directories((world.Dir / name).parent_path());
    WriteBytes(world.Dir / name, "x");
  }
  EXPECT_TRUE(world.Drop({world.File("tree")}));
  EXPECT_EQ(world.Targets().Text(), world.Line("tree/A.accdb") + "\n" + world.Line("tree/z.mdb") +
                                        "\n" + world.Line("tree/sub/m.mdb") + "\n");
  // Files named when the program starts ("Open with") are added as a drop.
  world.KeepList();
  EXPECT_TRUE(world.Form->AddFiles({world.File("a.mdb"), world.File("tree/z.mdb")}));
  EXPECT_TRUE(world.Targets().Text().ends_with(world.Line("tree/sub/m.mdb") + "\n" +
                                               world.Line("a.mdb") + "\n"));
}

TEST(MainFormDrops, RefusedWhileTheListIsDisabled) {
  DropWorld world;
  world.Targets().SetText("kept");
  world.Targets().setEnabled(false);
  EXPECT_FALSE(world.Drop({world.File("a.mdb")}));
  EXPECT_EQ(world.Targets().Text(), "kept");
  world.Targets().setEnabled(true);
  world.Drop({world.File("a.mdb")});
  EXPECT_EQ(world.Targets().Text(), world.Line("a.mdb") + "\n");
}

TEST(MainFormDrops, FoldersDroppedWithShiftAreTakenStockOfOnTheWorker) {
  DropWorld world;
  const std::filesystem::path share = world.Dir / "共有 share";
  std::filesystem::create_directories(share / "sub");
  const jetwriter::ByteVector bytes =
      jetwriter::WriteDatabase(jetwriter::SyntheticSchema({50, 5, 1, 5})).Bytes;
  for (int i = 0; i < 4; ++i) {
    WriteBytes(share / ("db" + std::to_string(i) + ".mdb"),
               std::string(bytes.begin(), bytes.end()));
  }
  WriteBytes(share / "sub" / "壊れ.mdb", "Standard Jet DB, but no more");
  world.Form->show();
  world.Targets().SetText("kept");

  ASSERT_TRUE(world.Drop({share.string()}, Qt::ShiftModifier));
  ASSERT_TRUE(world.Form->OperationRunning());
  // One job at a time: no second inventory, no drop, no check meanwhile.
  EXPECT_FALSE(world.Drop({share.string()}, Qt::ShiftModifier));
  EXPECT_FALSE(world.Form->InventoryFolders({share.string()}));
  EXPECT_FALSE(world.Drop({world.File("a.mdb")}));
  EXPECT_FALSE(world.Targets().isEnabled());
  EXPECT_FALSE(world.Child("PnlButton").isEnabled());
  ASSERT_TRUE(QTest::qWaitFor([&] { return !world.Form->OperationRunning(); }, 120000));

  std::tm local{};
  const std::time_t now = std::time(nullptr);
  localtime_r(&now, &local);
  char name[40];
  std::strftime(name, sizeof name, "tabulon_inventory_%y%m%d", &local);
  const auto folder = world.Dir / "Desktop" / "tabulon_out" / name;
  const std::string csv = ReadBytes(folder / "inventory.csv");
  EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 6) << csv;  // heading and five files
  EXPECT_NE(csv.find("壊れ.mdb"), std::string::npos);
  EXPECT_TRUE(ReadBytes(folder / "index.html").ends_with("</html>\n"));
  EXPECT_EQ(world.Written, std::vector<std::filesystem::path>{folder / "index.html"});
  EXPECT_EQ(world.Child<QProgressBar>("ProgTotal").format().toStdString(),
            "一覧を書き出しました: 5 個（開けなかったもの 1 個）");
  EXPECT_EQ(world.Targets().Text(), "kept") << "the list is left as it was";
  EXPECT_TRUE(world.Targets().isEnabled());

  // A second one the same day goes to a folder of its own; files dropped
  // with Shift are listed as any drop.
  ASSERT_TRUE(world.Drop({share.string()}, Qt::ShiftModifier));
  ASSERT_TRUE(QTest::qWaitFor([&] { return !world.Form->OperationRunning(); }, 120000));
  EXPECT_TRUE(std::filesystem::exists(folder.string() + "(01)/index.html"));
  EXPECT_TRUE(world.Drop({world.File("a.mdb")}, Qt::ShiftModifier));
  EXPECT_EQ(world.Targets().Text(), world.Line("a.mdb") + "\n");
}

}  // namespace
}  // namespace tabulon::test
