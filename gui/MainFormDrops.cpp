// Files dropped anywhere on the main window become target lines.

#include <gui/MainForm.h>

#include <filesystem>

#include <QCheckBox>
#include <QDropEvent>
#include <QMimeData>

#include <gui/Memo.h>
#include <targets/DatabaseFiles.h>
#include <targets/TargetLine.h>

namespace tabulon {

void TMainForm::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void TMainForm::dragMoveEvent(QDragMoveEvent* event) {
  if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void TMainForm::dropEvent(QDropEvent* event) {
  // Folders dropped with Shift held are taken stock of instead of listed.
  if (event->mimeData()->hasUrls() && (event->modifiers() & Qt::ShiftModifier) != 0) {
    std::vector<std::string> folders;
    for (const QUrl& url : event->mimeData()->urls()) {
      if (!url.isLocalFile()) continue;
      const std::string path = url.toLocalFile().toStdString();
      std::error_code error;
      if (std::filesystem::is_directory(path, error)) folders.push_back(path);
    }
    if (!folders.empty()) {
      if (InventoryFolders(folders)) {
        event->acceptProposedAction();
      } else {
        event->ignore();
      }
      return;
    }
  }
  if (!event->mimeData()->hasUrls() || !DropFiles(event->mimeData()->urls())) {
    event->ignore();
    return;
  }
  event->acceptProposedAction();
}

bool TMainForm::DropFiles(const QList<QUrl>& urls) {
  std::vector<std::string> paths;
  for (const QUrl& url : urls) {
    if (url.isLocalFile()) paths.push_back(url.toLocalFile().toStdString());
  }
  return AddFiles(paths);
}

bool TMainForm::AddFiles(const std::vector<std::string>& paths) {
  // The check and the run disable the list while they read it.
  if (FOperationRunning || !MemTarget->isEnabled()) return false;
  if (ChkClearListOnDrop->isChecked()) {
    FDroppedFiles.clear();
    MemTarget->clear();
  }
  const auto add = [this](const std::string& path) {
    if (FDroppedFiles.insert(path).second) MemTarget->AppendLine(NewTargetLine(path));
  };
  for (const std::string& path : paths) {
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(path, error);
    // A name of nothing (a start's argument, a hand-over) is listed all the
    // same: the check then says NG for it rather than nothing at all.
    if (error || !std::filesystem::exists(status)) {
      add(path);
      continue;
    }
    if (std::filesystem::is_directory(status)) {
      for (const std::filesystem::path& file : FindDatabaseFiles(path)) add(file.string());
    } else {
      add(path);
    }
  }
  return true;
}

}  // namespace tabulon
