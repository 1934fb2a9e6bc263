// The check and start buttons through the window: statuses and summary,
// the report run with its output path, busy state, bars and failures.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QImage>
#include <QPalette>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

#include <QTimer>

#include <jet/JetEngine.h>
#include <targets/ConnectionCheck.h>
#include <text/CodePage.h>
#include <text/TextFile.h>
#include <tools/jetwriter/JetWriter.h>
#include <tools/jetwriter/Synthetic.h>

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
  ASSERT_TRUE(world.Press("BtnCheck"));
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

  // The busy state shows while the bars move. A setting changed meanwhile
  // is for the next run: this one took its copy when it started.
  auto& verbose = world.Child<QCheckBox>("ChkVerbose");
  ASSERT_FALSE(verbose.isChecked());
  bool sawBusy = false;
  QObject::connect(
      &world.Child<QProgressBar>("ProgPart"), &QProgressBar::valueChanged, world.Form.get(),
      [&](int value) {
        if (value > 0) {
          // Inside the tab's pane too, not only around it.
          auto& page = world.Child("TabSheet1");
          const QImage drawn = world.Form->grab().toImage();
          const QColor inside = drawn.pixelColor(page.mapTo(world.Form.get(), QPoint(1, 1)));
          sawBusy = inside == QColor(255, 255, 0) && QApplication::overrideCursor() != nullptr &&
                    QApplication::overrideCursor()->shape() == Qt::WaitCursor &&
                    world.Form->palette().color(QPalette::Window) == QColor(255, 255, 0) &&
                    !world.Targets().isEnabled() && !world.Child("PnlButton").isEnabled();
          verbose.setChecked(true);
        }
      });
  ASSERT_TRUE(world.Press("BtnDoit"));
  EXPECT_TRUE(sawBusy);
  EXPECT_TRUE(verbose.isChecked());

  const auto report = world.Dir / "Desktop" / "tabulon_out" / TodaysName();
  ASSERT_TRUE(std::filesystem::exists(report));
  EXPECT_NE(ReadBytes(report).find("</body></html>"), std::string::npos);
  EXPECT_EQ(DecodeCp932(ReadBytes(report)).find("のプロパティ"), std::string::npos)
      << "not verbose";
  EXPECT_EQ(world.Written, std::vector<std::filesystem::path>{report}) << "the desktop is told";
  const auto& total = world.Child<QProgressBar>("ProgTotal");
  const auto& part = world.Child<QProgressBar>("ProgPart");
  EXPECT_EQ(total.maximum(), 1);
  EXPECT_EQ(total.value(), 1);
  EXPECT_EQ(part.maximum(), 6);  // five steps and its one table
  EXPECT_EQ(part.value(), 6);
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
  ASSERT_TRUE(world.Press("BtnDoit"));
  EXPECT_EQ(proposed.toStdString(), TodaysName());
  EXPECT_TRUE(world.Form->isVisible());
  EXPECT_TRUE(std::filesystem::exists(chosen));
  EXPECT_EQ(world.Targets().Text(), "??||/data/a.mdb");
  EXPECT_TRUE(Idle(world));

  // Cancelled: nothing written, nothing reported; the folder is kept
  // across a restart, and the name proposed is free in it.
  world.Dialog = [&](TSaveDialog& dialog, const QString& name) -> std::optional<QString> {
    EXPECT_EQ(dialog.InitialDir.toStdString(), chosen.parent_path().string());
    proposed = name;
    return std::nullopt;
  };
  std::filesystem::remove(chosen);
  WriteBytes(chosen.parent_path() / TodaysName(), "earlier");
  world.Close();
  world.Open();
  world.Targets().SetText("??||/data/a.mdb");
  proposed.clear();
  ASSERT_TRUE(world.Press("BtnDoit"));
  EXPECT_EQ(proposed.toStdString(), TodaysName().replace(TodaysName().size() - 5, 5, "(01).html"));
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
  world.Child<QTabWidget>("PageControl1").setCurrentIndex(2);
  ASSERT_TRUE(world.Press("BtnDoit"));
  EXPECT_EQ(world.Failures().Text(), "Type failed\n");
  EXPECT_EQ(world.Child<QTabWidget>("PageControl1").currentIndex(), 0) << "the failure is shown";
  EXPECT_TRUE(world.Written.empty());
  const auto report = world.Dir / "Desktop" / "tabulon_out" / TodaysName();
  ASSERT_TRUE(std::filesystem::exists(report));
  EXPECT_EQ(ReadBytes(report).find("</body></html>"), std::string::npos) << "no footer";
  EXPECT_TRUE(Idle(world));

  // Failures of later runs accumulate, below a line that marks where the
  // new run began.
  WriteBytes(world.Dir / "NotAFolder", "");
  world.Environment.Report.DesktopFolder = [&] { return (world.Dir / "NotAFolder").string(); };
  world.Close();
  world.Open();
  world.Targets().SetText("??||/data/broken.mdb\n");
  world.Failures().SetText("Type failed\n");
  ASSERT_TRUE(world.Press("BtnDoit"));
  const std::vector<std::string> lines = SplitListLines(world.Failures().Text());
  ASSERT_EQ(lines.size(), 3U);
  EXPECT_EQ(lines[0], "Type failed");
  EXPECT_TRUE(lines[1].starts_with("―― 20") && lines[1].ends_with(" 解析開始 ――")) << lines[1];
  EXPECT_NE(lines[2].find("NotAFolder"), std::string::npos) << lines[2];
  EXPECT_TRUE(Idle(world));
}

