// The desktop program: one main window over the engine connection and the
// wording file, everything on the user-interface thread.

#include <exception>
#include <memory>

#include <QApplication>

#include <dao/Dao360.h>
#include <gui/AppIcon.h>
#include <gui/AppMessage.h>
#include <gui/MainForm.h>
#include <gui/QtTranslations.h>
#include <gui/SingleInstance.h>
#include <jet/JetEngine.h>
#include <platform/Shortcut.h>
#include <platform/VersionInfo.h>
#include <words/Wording.h>

int main(int argc, char* argv[]) {
  using namespace tabulon;
  QApplication application(argc, argv);
  const std::filesystem::path executable = ExecutablePath(argv[0]);
  // The program speaks Japanese; so do Qt's own dialogs and buttons.
  InstallQtTranslations();
  QApplication::setApplicationName(QString::fromStdString(ApplicationTitle(executable)));
  QGuiApplication::setDesktopFileName(QStringLiteral("tabulon"));
  QApplication::setWindowIcon(AppIcon());

  // The engine connection and the wording live from start to end; the
  // window is made after them and goes before them.
  std::unique_ptr<TDao360> dao;
  try {
    dao = std::make_unique<TDao360>(
        jet::CreateJetEngine({std::string(ReaderName), std::string(ProgramVersion())}));
  } catch (const std::exception& e) {
    ShowErrorBox(QString::fromStdString(e.what()));
    return 1;
  }
  Wording wording;
  if (const auto error = wording.Words.Load(executable.parent_path() / WordsFileName)) {
    ShowErrorBox(QString::fromStdString(*error));
  }

  // Files named on the command line ("Open with" from a file manager) are
  // added as if dropped.
  std::vector<std::string> files;
  bool newWindow = false;
  const QStringList arguments = QApplication::arguments();
  for (qsizetype i = 1; i < arguments.size(); ++i) {
    if (arguments[i] == QStringLiteral("--new-window")) {
      newWindow = true;
      continue;
    }
    // A launcher's own argument must not clear the list a drop would
    // clear; a name of nothing is listed, and the check says NG for it.
    if (arguments[i].toStdString() == ShortcutArgument) continue;
    std::error_code error;
    const std::filesystem::path path = std::filesystem::absolute(arguments[i].toStdString(), error);
    if (!error) files.push_back(path.lexically_normal().string());
  }
  // One window per user, so that two do not write the same settings and
  // list files; --new-window opens another all the same.
  if (!newWindow && HandOverToRunningWindow(SingleInstanceName(), files)) return 0;

  TMainForm form(*dao, wording, DefaultMainFormEnvironment(executable));
  form.show();
  std::unique_ptr<TSingleInstanceServer> server;
  if (!newWindow) {
    server = std::make_unique<TSingleInstanceServer>(
        SingleInstanceName(), [&form](const std::vector<std::string>& handed) {
          if (!handed.empty()) form.AddFiles(handed);
          form.showNormal();
          form.raise();
          form.activateWindow();
        });
  }
  if (!files.empty()) form.AddFiles(files);
  const int result = QApplication::exec();
  form.FormDestroy();
  return result;
}
