// Pictures of the windows for the README and for review: the main window's
// three tabs and the About window, as PNG files in the folder given as the
// first argument. Runs on whatever display Qt finds (scripts/screenshot
// starts it under Xvfb); its settings and list live in a temporary folder.
// With databases after the folder, it also runs a report of them and takes
// the window while the bars move ("run.png"); the report goes to the
// desktop folder and the desktop is told of it as after any run.

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <QApplication>
#include <QEventLoop>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>

#include <dao/Dao360.h>
#include <gui/AppIcon.h>
#include <gui/InfoForm.h>
#include <gui/MainForm.h>
#include <jet/JetEngine.h>
#include <platform/VersionInfo.h>
#include <words/Wording.h>

namespace {

bool Save(QWidget& window, const QString& path) {
  QApplication::processEvents();
  const bool saved = window.grab().save(path, "PNG");
  std::printf("%s %s\n", saved ? "wrote" : "could not write", path.toLocal8Bit().constData());
  return saved;
}

}  // namespace

int main(int argc, char* argv[]) {
  using namespace tabulon;
  QApplication application(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s <folder> [database...]\n", argv[0]);
    return 2;
  }
  const QString folder = QString::fromLocal8Bit(argv[1]);
  QApplication::setApplicationName(QStringLiteral("tabulon"));
  QApplication::setWindowIcon(AppIcon());
  QTemporaryDir temporary;
  const std::filesystem::path work = temporary.path().toStdString();

  // The program under its own name: a link to this executable, which the
  // version strings still recognise.
  const std::filesystem::path program = work / "tabulon";
  std::filesystem::create_symlink(ExecutablePath(), program);

  TDao360 dao(jet::CreateJetEngine({std::string(ReaderName), std::string(ProgramVersion())}));
  Wording wording;
  MainFormEnvironment environment = DefaultMainFormEnvironment(program);
  TMainForm form(dao, wording, environment);

  // Two dropped databases, so the list shows what a drop makes.
  QList<QUrl> drops;
  for (const char* name : {"販売管理.mdb", "顧客台帳.accdb"}) {
    const std::filesystem::path file = work / "データ" / name;
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file).put('\0');
    drops << QUrl::fromLocalFile(QString::fromStdString(file.string()));
  }
  form.DropFiles(drops);
  form.show();

  auto* tabs = form.findChild<QTabWidget*>(QStringLiteral("PageControl1"));
  bool ok = tabs != nullptr;
  const char* names[] = {"main", "config", "config2"};
  for (int i = 0; ok && i < 3; ++i) {
    tabs->setCurrentIndex(i);
    ok = Save(form, folder + QStringLiteral("/tab-%1.png").arg(QLatin1String(names[i])));
  }

  // The example line with its red password, four times enlarged.
  tabs->setCurrentIndex(0);
  if (auto* example = form.findChild<QWidget*>(QStringLiteral("Label4"));
      ok && example != nullptr) {
    QApplication::processEvents();
    const QPixmap line = example->parentWidget()->grab(example->geometry());
    ok = line.scaled(line.size() * 4).save(folder + QStringLiteral("/example-zoom.png"), "PNG");
  }

  InfoFormEnvironment info = DefaultInfoFormEnvironment();
  info.Executable = program;
  TInfoForm about(&form, info);
  about.show();
  ok = ok && Save(about, folder + QStringLiteral("/about.png"));
  about.close();

  if (argc > 2 && ok) {
    std::vector<std::string> databases(argv + 2, argv + argc);
    form.AddFiles(databases);
    auto* part = form.findChild<QProgressBar*>(QStringLiteral("ProgPart"));
    auto* start = form.findChild<QPushButton*>(QStringLiteral("BtnDoit"));
    start->click();
    // Taken once the second database is half written, then the run is
    // left to end and its notification to show.
    bool taken = false;
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
      auto* total = form.findChild<QProgressBar*>(QStringLiteral("ProgTotal"));
      if (!taken && total->value() >= 1 && part->value() * 2 >= part->maximum()) {
        taken = true;
        ok = Save(form, folder + QStringLiteral("/run.png"));
      }
      if (!form.OperationRunning()) loop.quit();
    });
    poll.start(5);
    loop.exec();
    QTimer::singleShot(3000, &loop, &QEventLoop::quit);
    loop.exec();
    ok = ok && taken;
  }
  return ok ? 0 : 1;
}
