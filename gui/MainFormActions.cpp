// The three buttons: the connection check, the report run and the About
// window.

#include <gui/MainForm.h>

#include <exception>
#include <memory>

#include <QApplication>
#include <QCheckBox>
#include <QDateTime>
#include <QFileInfo>
#include <QFrame>
#include <QProgressBar>
#include <QRadioButton>
#include <QTabWidget>
#include <QTextCursor>

#include <gui/Memo.h>
#include <gui/QueuedFront.h>
#include <gui/SaveDialog.h>
#include <report/OutputPath.h>
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
}

}  // namespace

// The main window as the report run's front.
class TMainFormFront : public ReportFront {
 public:
  explicit TMainFormFront(TMainForm& form) : F(form) {}

  void SetControlsEnabled(bool enabled) override { F.SetJobControlsEnabled(enabled); }

  std::optional<std::filesystem::path> AskSavePath(const std::string& defaultFileName) override {
    // The name proposed is one that is free in the folder the dialog opens
    // in, numbered as the desktop rule numbers it, so that a second run of
    // the day is not proposed the first one's file to overwrite.
    const QString folder = F.SaveHere->OpeningFolder();
    std::string proposed = defaultFileName;
    if (!folder.isEmpty()) {
      proposed = UniqueReportPath(std::filesystem::path(folder.toStdString()), defaultFileName)
                     .filename()
                     .string();
    }
    const std::optional<QString> chosen =
        F.FEnvironment.ExecuteSaveDialog(*F.SaveHere, QString::fromStdString(proposed), &F);
    if (!chosen) return std::nullopt;
    F.SaveHere->InitialDir = QFileInfo(*chosen).absolutePath();
    return std::filesystem::path(chosen->toStdString());
  }

  void SetBusy(bool busy) override { F.SetBusy(busy); }

  void SetProgressMaximum(ProgressBar bar, int maximum) override {
    ShowMaximum(BarOf(bar), maximum);
  }

  void SetProgressPosition(ProgressBar bar, int position) override {
    BarOf(bar).setValue(position);
  }

  void ReportFailure(const std::string& text) override { F.AppendFailure(text); }

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
  } else {
    QApplication::restoreOverrideCursor();
    setPalette(QPalette());
  }
  // The style draws a tab's pane in a colour of its own, not the window's:
  // the pages fill themselves while busy, so the whole window shows it.
  for (int i = 0; i < PageControl1->count(); ++i) {
    PageControl1->widget(i)->setAutoFillBackground(busy);
  }
}

void TMainForm::SetJobControlsEnabled(bool enabled) {
  MemTarget->setEnabled(enabled);
  PnlButton->setEnabled(enabled);
}

bool TMainForm::BeginJob() {
  // A thread still joinable is a job whose end the window has not applied
  // yet; assigning a new one over it would end the program.
  if (FOperationRunning || FWorker.joinable()) return false;
  FOperationRunning = true;
  ++FJobSerial;
  ShowRunStatus({}, {});
  return true;
}

void TMainForm::AppendFailure(const std::string& text) {
  // The run is otherwise silent: its failure is put where it is seen.
  MemOut->AppendLine(text);
  PageControl1->setCurrentWidget(TabSheet1);
  MemOut->moveCursor(QTextCursor::End);
  MemOut->ensureCursorVisible();
}

void TMainForm::MarkJobStart(const char* what) {
  // The list keeps earlier runs' lines; where this run's begin is marked,
  // so that its failures (or their absence) can be told apart.
  if (MemOut->toPlainText().isEmpty()) return;
  MemOut->AppendLine(
      QStringLiteral("―― %1 %2 ――")
          .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyy/MM/dd HH:mm:ss")),
               QString::fromUtf8(what))
          .toStdString());
}

void TMainForm::ShowRunStatus(const QString& status, const QString& detail) {
  ProgTotal->setFormat(status);
  ProgTotal->setTextVisible(!status.isEmpty());
  ProgTotal->setToolTip(detail);
}

void TMainForm::StartWorker(std::function<void()> work, std::function<void()> done) {
  FStopRequested = false;
  FWorker = std::thread([this, work = std::move(work), done = std::move(done)] {
    work();
    // Queued after every call the work made, so it is applied last.
    QMetaObject::invokeMethod(
        this, [this, done] { WorkerFinished(done); }, Qt::QueuedConnection);
  });
}

