#pragma once
// A report run's front for the thread that writes: every call is relayed to
// a front that lives on the window's thread and applied there, in order,
// while the window's event loop goes on (it repaints, the bars move).

#include <atomic>
#include <functional>
#include <memory>

#include <QObject>

#include <report/ReportRun.h>

namespace tabulon {

class TQueuedFront : public ReportFront {
 public:
  // `context` is the window: calls queued to it are dropped if it goes
  // first. `stop` is read by StopRequested and must outlive this front.
  TQueuedFront(QObject& context, std::shared_ptr<ReportFront> target,
               const std::atomic<bool>& stop);

  void SetControlsEnabled(bool enabled) override;
  // Never asked on the writing thread: the path is chosen before it starts.
  std::optional<std::filesystem::path> AskSavePath(const std::string& defaultFileName) override;
  void SetBusy(bool busy) override;
  void SetProgressMaximum(ProgressBar bar, int maximum) override;
  void SetProgressPosition(ProgressBar bar, int position) override;
  void ReportFailure(const std::string& text) override;
  void TargetNotOpened(const OpenFailure& failure) override;
  bool StopRequested() override;

 private:
  void Post(std::function<void(ReportFront&)> call);

  QObject& FContext;
  std::shared_ptr<ReportFront> FTarget;
  const std::atomic<bool>& FStop;
};

}  // namespace tabulon
