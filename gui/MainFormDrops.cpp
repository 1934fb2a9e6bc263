// Files dropped anywhere on the main window become target lines.

#include <gui/MainForm.h>

#include <filesystem>

#include <QCheckBox>
#include <QDropEvent>
#include <QMimeData>

#include <gui/Memo.h>
#include <targets/TargetLine.h>

namespace tabulon {

void TMainForm::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void TMainForm::dragMoveEvent(QDragMoveEvent* event) {
  if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void TMainForm::dropEvent(QDropEvent* event) {
  if (!event->mimeData()->hasUrls() || !DropFiles(event->mimeData()->urls())) {
    event->ignore();
    return;
  }
  event->acceptProposedAction();
}

bool TMainForm::DropFiles(const QList<QUrl>& urls) {
  // The check and the run disable the list while they read it.
  if (!MemTarget->isEnabled()) return false;
  if (ChkClearListOnDrop->isChecked()) {
    FDroppedFiles.clear();
    MemTarget->clear();
  }
  for (const QUrl& url : urls) {
    if (!url.isLocalFile()) continue;
    const std::string path = url.toLocalFile().toStdString();
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(path, error);
    if (error || !std::filesystem::exists(status) || std::filesystem::is_directory(status))
      continue;
    if (!FDroppedFiles.insert(path).second) continue;
    MemTarget->AppendLine(NewTargetLine(path));
  }
  return true;
}

}  // namespace tabulon