void TMainForm::WorkerFinished(const std::function<void()>& done) {
  FWorker.join();
  FOperationRunning = false;
  done();
  if (FCloseWhenDone) {
    FCloseWhenDone = false;
    close();
  }
}

void TMainForm::BtnCheckClick() {
  const std::string original = MemTarget->Text();
  std::vector<std::string> lines = SplitListLines(original);
  if (lines.empty() || !BeginJob()) return;
  SetJobControlsEnabled(false);
  struct Outcome {
    std::vector<std::string> Lines;
    CheckCounts Counts;
    std::string Failure;
  };
  auto outcome = std::make_shared<Outcome>();
  outcome->Lines = std::move(lines);
  StartWorker(
      [this, outcome] {
        CheckHooks hooks;
        hooks.StopRequested = [this] { return FStopRequested.load(); };
        try {
          outcome->Counts = RunConnectionCheck(FDao, outcome->Lines, hooks);
        } catch (const std::exception& e) {
          outcome->Failure = e.what();
        } catch (...) {
          outcome->Failure = "想定外のエラーが発生しました。";
        }
      },
      [this, outcome, original] {
        // Lines rewritten before a failure or a stop keep their new status.
        const std::string checked =
            JoinListLines(outcome->Lines, !original.empty() && original.back() == '\n');
        if (checked != original) MemTarget->ReplaceText(checked);
        SetJobControlsEnabled(true);
        if (!outcome->Failure.empty()) {
          ShowError(outcome->Failure);
        } else if (!outcome->Counts.Stopped) {
          FEnvironment.ShowInformation(QString::fromStdString(CheckSummaryText(outcome->Counts)));
        }
      });
}

void TMainForm::BtnDoitClick() {
  if (!BeginJob()) return;
  MarkJobStart("解析開始");
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
  const std::vector<std::string> lines = SplitListLines(MemTarget->Text());

  // The path is chosen here, before any work: the save dialog belongs to
  // the window's thread.
  auto front = std::make_shared<TMainFormFront>(*this);
  std::optional<ReportPlan> plan;
  try {
    plan = PlanReport(FWording, lines, settings, *front);
  } catch (const std::exception& e) {
    front->ReportFailure(e.what());
  }
  if (!plan) {
    front->SetControlsEnabled(true);
    FOperationRunning = false;
    return;
  }
  auto outcome = std::make_shared<ReportOutcome>();
  StartWorker(
      [this, plan = *plan, lines, settings, front, outcome] {
        TQueuedFront queued(*this, front, FStopRequested);
        try {
          *outcome = WriteReport(plan, FDao, FWording, FAnchors, lines, settings, queued);
        } catch (const std::exception& e) {
          queued.ReportFailure(e.what());
        } catch (...) {
          queued.ReportFailure("想定外のエラーが発生しました。");
        }
      },
      [this, front, outcome] {
        // Whatever happened, the window is usable again (the run has
        // already left the busy state).
        front->SetControlsEnabled(true);
        const QString path =
            outcome->Path ? QString::fromStdString(outcome->Path->string()) : QString();
        const QString name =
            outcome->Path ? QString::fromStdString(outcome->Path->filename().string()) : QString();
        if (!outcome->Complete) {
          ShowRunStatus(QStringLiteral("レポートを書き出せませんでした（想定外エラー欄）"), path);
        } else if (outcome->Written == 0) {
          ShowRunStatus(QStringLiteral("目次だけを書きました: ") + name, path);
        } else if (outcome->Stopped) {
          ShowRunStatus(QStringLiteral("中止しました（%1 個まで）: ").arg(outcome->Written) + name,
                        path);
        } else {
          ShowRunStatus(QStringLiteral("書き出しました: ") + name, path);
        }
        if (outcome->Complete && outcome->Written == 0) {
          // A report of its index only is no result: said, not announced.
          front->ReportFailure("解析できたデータベースがないため、レポート '" +
                               outcome->Path->string() + "' には目次だけが書かれました。");
        } else if (outcome->Complete && outcome->Path && FEnvironment.ReportWritten) {
          FEnvironment.ReportWritten(
              *outcome->Path,
              outcome->Stopped
                  ? QStringLiteral("解析を中止しました（%1 個のデータベースまで書き出しました）")
                        .arg(outcome->Written)
                  : QStringLiteral("レポートを書き出しました"));
        }
      });
}

void TMainForm::BtnVersionClick() { FEnvironment.ShowInfoWindow(this); }

}  // namespace tabulon
