#include <gui/QueuedFront.h>

#include <utility>

namespace tabulon {

TQueuedFront::TQueuedFront(QObject& context, std::shared_ptr<ReportFront> target,
                           const std::atomic<bool>& stop)
    : FContext(context), FTarget(std::move(target)), FStop(stop) {}

void TQueuedFront::Post(std::function<void(ReportFront&)> call) {
  // The target is shared with the queued call, so it lives until applied.
  QMetaObject::invokeMethod(
      &FContext, [target = FTarget, call = std::move(call)] { call(*target); },
      Qt::QueuedConnection);
}

void TQueuedFront::SetControlsEnabled(bool enabled) {
  Post([enabled](ReportFront& front) { front.SetControlsEnabled(enabled); });
}

std::optional<std::filesystem::path> TQueuedFront::AskSavePath(const std::string&) {
  return std::nullopt;
}

void TQueuedFront::SetBusy(bool busy) {
  Post([busy](ReportFront& front) { front.SetBusy(busy); });
}

void TQueuedFront::SetProgressMaximum(ProgressBar bar, int maximum) {
  Post([bar, maximum](ReportFront& front) { front.SetProgressMaximum(bar, maximum); });
}

void TQueuedFront::SetProgressPosition(ProgressBar bar, int position) {
  Post([bar, position](ReportFront& front) { front.SetProgressPosition(bar, position); });
}

void TQueuedFront::ReportFailure(const std::string& text) {
  Post([text](ReportFront& front) { front.ReportFailure(text); });
}

void TQueuedFront::TargetNotOpened(const OpenFailure& failure) {
  Post([failure](ReportFront& front) { front.TargetNotOpened(failure); });
}

bool TQueuedFront::StopRequested() { return FStop.load(); }

}  // namespace tabulon