TEST(MainFormRun, ARunThatWroteNoDatabaseSaysSoAndAnnouncesNothing) {
  FakeDatabaseData once = OneTable();
  once.OpenLimit = 1;  // opens for the index, then not for its section
  WindowWorld world({{"/data/once.mdb", once}});
  world.Open();
  world.Targets().SetText("??||/data/missing.mdb\n??||/data/once.mdb\n");
  ASSERT_TRUE(world.Press("BtnDoit"));
  EXPECT_TRUE(world.Written.empty()) << "no notification for a report of its index only";
  const std::vector<std::string> lines = SplitListLines(world.Failures().Text());
  ASSERT_EQ(lines.size(), 2U) << world.Failures().Text();
  EXPECT_TRUE(lines[0].starts_with("'/data/once.mdb' を開けないため、その節を書けません: "));
  EXPECT_TRUE(lines[1].starts_with("解析できたデータベースがないため、レポート '")) << lines[1];
  EXPECT_TRUE(Idle(world));

  // One database written is a result, announced as before.
  WindowWorld good({{"/data/a.mdb", OneTable()}});
  good.Open();
  good.Targets().SetText("??||/data/missing.mdb\n??||/data/a.mdb\n");
  ASSERT_TRUE(good.Press("BtnDoit"));
  EXPECT_EQ(good.Written.size(), 1U);
  EXPECT_TRUE(good.Failures().Text().empty());
}

// A database the real engine takes a while over: its report takes tens of
// milliseconds, long enough for the window's event loop to turn many times
// during a run even on a busy machine.
constexpr int LargeTables = 1200;
std::string WriteLargeDatabase(const TempDir& dir) {
  const jetwriter::ByteVector bytes =
      jetwriter::WriteDatabase(jetwriter::SyntheticSchema({LargeTables, 20, 3, 100})).Bytes;
  WriteBytes(dir / "large.mdb", std::string(bytes.begin(), bytes.end()));
  return (dir / "large.mdb").string();
}

TEST(MainFormRun, TheWindowLivesWhileTheReportIsWritten) {
  WindowWorld world;
  world.Dao = std::make_unique<TDao360>(jet::CreateJetEngine());
  const std::string large = WriteLargeDatabase(world.Dir);
  world.Open().show();
  world.Targets().SetText("??||" + large + "\n??||" + large + "\n");
  int ticksDuringRun = 0;
  QTimer timer;
  QObject::connect(&timer, &QTimer::timeout, [&] {
    if (world.Form->OperationRunning() && !world.Targets().isEnabled()) ++ticksDuringRun;
  });
  timer.start(1);
  ASSERT_TRUE(world.Press("BtnDoit"));
  EXPECT_GT(ticksDuringRun, 0) << "the event loop ran during the run";
  const auto& total = world.Child<QProgressBar>("ProgTotal");
  const auto& part = world.Child<QProgressBar>("ProgPart");
  EXPECT_EQ(total.value(), total.maximum());
  EXPECT_EQ(total.maximum(), 2);
  EXPECT_EQ(part.value(), part.maximum());
  EXPECT_GE(part.maximum(), 5 + LargeTables) << "a step per table";
  EXPECT_TRUE(Idle(world));
  EXPECT_TRUE(world.Failures().Text().empty());
  // The end shows in the window too, not only in a notification.
  EXPECT_TRUE(total.isTextVisible());
  EXPECT_EQ(total.format().toStdString(), "書き出しました: " + TodaysName());
  EXPECT_EQ(total.toolTip().toStdString(),
            (world.Dir / "Desktop" / "tabulon_out" / TodaysName()).string());
}

