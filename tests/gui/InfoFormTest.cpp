// The About window: its texts from injected figures, the refresh, the
// links, the desktop shortcut, closing by any key; the message box.

#include <gtest/gtest.h>

#include <QDesktopServices>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <gui/AppMessage.h>
#include <gui/InfoForm.h>
#include <platform/Shortcut.h>
#include <platform/VersionInfo.h>

#include <tests/support/TestSupport.h>
#include "UrlRecorder.h"

namespace tabulon::test {
namespace {

struct InfoWorld {
  TempDir Dir;
  SystemFigures Figures;
  std::vector<std::string> Errors;
  InfoFormEnvironment Environment;

  InfoWorld() {
    Figures.Memory = {268435456, 1537, 4096, 1024, 8ULL << 40, 6ULL << 40};
    Figures.Process = {1535, 2048, 1234567, 3072, 4096, 5120, 6144, 0, 1024};
    Figures.Times = {1, 59, 3725};
    Environment.Executable = ExecutablePath();
    Environment.ReadFigures = [this] { return Figures; };
    Environment.OsDescription = [] {
      return std::string("Microsoft Windows XP Professional Service Pack 2 (Build 2600)");
    };
    Environment.DesktopFolder = [this] { return Dir.Path().string(); };
    Environment.ShowError = [this](const QString& text) { Errors.push_back(text.toStdString()); };
  }
};

std::string TextOf(const QDialog& form, const char* name) {
  return form.findChild<QLabel*>(QString::fromLatin1(name))->text().toStdString();
}

void Click(const QDialog& form, const char* name) {
  QTest::mouseClick(form.findChild<QLabel*>(QString::fromLatin1(name)), Qt::LeftButton);
}

TEST(InfoForm, ShowsTheProgramAndTheFigures) {
  InfoWorld world;
  TInfoForm form(nullptr, world.Environment);
  const std::string exeName = world.Environment.Executable.filename().string();
  EXPECT_EQ(form.windowTitle().toStdString(),
            std::string("tabulon Ver.") + TABULON_VERSION + " - InfoForm");
  EXPECT_EQ(TextOf(form, "LblExeName"), exeName);
  EXPECT_EQ(TextOf(form, "LblExeVersion"), std::string("Ver.") + TABULON_VERSION);
  EXPECT_EQ(TextOf(form, "LblFileDescription"), "mdb形式のデータベースのテーブル構造をhtml出力");
  EXPECT_EQ(TextOf(form, "LblOsVersion"), "Windows XP Professional Service Pack 2 (Build 2600)");
  EXPECT_EQ(TextOf(form, "LblPhys"), "Free Physical Memory:2 KB; Total:262,144 KB");
  EXPECT_EQ(TextOf(form, "LblPageFile"), "Free Paging File:1 KB; Total:4 KB");
  EXPECT_EQ(TextOf(form, "LblVirtual"),
            "Free Virtual Memory:6,442,450,944 KB; Total:8,589,934,592 KB");
  EXPECT_EQ(TextOf(form, "LblWorkingSetSize"), "Memory Usage:1 KB; Peak:2 KB");
  EXPECT_EQ(TextOf(form, "LblPageFaultCount"), "Page Fault:1,234,567");
  EXPECT_EQ(TextOf(form, "LblPagefileUsage"), "Pagefile Usage:3 KB; Peak:4 KB");
  EXPECT_EQ(TextOf(form, "LblPagedPoolUsage"), "Paged Pool Usage:5 KB; Peak:6 KB");
  EXPECT_EQ(TextOf(form, "LblNonPagedPoolUsage"), "NonPaged Pool Usage:0 KB; Peak:1 KB");
  EXPECT_EQ(TextOf(form, "LblProcessTime"), "Kernel:0:00:01; User:0:00:59; Process:1:02:05");
  EXPECT_EQ(TextOf(form, "lblURL"), std::string(MakerHomePage()));
  EXPECT_EQ(TextOf(form, "lblMail"), std::string(MakerMailAddress()));
  EXPECT_EQ(TextOf(form, "Label2"), "System Information");
  EXPECT_EQ(TextOf(form, "Label3"), "Process Information");
  for (const char* hidden :
       {"LblLaunchOnStartup", "LblOpenStartup", "LblLaunchOnSendTo", "LblOpenSendTo"}) {
    EXPECT_TRUE(form.findChild<QLabel*>(QString::fromLatin1(hidden))->isHidden()) << hidden;
  }
  EXPECT_EQ(TextOf(form, "LblLaunchOnDesktop"), "Create Shortcut on \"Desktop\"");
  EXPECT_EQ(TextOf(form, "LblOpenFolderIn"), "Open Folder This Program Installed");

  // Centred on the screen's available area, and fitted to its contents.
  const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
  EXPECT_EQ(form.x(), area.x() + (area.width() - form.width()) / 2);
  EXPECT_EQ(form.y(), area.y() + (area.height() - form.height()) / 2);
  const auto* process = form.findChild<QLabel*>(QStringLiteral("LblProcessTime"));
  EXPECT_GE(form.height(), process->mapTo(&form, QPoint(0, process->height())).y() + 10);

  const auto* timer = form.findChild<QTimer*>(QStringLiteral("Timer1"));
  ASSERT_NE(timer, nullptr);
  EXPECT_EQ(timer->interval(), 500);
  EXPECT_TRUE(timer->isActive());
  world.Figures.Process.PageFaultCount = 7;
  EXPECT_TRUE(
      QTest::qWaitFor([&] { return TextOf(form, "LblPageFaultCount") == "Page Fault:7"; }, 5000))
      << "the figures are read again";
}

TEST(InfoForm, AnyKeyClosesIt) {
  InfoWorld world;
  for (const Qt::Key key : {Qt::Key_Shift, Qt::Key_A, Qt::Key_Escape}) {
    TInfoForm form(nullptr, world.Environment);
    form.show();
    QTest::keyPress(&form, key);
    EXPECT_FALSE(form.isVisible()) << key;
    EXPECT_EQ(form.result(), QDialog::Rejected);
  }
}

TEST(InfoForm, LinksOpenWithTheDesktopsHandlers) {
  InfoWorld world;
  UrlRecorder urls;
  TInfoForm form(nullptr, world.Environment);
  form.show();
  Click(form, "lblURL");
  Click(form, "lblMail");
  Click(form, "Label1");
  Click(form, "LblOpenFolderIn");
  const std::string exe = world.Environment.Executable.filename().string();
  ASSERT_EQ(urls.Opened.size(), 4U);
  EXPECT_EQ(urls.Opened[0], QUrl(QString::fromUtf8(MakerHomePage().data())));
  EXPECT_EQ(urls.Opened[1].scheme(), "mailto");
  EXPECT_EQ(urls.Opened[1].path().toStdString(), std::string(MakerMailAddress()));
  EXPECT_EQ(urls.Opened[1].query(QUrl::FullyDecoded).toStdString(),
            "subject=from [" + exe + "] user");
  EXPECT_EQ(urls.Opened[2].toString(),
            form.findChild<QLabel*>(QStringLiteral("Label1"))->toolTip());
  EXPECT_EQ(urls.Opened[3].toLocalFile().toStdString(),
            world.Environment.Executable.parent_path().string() + "/");
}

TEST(InfoForm, DesktopShortcutIsWrittenOnceAndFailuresAreShown) {
  InfoWorld world;
  TInfoForm form(nullptr, world.Environment);
  form.show();
  Click(form, "LblLaunchOnDesktop");
  Click(form, "LblLaunchOnDesktop");
  const auto& exe = world.Environment.Executable;
  const auto link = world.Dir / (exe.stem().string() + ".desktop");
  EXPECT_EQ(ReadBytes(link), DesktopEntryText(exe, exe.stem().string()));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(world.Dir.Path()),
                          std::filesystem::directory_iterator()),
            1);
  EXPECT_TRUE(world.Errors.empty());

