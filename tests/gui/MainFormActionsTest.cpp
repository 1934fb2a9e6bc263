// The check and start buttons through the window: statuses and summary,
// the report run with its output path, busy state, bars and failures.

#include <gtest/gtest.h>

#include <QPalette>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include <targets/ConnectionCheck.h>
#include <text/TextFile.h>

#include "WindowWorld.h"

namespace tabulon::test {
namespace {

FakeDatabaseData OneTable() { return OneTableDatabase("顧客", "名前"); }

std::string TodaysName() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char name[32];
  std::strftime(name, sizeof name, "tabulon_%y%m%d.html", &local);
  return name;
}

bool Idle(const WindowWorld& world) {
  return world.Targets().isEnabled() && world.Child("PnlButton").isEnabled() &&
         QApplication::overrideCursor() == nullptr &&
         world.Form->palette().color(QPalette::Window) != QColor(255, 255, 0) &&
         !world.Form->OperationRunning();
}

TEST(MainFormCheck, AFailureIsShownAndLeavesTheListUsable) {
  FakeDatabaseData unclosable = OneTable();
  unclosable.Fails = {"Close"};
  WindowWorld world({{"/a.mdb", OneTable()}, {"/b.mdb", unclosable}});
  world.Open();
  world.Targets().SetText("??|x|/a.mdb\n??|x|/b.mdb\n??|x|/a.mdb");
  world.Child<QPushButton>("BtnCheck").click();
  EXPECT_EQ(world.Errors, std::vector<std::string>{"Close failed"});
  EXPECT_TRUE(world.Informations.empty());
  EXPECT_EQ(world.Targets().Text(),
            "\"OK\"|\"x\"|\"/a.mdb\"\n\"OK\"|\"x\"|\"/b.mdb\"\n??|x|/a.mdb");
  EXPECT_TRUE(Idle(world));
  world.Close();
  EXPECT_NE(ReadBytes(world.Dir / "tabulon.ini").find("[MainForm.MemTarget]\r\nTag=0\r\nEnabled=1"),
            std::string::npos);
}

TEST(MainFormRun, DesktopRuleWritesTheReportAndFillsTheBars) {
  WindowWorld world({{"/data/販売.mdb", OneTable()}});
  world.Open();
  world.Targets().SetText("\"??\"|\"\"|\"/data/販売.mdb\"\n");

  // The busy state shows while the run paints its bars.
  bool sawBusy = false;
  struct BusyProbe : QObject {
    std::function<void()> Check;
    bool eventFilter(QObject*, QEvent* e) override {
      if (e->type() == QEvent::Paint) Check();
      return false;
    }
  } probe;
  probe.Check = [&] {
    if (world.Form->OperationRunning() && QApplication::overrideCursor() != nullptr) {
      sawBusy = QApplication::overrideCursor()->shape() == Qt::WaitCursor &&
                world.Form->palette().color(QPalette::Window) == QColor(255, 255, 0) &&
                !world.Targets().isEnabled() && !world.Child("PnlButton").isEnabled();
    }
  };
  world.Form->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(world.Form.get()));
  world.Child("ProgPart").installEventFilter(&probe);
  world.Child<QPushButton>("BtnDoit").click();
  world.Child("ProgPart").removeEventFilter(&probe);
  EXPECT_TRUE(sawBusy);

  const auto report = world.Dir / "Desktop" / "tabulon_out" / TodaysName();
  ASSERT_TRUE(std::filesystem::exists(report));
  EXPECT_NE(ReadBytes(report).find("</body></html>"), std::string::npos);
  const auto& total = world.Child<QProgressBar>("ProgTotal");
  const auto& part = world.Child<QProgressBar>("ProgPart");
  EXPECT_EQ(total.maximum(), 1);
  EXPECT_EQ(total.value(), 1);
  EXPECT_EQ(part.maximum(), 5);
  EXPECT_EQ(part.value(), 5);
  EXPECT_TRUE(world.Failures().Text().empty());
  EXPECT_TRUE(Idle(world));
}

