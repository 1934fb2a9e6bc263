// The three buttons: the connection check, the report run and the About
// window.

#include <gui/MainForm.h>

#include <exception>

#include <QApplication>
#include <QCheckBox>
#include <QFileInfo>
#include <QFrame>
#include <QProgressBar>
#include <QRadioButton>

#include <gui/Memo.h>
#include <gui/SaveDialog.h>
#include <report/ReportRun.h>
#include <targets/ConnectionCheck.h>

namespace tabulon {

namespace {

// The list text again from its lines, ending in a break when the original
// did.
std::string JoinListLines(const std::vector<std::string>& lines, bool finalBreak) {
  std::string text;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) text += '\n';
    text += lines[i];
  }
  if (finalBreak && !lines.empty()) text += '\n';
  return text;
}

void ShowMaximum(QProgressBar& bar, int maximum) {
  // A range of 0 to 0 would show Qt's "busy" animation, not an empty bar.
  bar.setRange(0, maximum > 0 ? maximum : 1);
  bar.repaint();
}

void ShowPosition(QProgressBar& bar, int position) {
  bar.setValue(position);
  // Nothing else paints until the run ends.
  bar.repaint();
}

}  // namespace

// The main window as the report run's front.
class TMainFormFront : public ReportFront {
 public:
  explicit TMainFormFront(TMainForm& form) : F(form) {}

  void SetControlsEnabled(bool enabled) override {
    F.MemTarget->setEnabled(enabled);
    F.PnlButton->setEnabled(enabled);
  }

  std::optional<std::filesystem::path> AskSavePath(const std::string& defaultFileName) override {
    const std::optional<QString> chosen =
        F.FEnvironment.ExecuteSaveDialog(*F.SaveHere, QString::fromStdString(defaultFileName), &F);
    if (!chosen) return std::nullopt;
    F.SaveHere->InitialDir = QFileInfo(*chosen).absolutePath();
    return std::filesystem::path(chosen->toStdString());
  }

  void SetBusy(bool busy) override { F.SetBusy(busy); }

  void SetProgressMaximum(ProgressBar bar, int maximum) override {
    ShowMaximum(BarOf(bar), maximum);
  }

  void SetProgressPosition(ProgressBar bar, int position) override {
    ShowPosition(BarOf(bar), position);
  }

  void ReportFailure(const std::string& text) override { F.MemOut->AppendLine(text); }

 private:
  QProgressBar& BarOf(ProgressBar bar) {
    return bar == ProgressBar::Total ? *F.ProgTotal : *F.ProgPart;
  }

  TMainForm& F;
};

void TMainForm::SetBusy(bool busy) {
  if (busy == FBusy) return;
  FBusy = busy;
  if (busy) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QPalette yellow = palette();
    yellow.setColor(QPalette::Window, QColor(255, 255, 0));
    setPalette(yellow);
    // Nothing else paints until the run ends.
    repaint();
  } else {
    QApplication::restoreOverrideCursor();
    setPalette(QPalette());
  }
}

void TMainForm::BtnCheckClick() {
  const std::string original = MemTarget->Text();
  std::vector<std::string> lines = SplitListLines(original);
  if (lines.empty()) return;

  FOperationRunning = true;
  MemTarget->setEnabled(false);
  CheckCounts counts;
  std::string failure;
  try {
    counts = RunConnectionCheck(FDao, lines);
  } catch (const std::exception& e) {
    failure = e.what();
  } catch (...) {
    failure = "想定外のエラーが発生しました。";
  }
  // Lines rewritten before a failure keep their new status.
  const std::string checked = JoinListLines(lines, !original.empty() && original.back() == '\n');
  if (checked != original) MemTarget->ReplaceText(checked);
  MemTarget->setEnabled(true);
  FOperationRunning = false;

  if (!failure.empty()) {
    ShowError(failure);
    return;
  }
  FEnvironment.ShowInformation(QString::fromStdString(CheckSummaryText(counts)));
}

void TMainForm::BtnDoitClick() {
  ReportSettings settings = FEnvironment.Report;
  settings.Verbose = ChkVerbose->isChecked();
  settings.Objects = ChkObjects->isChecked();
  settings.TypeStyle = RdoTypeLong->isChecked()     ? WordStyle::Long
                       : RdoTypeMiddle->isChecked() ? WordStyle::Middle
                                                    : WordStyle::Short;
  settings.AttrStyle = RdoAttrLong->isChecked()     ? WordStyle::Long
                       : RdoAttrMiddle->isChecked() ? WordStyle::Middle
                                                    : WordStyle::Short;
  settings.Where = RbtnPutDesktop->isChecked() ? Destination::Desktop
                   : RbtnPutWhere->isChecked() ? Destination::AskEachTime
                                               : Destination::Nowhere;
  settings.ExecutablePath = FEnvironment.Executable;

  TMainFormFront front(*this);
  FOperationRunning = true;
  try {
    RunReport(FDao, FWording, FAnchors, SplitListLines(MemTarget->Text()), settings, front);
  } catch (const std::exception& e) {
    front.ReportFailure(e.what());
  } catch (...) {
    front.ReportFailure("想定外のエラーが発生しました。");
  }
  // Whatever happened, the window is usable again (the run has already left
  // the busy state).
  front.SetControlsEnabled(true);
  FOperationRunning = false;
}

void TMainForm::BtnVersionClick() { FEnvironment.ShowInfoWindow(this); }

}  // namespace tabulon
