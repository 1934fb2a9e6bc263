// Pictures of the windows for the README and for review: the main window's
// three tabs and the About window, as PNG files in the folder given as the
// only argument. Runs on whatever display Qt finds (scripts/screenshot
// starts it under Xvfb); its settings and list live in a temporary folder.

#include <cstdio>
#include <filesystem>
#include <fstream>

#include <QApplication>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QUrl>

#include <dao/Dao360.h>
#include <gui/AppIcon.h>
#include <gui/InfoForm.h>
#include <gui/MainForm.h>
#include <jet/JetEngine.h>
#include <platform/VersionInfo.h>
#include <report/Wording.h>

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
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
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
  return ok ? 0 : 1;
}
