// Files dropped on the main window become target lines.

#include <gtest/gtest.h>

#include <QDropEvent>
#include <QMimeData>

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
  bool Drop(QWidget& target, const std::vector<std::string>& paths) {
    QMimeData data;
    QList<QUrl> urls;
    for (const std::string& p : paths) urls << QUrl::fromLocalFile(QString::fromStdString(p));
    data.setUrls(urls);
    // Qt delivers a drop to the widget that accepted the drag's entry.
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&target, &enter);
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&target, &drop);
    return enter.isAccepted() && drop.isAccepted();
  }
  bool Drop(const std::vector<std::string>& paths) { return Drop(*Form, paths); }
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

}  // namespace
}  // namespace tabulon::test