TEST(MainFormRun, ClosingDuringTheRunAsksAndStopsAfterTheCurrentDatabase) {
  WindowWorld world;
  world.Dao = std::make_unique<TDao360>(jet::CreateJetEngine());
  const std::string large = WriteLargeDatabase(world.Dir);
  world.Open().show();
  std::string list;
  for (int i = 0; i < 20; ++i) list += "??||" + large + "\n";
  world.Targets().SetText(list);

  // Declined: the run goes on.
  world.Child<QPushButton>("BtnDoit").click();
  ASSERT_TRUE(QTest::qWaitFor([&] { return world.Child<QProgressBar>("ProgPart").value() > 0; }));
  EXPECT_FALSE(world.Form->close());
  EXPECT_EQ(world.Questions.size(), 1U);
  // Accepted: it stops after the current database and the window closes.
  world.Answer = true;
  EXPECT_FALSE(world.Form->close());
  ASSERT_TRUE(QTest::qWaitFor([&] { return !world.Form->isVisible(); }, 60000));
  EXPECT_EQ(world.Questions.size(), 2U);
  EXPECT_FALSE(world.Form->OperationRunning());
  const auto report = world.Dir / "Desktop" / "tabulon_out" / TodaysName();
  const std::string text = DecodeTextFile(ReadBytes(report));
  EXPECT_NE(text.find("<p>解析は途中で中止されました。\r\n<p>"), std::string::npos);
  EXPECT_TRUE(text.ends_with("</body></html>\r\n"));
  ASSERT_EQ(world.Summaries.size(), 1U);
  EXPECT_TRUE(world.Summaries[0].starts_with("解析を中止しました（")) << world.Summaries[0];
  std::size_t sections = 0;
  for (std::size_t at = 0; (at = text.find("<h3 ", at)) != std::string::npos; ++at) ++sections;
  EXPECT_GE(sections, 1U);
  EXPECT_LT(sections, 20U);
}

// Everything that could start a second job, tried while one works: the
// buttons by mouse and by key, the handlers called directly, a drop and a
// file from outside. One job at a time, and the program lives.
void PokeEverythingWhileBusy(WindowWorld& world, int& pokes, int& busyPokes) {
  const std::string dropped = (world.Dir / "dropped.mdb").string();
  const auto poke = [&] {
    if (!world.Form->OperationRunning()) return;
    ++pokes;
    EXPECT_FALSE(world.Targets().isEnabled());
    EXPECT_FALSE(world.Child("PnlButton").isEnabled());
    if (world.Targets().isEnabled() || world.Child("PnlButton").isEnabled()) return;
    for (const char* name : {"BtnCheck", "BtnDoit"}) {
      auto& button = world.Child<QPushButton>(name);
      QTest::mouseClick(&button, Qt::LeftButton);
      button.click();
      QTest::keyClick(&button, Qt::Key_Space);
      QTest::keyClick(&button, Qt::Key_Return);
    }
    QTest::keyClick(world.Form.get(), Qt::Key_Return);
    world.Form->BtnCheckClick();
    world.Form->BtnDoitClick();
    EXPECT_FALSE(world.Form->DropFiles({QUrl::fromLocalFile(QString::fromStdString(dropped))}));
    EXPECT_FALSE(world.Form->AddFiles({dropped}));
    ++busyPokes;
  };
  // Once at once, while the job surely works (its end is applied only by
  // the event loop), then as long as it works.
  poke();
  QTimer timer;
  QObject::connect(&timer, &QTimer::timeout, poke);
  timer.start(20);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !world.Form->OperationRunning(); }, 180000));
}

