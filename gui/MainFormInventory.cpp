// An inventory from the window: folders dropped with Shift held are
// walked on the worker, as a run is, into a new folder of the desktop's
// output folder.

#include <gui/MainForm.h>

#include <chrono>
#include <ctime>
#include <exception>
#include <memory>

#include <QProgressBar>

#include <inventory/Scan.h>
#include <platform/DesktopFolder.h>
#include <report/OutputPath.h>

namespace tabulon {

bool TMainForm::InventoryFolders(const std::vector<std::string>& folders) {
  if (folders.empty() || !FEnvironment.NewEngine || !BeginJob()) return false;
  MarkJobStart("一覧作成");
  const std::string desktop =
      FEnvironment.Report.DesktopFolder ? FEnvironment.Report.DesktopFolder() : GetDesktopFolder();
  if (desktop.empty()) {
    AppendFailure(
        "デスクトップのフォルダが分からないため、一覧を書けません。"
        "環境変数 HOME を確かめてください。");
    FOperationRunning = false;
    return false;
  }
  const std::time_t now = std::chrono::system_clock::to_time_t(
      FEnvironment.Report.Now ? FEnvironment.Report.Now() : std::chrono::system_clock::now());
  std::tm local{};
  localtime_r(&now, &local);
  char date[16];
  std::strftime(date, sizeof date, "%y%m%d", &local);
  InventoryRequest request;
  request.Folders = folders;
  request.Output = UniqueReportPath(DesktopReportFolder(desktop, FEnvironment.Executable),
                                    ExecutableStem(FEnvironment.Executable) + "_inventory_" + date);

  SetJobControlsEnabled(false);
  SetBusy(true);
  ProgTotal->setRange(0, 1);
  ProgTotal->setValue(0);
  ProgPart->setRange(0, 1);
  ProgPart->setValue(0);
  auto outcome = std::make_shared<InventoryOutcome>();
  StartWorker(
      [this, request, outcome] {
        // Calls queued to the window are applied on its thread, in order.
        const auto post = [this](std::function<void()> call) {
          QMetaObject::invokeMethod(this, std::move(call), Qt::QueuedConnection);
        };
        InventoryObserver observer;
        observer.StopRequested = [this] { return FStopRequested.load(); };
        observer.Progress = [this, post](std::size_t done, std::size_t total) {
          post([this, done, total] {
            ProgTotal->setRange(0, total > 0 ? static_cast<int>(total) : 1);
            ProgTotal->setValue(static_cast<int>(done));
          });
        };
        observer.Problem = [this, post](const std::string& line) {
          post([this, line] { AppendFailure(line); });
        };
        try {
          *outcome = RunInventory(request, FEnvironment.NewEngine, observer);
        } catch (const std::exception& e) {
          observer.Problem(e.what());
          outcome->WriteFailed = true;
        }
      },
      [this, outcome] {
        SetBusy(false);
        SetJobControlsEnabled(true);
        const QString index = QString::fromStdString(outcome->Index.string());
        const QString counts = QStringLiteral("%1 個（開けなかったもの %2 個）")
                                   .arg(outcome->Read)
                                   .arg(outcome->Read - outcome->Opened);
        if (outcome->Refused || outcome->Index.empty() || outcome->WriteFailed) {
          ShowRunStatus(QStringLiteral("一覧を書き出せませんでした（想定外エラー欄）"), index);
          return;
        }
        const bool stopped = !outcome->Complete;
        const QString status = stopped ? QStringLiteral("一覧の作成を中止しました: %1 / %2 個まで")
                                             .arg(outcome->Read)
                                             .arg(outcome->Found)
                                       : QStringLiteral("一覧を書き出しました: ") + counts;
        ShowRunStatus(status, index);
        if (FEnvironment.ReportWritten) FEnvironment.ReportWritten(outcome->Index, status);
      });
  return true;
}

}  // namespace tabulon
