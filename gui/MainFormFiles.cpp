// Start and end of the main window: its settings file and its list file.

#include <gui/MainForm.h>

#include <exception>

#include <QCheckBox>
#include <QCloseEvent>

#include <gui/AppMessage.h>
#include <gui/DesktopShell.h>
#include <gui/FormState.h>
#include <gui/Memo.h>
#include <targets/ListFile.h>

namespace tabulon {

namespace {

// The folder of a file about to be written, created when missing (the
// user's configuration folder on a first run); a failure shows when the
// file itself is written.
void PrepareFolder(const std::filesystem::path& file) {
  std::error_code ignored;
  if (file.has_parent_path()) std::filesystem::create_directories(file.parent_path(), ignored);
}

}  // namespace

TMainForm::TMainForm(TDao360& dao, Wording& wording, MainFormEnvironment environment)
    : FDao(dao), FWording(wording), FEnvironment(std::move(environment)) {
  setObjectName(QStringLiteral("MainForm"));
  CreateComponents();
  FormCreate();
}

TMainForm::~TMainForm() {
  // A window going while its work runs (it cannot be closed then, but it
  // can be destroyed) waits for the current file; the work's queued calls
  // to it are dropped with it.
  if (FWorker.joinable()) {
    FStopRequested = true;
    FWorker.join();
  }
}

void TMainForm::ShowError(const std::string& text) const {
  FEnvironment.ShowError(QString::fromStdString(text));
}

void TMainForm::FormCreate() {
  SetVersionCaption(*this);
  try {
    RestoreFormState(FEnvironment.Files.Settings, *this);
  } catch (const std::exception& e) {
    ShowError(e.what());
  }
  // Settings written on a screen that is gone would leave the window where
  // no one can reach it.
  // A size saved on a larger screen, or with another scale factor, must not
  // make the window larger than the screen.
  FitToScreen(*this);
  KeepOnSomeScreen(*this, DesignPosition);
  if (ChkRestoreList->isChecked()) {
    try {
      if (const auto text = ReadListFile(FEnvironment.Files.List)) MemTarget->SetText(*text);
    } catch (const std::exception& e) {
      ShowError(e.what());
    }
  }
}

void TMainForm::FormDestroy() {
  if (ChkRestoreList->isChecked()) {
    try {
      PrepareFolder(FEnvironment.Files.List);
      WriteListFile(FEnvironment.Files.List, MemTarget->Text());
    } catch (const std::exception& e) {
      ShowError(e.what());
    }
  }
  try {
    PrepareFolder(FEnvironment.Files.Settings);
    SaveFormState(FEnvironment.Files.Settings, *this);
  } catch (const std::exception& e) {
    ShowError(e.what());
  }
}

void TMainForm::closeEvent(QCloseEvent* event) {
  // The check and the run leave the window only through their own end; the
  // user may ask them to end early, and the window then closes.
  if (FOperationRunning) {
    event->ignore();
    if (!FWorker.joinable() || FCloseWhenDone) return;
    // The question waits in its own event loop, where the job may end; the
    // answer then belongs to a job that is gone and is not kept for the next.
    const std::uint64_t askedFor = FJobSerial;
    const bool stop = FEnvironment.Confirm(
        QStringLiteral("処理を中止して終了しますか？\n処理中のファイルを終えてから止まります。"));
    if (stop && FOperationRunning && FJobSerial == askedFor) {
      FStopRequested = true;
      FCloseWhenDone = true;
    }
    return;
  }
  event->accept();
}

}  // namespace tabulon
