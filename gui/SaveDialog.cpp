#include <gui/SaveDialog.h>

#include <QFileDialog>
#include <QHeaderView>
#include <QTreeView>

namespace tabulon {

TSaveDialog::TSaveDialog(QObject* parent) : QObject(parent) {}

QStringList NameFiltersOf(const QString& filter) {
  const QStringList parts = filter.split(QLatin1Char('|'));
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
    filters << parts[i] + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
  }
  return filters;
}

QString TSaveDialog::OpeningFolder() const { return InitialDir.isEmpty() ? FirstDir : InitialDir; }

std::optional<QString> TSaveDialog::Execute(const QString& fileName, QWidget* owner) {
  // Qt's own dialog: the desktop's native one records recent documents.
  QFileDialog dialog(owner, Title);
  dialog.setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::HideNameFilterDetails);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setViewMode(QFileDialog::Detail);
  dialog.setDefaultSuffix(DefaultExt);
  dialog.setNameFilters(NameFiltersOf(Filter));
  if (const QString folder = OpeningFolder(); !folder.isEmpty()) dialog.setDirectory(folder);
  dialog.selectFile(fileName);
  // The names' column as wide as the longest name shown, the others as
  // their contents, instead of Qt's fixed widths that cut them.
  if (auto* view = dialog.findChild<QTreeView*>(QStringLiteral("treeView"))) {
    view->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
  }
  // Saving to a new file is what the dialog is for: no question before
  // creating one (Qt asks before overwriting an existing one).
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().constFirst();
}

}  // namespace tabulon