TEST(MainFormRun, DialogRuleAsksRemembersTheFolderAndRefusesCloseAndDrops) {
  WindowWorld world({{"/data/a.mdb", OneTable()}});
  world.Open().show();
  world.Child<QRadioButton>("RbtnPutWhere").setChecked(true);
  world.Targets().SetText("??||/data/a.mdb");
  const auto chosen = world.Dir / "出力" / "レポート.html";
  std::filesystem::create_directories(chosen.parent_path());
  WriteBytes(world.Dir / "dropped.mdb", "x");
  QString proposed;
  world.Dialog = [&](TSaveDialog&, const QString& name) -> std::optional<QString> {
    proposed = name;
    EXPECT_FALSE(world.Targets().isEnabled());
    EXPECT_FALSE(world.Child("PnlButton").isEnabled());
    EXPECT_FALSE(world.Form->close()) << "closing is refused while the run works";
    EXPECT_FALSE(world.Form->DropFiles(
        {QUrl::fromLocalFile(QString::fromStdString((world.Dir / "dropped.mdb").string()))}));
    return QString::fromStdString(chosen.string());
  };
  world.Child<QPushButton>("BtnDoit").click();
  EXPECT_EQ(proposed.toStdString(), TodaysName());
  EXPECT_TRUE(world.Form->isVisible());
  EXPECT_TRUE(std::filesystem::exists(chosen));
  EXPECT_EQ(world.Targets().Text(), "??||/data/a.mdb");
  EXPECT_TRUE(Idle(world));

  // Cancelled: nothing written, nothing reported; the folder is kept
  // across a restart.
  world.Dialog = [&](TSaveDialog& dialog, const QString&) -> std::optional<QString> {
    EXPECT_EQ(dialog.InitialDir.toStdString(), chosen.parent_path().string());
    return std::nullopt;
  };
  std::filesystem::remove(chosen);
  world.Close();
  world.Open();
  world.Child<QPushButton>("BtnDoit").click();
  EXPECT_FALSE(std::filesystem::exists(chosen));
  EXPECT_TRUE(world.Failures().Text().empty());
  EXPECT_TRUE(Idle(world));
}

TEST(MainFormRun, FailureInTheMiddleAddsOneLineAndLeavesTheWindowUsable) {
  FakeDatabaseData broken = OneTable();
  broken.Tables[0].Fields[0].Fails = {"Type"};
  WindowWorld world({{"/data/broken.mdb", broken}});
  world.Open();
  world.Targets().SetText("??||/data/broken.mdb\n");
  world.Child<QPushButton>("BtnDoit").click();
  EXPECT_EQ(world.Failures().Text(), "Type failed\n");
  const auto report = world.Dir / "Desktop" / "tabulon_out" / TodaysName();
  ASSERT_TRUE(std::filesystem::exists(report));
  EXPECT_EQ(ReadBytes(report).find("</body></html>"), std::string::npos) << "no footer";
  EXPECT_TRUE(Idle(world));

  // Failures of later runs accumulate.
  WriteBytes(world.Dir / "NotAFolder", "");
  world.Environment.Report.DesktopFolder = [&] { return (world.Dir / "NotAFolder").string(); };
  world.Close();
  world.Open();
  world.Targets().SetText("??||/data/broken.mdb\n");
  world.Failures().SetText("Type failed\n");
  world.Child<QPushButton>("BtnDoit").click();
  const std::vector<std::string> lines = SplitListLines(world.Failures().Text());
  ASSERT_EQ(lines.size(), 2U);
  EXPECT_EQ(lines[0], "Type failed");
  EXPECT_TRUE(Idle(world));
}

TEST(MainFormRun, VersionOpensTheAboutWindow) {
  WindowWorld world;
  world.Open();
  world.Child<QPushButton>("BtnVersion").click();
  EXPECT_EQ(world.InfoWindows, 1);
}

}  // namespace
}  // namespace tabulon::test