TEST(MainFormJobs, NothingStartsASecondJobDuringACheckOrARun) {
  WindowWorld world;
  world.Dao = std::make_unique<TDao360>(jet::CreateJetEngine());
  const std::string large = WriteLargeDatabase(world.Dir);
  WriteBytes(world.Dir / "dropped.mdb", "x");
  world.Open().show();
  std::string list;
  for (int i = 0; i < 3; ++i) list += "??||" + large + "\n";
  world.Targets().SetText(list);

  int pokes = 0;
  int busyPokes = 0;
  world.Child<QPushButton>("BtnCheck").click();
  ASSERT_TRUE(world.Form->OperationRunning());
  PokeEverythingWhileBusy(world, pokes, busyPokes);
  EXPECT_GT(busyPokes, 0) << "the check ran long enough to be poked";
  EXPECT_TRUE(Idle(world));
  ASSERT_EQ(world.Informations.size(), 1U) << "one check, one summary";
  EXPECT_TRUE(world.Errors.empty());
  const std::vector<std::string> checked = SplitListLines(world.Targets().Text());
  ASSERT_EQ(checked.size(), 3U);
  for (const std::string& line : checked) EXPECT_TRUE(line.starts_with("\"OK\"|")) << line;

  const int checkPokes = busyPokes;
  const std::string afterCheck = world.Targets().Text();
  world.Child<QPushButton>("BtnDoit").click();
  ASSERT_TRUE(world.Form->OperationRunning());
  PokeEverythingWhileBusy(world, pokes, busyPokes);
  EXPECT_GT(busyPokes, checkPokes) << "the run ran long enough to be poked";
  EXPECT_TRUE(Idle(world));
  EXPECT_EQ(world.Informations.size(), 1U) << "no check ran during the run";
  EXPECT_TRUE(world.Failures().Text().empty());
  const auto report = world.Dir / "Desktop" / "tabulon_out" / TodaysName();
  EXPECT_TRUE(DecodeTextFile(ReadBytes(report)).ends_with("</body></html>\r\n"));
  EXPECT_EQ(world.Targets().Text(), afterCheck) << "the run leaves the checked list as it is";
}

TEST(MainFormRun, AStopAnsweredAfterItsRunEndedIsNotKeptForTheNext) {
  WindowWorld world;
  world.Dao = std::make_unique<TDao360>(jet::CreateJetEngine());
  const std::string large = WriteLargeDatabase(world.Dir);
  world.Open().show();
  world.Targets().SetText("??||" + large + "\n??||" + large + "\n");
  world.Child<QPushButton>("BtnDoit").click();
  ASSERT_TRUE(QTest::qWaitFor([&] { return world.Child<QProgressBar>("ProgPart").value() > 0; }));
  // The run ends while the question is still open; then the user says yes.
  world.WhileAsked = [&] {
    ASSERT_TRUE(QTest::qWaitFor([&] { return !world.Form->OperationRunning(); }, 60000));
  };
  world.Answer = true;
  EXPECT_FALSE(world.Form->close());
  world.WhileAsked = nullptr;
  EXPECT_FALSE(world.Form->OperationRunning());
  const auto report = world.Dir / "Desktop" / "tabulon_out" / TodaysName();
  EXPECT_EQ(DecodeTextFile(ReadBytes(report)).find("解析は途中で中止されました。"),
            std::string::npos)
      << "the run was not stopped";

  ASSERT_TRUE(world.Press("BtnCheck"));
  EXPECT_TRUE(world.Form->isVisible()) << "the old answer closed nothing";
  EXPECT_EQ(world.Informations.size(), 1U);
  EXPECT_TRUE(world.Form->close()) << "after the run, closing needs no question";
  EXPECT_EQ(world.Questions.size(), 1U);
}

TEST(MainFormRun, VersionOpensTheAboutWindow) {
  WindowWorld world;
  world.Open();
  world.Child<QPushButton>("BtnVersion").click();
  EXPECT_EQ(world.InfoWindows, 1);
}

}  // namespace
}  // namespace tabulon::test
