#include <gui/MainFormEnvironment.h>

#include <QCoreApplication>

#include <gui/AppMessage.h>
#include <gui/InfoForm.h>
#include <gui/ReportNotifier.h>
#include <gui/SaveDialog.h>
#include <jet/JetEngine.h>
#include <platform/VersionInfo.h>

namespace tabulon {

MainFormEnvironment DefaultMainFormEnvironment(const std::filesystem::path& executable) {
  MainFormEnvironment e;
  e.Executable = executable;
  e.Files = LocateConfigFiles(executable);
  e.ShowError = [](const QString& text) { ShowErrorBox(text); };
  e.ShowInformation = [](const QString& text) { AppMessageBox(text, QMessageBox::Information); };
  e.Confirm = [](const QString& text) {
    return AppMessageBox(text, QMessageBox::Question, QMessageBox::Yes | QMessageBox::No) ==
           QMessageBox::Yes;
  };
  e.ExecuteSaveDialog = [](TSaveDialog& dialog, const QString& fileName, QWidget* owner) {
    return dialog.Execute(fileName, owner);
  };
  e.ReportWritten = [](const std::filesystem::path& report, const QString& summary) {
    // A child of the application: it goes, withdrawing what it showed,
    // when the program ends.
    static TReportNotifier* const notifier =
        new TReportNotifier(QDBusConnection::sessionBus(), {}, QCoreApplication::instance());
    notifier->Notify(report, summary);
  };
  e.NewEngine = [] {
    return jet::CreateJetEngine({std::string(ReaderName), std::string(ProgramVersion())});
  };
  e.ShowInfoWindow = [executable](QWidget* owner) {
    InfoFormEnvironment info = DefaultInfoFormEnvironment();
    info.Executable = executable;
    ShowInfoWindow(owner, std::move(info));
  };
  return e;
}

}  // namespace tabulon