  WriteBytes(world.Dir / "file", "");
  world.Environment.DesktopFolder = [&] { return (world.Dir / "file").string(); };
  TInfoForm failing(nullptr, world.Environment);
  failing.show();
  Click(failing, "LblLaunchOnDesktop");
  ASSERT_EQ(world.Errors.size(), 1U);
  const std::string prefix = (world.Dir / "file" / link.filename()).string() + ": ";
  EXPECT_TRUE(world.Errors[0].starts_with(prefix)) << world.Errors[0];
  EXPECT_GT(world.Errors[0].size(), prefix.size()) << "the system's reason";
  EXPECT_TRUE(failing.isVisible());
}

TEST(AppMessage, BoxIsOnTopAndCaptionedWithTheApplicationTitle) {
  bool seen = false;
  QTimer::singleShot(0, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    seen = true;
    EXPECT_EQ(box->windowTitle().toStdString(), "tabulon");
    EXPECT_EQ(box->text().toStdString(), "本文");
    EXPECT_EQ(box->icon(), QMessageBox::Information);
    EXPECT_TRUE(box->windowFlags() & Qt::WindowStaysOnTopHint);
    box->button(QMessageBox::Ok)->click();
  });
  EXPECT_EQ(AppMessageBox(QStringLiteral("本文"), QMessageBox::Information), QMessageBox::Ok);
  EXPECT_TRUE(seen);
}

}  // namespace
}  // namespace tabulon::test
