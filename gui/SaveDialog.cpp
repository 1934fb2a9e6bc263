#include <gui/SaveDialog.h>

#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

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

std::optional<QString> TSaveDialog::Execute(const QString& fileName, QWidget* owner) {
  // Qt's own dialog: the desktop's native one records recent documents.
  QFileDialog dialog(owner, Title);
  dialog.setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::HideNameFilterDetails);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setDefaultSuffix(DefaultExt);
  dialog.setNameFilters(NameFiltersOf(Filter));
  const QString folder = InitialDir.isEmpty() ? FirstDir : InitialDir;
  if (!folder.isEmpty()) dialog.setDirectory(folder);
  dialog.selectFile(fileName);
  for (;;) {
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    const QString chosen = dialog.selectedFiles().constFirst();
    if (QFileInfo::exists(chosen)) return chosen;
    const auto answer = QMessageBox::question(
        &dialog, dialog.windowTitle(),
        chosen + QStringLiteral("\nこのファイルは存在しません。\nファイルを作成しますか?"));
    if (answer == QMessageBox::Yes) return chosen;
  }
}

}  // namespace tabulon
