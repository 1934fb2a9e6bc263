#pragma once
// A main window over the fake engine, with its files in a temporary folder
// and every box and dialog it would show recorded instead.

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QApplication>
#include <QCheckBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <dao/Dao360.h>
#include <gui/MainForm.h>
#include <gui/Memo.h>
#include <gui/SaveDialog.h>
#include <jet/JetEngine.h>
#include <targets/ConnectionCheck.h>
#include <words/Wording.h>

#include <tests/support/FakeEngine.h>
#include <tests/support/TestSupport.h>

namespace tabulon::test {

struct WindowWorld {
  TempDir Dir;
  std::shared_ptr<FakeCalls> Calls = std::make_shared<FakeCalls>();
  std::unique_ptr<TDao360> Dao;
  Wording Words;
  MainFormEnvironment Environment;
  std::vector<std::string> Errors;
  std::vector<std::string> Informations;
  // The questions asked, and the answer to give.
  std::vector<std::string> Questions;
  bool Answer = false;
  // Runs while a question is open, before it is answered.
  std::function<void()> WhileAsked;
  // The reports the desktop was told of.
  std::vector<std::filesystem::path> Written;
  std::vector<std::string> Summaries;  // the notification's heading for each
  int InfoWindows = 0;
  // The save dialog's answer; it sees the dialog and the proposed name.
  std::function<std::optional<QString>(TSaveDialog&, const QString&)> Dialog =
      [](TSaveDialog&, const QString&) { return std::nullopt; };
  std::unique_ptr<TMainForm> Form;

  explicit WindowWorld(std::map<std::string, FakeDatabaseData> files = {}) {
    Dao = std::make_unique<TDao360>(std::make_unique<FakeEngine>(std::move(files), Calls));
    Environment.Executable = "/opt/tabulon/tabulon";
    Environment.Files = {Dir / "tabulon.ini", Dir / "tabulon.dat"};
    Environment.ShowError = [this](const QString& text) { Errors.push_back(text.toStdString()); };
    Environment.ShowInformation = [this](const QString& text) {
      Informations.push_back(text.toStdString());
    };
    Environment.ExecuteSaveDialog = [this](TSaveDialog& dialog, const QString& name, QWidget*) {
      return Dialog(dialog, name);
    };
    Environment.Confirm = [this](const QString& text) {
      Questions.push_back(text.toStdString());
      if (WhileAsked) WhileAsked();
      return Answer;
    };
    Environment.ReportWritten = [this](const std::filesystem::path& report,
                                       const QString& summary) {
      Written.push_back(report);
      Summaries.push_back(summary.toStdString());
    };
    Environment.ShowInfoWindow = [this](QWidget*) { ++InfoWindows; };
    Environment.NewEngine = [] { return jet::CreateJetEngine(); };
    std::filesystem::create_directories(Dir / "Desktop");
    Environment.Report.DesktopFolder = [this] { return (Dir / "Desktop").string(); };
    Environment.Report.OsDescription = [] { return std::string("TestOS"); };
  }

  ~WindowWorld() { Close(); }

  TMainForm& Open() {
    Form = std::make_unique<TMainForm>(*Dao, Words, Environment);
    return *Form;
  }

  // FormDestroy and the window's end, as at the end of the program.
  void Close() {
    if (!Form) return;
    Form->FormDestroy();
    Form.reset();
  }

  template <class T = QWidget>
  T& Child(const char* name) const {
    T* child = Form->findChild<T*>(QString::fromLatin1(name));
    if (child == nullptr) throw std::runtime_error(std::string("no control ") + name);
    return *child;
  }

  // Clicks the button and lets the window run until the work it started
  // has ended; false when it did not end in time.
  bool Press(const char* button) {
    Child<QPushButton>(button).click();
    return QTest::qWaitFor([this] { return !Form->OperationRunning(); }, 60000);
  }

  TMemo& Targets() const { return Child<TMemo>("MemTarget"); }
  TMemo& Failures() const { return Child<TMemo>("MemOut"); }
  bool Checked(const char* name) const {
    if (auto* box = Form->findChild<QCheckBox*>(QString::fromLatin1(name))) return box->isChecked();
    return Child<QRadioButton>(name).isChecked();
  }
};

}  // namespace tabulon::test
