#include <gui/AppMessage.h>

#include <string>

#include <QApplication>
#include <QWidget>

#include <platform/VersionInfo.h>

namespace tabulon {

void SetVersionCaption(QWidget& form) {
  std::string version;
  ReadVersionString("FileVersion", ExecutablePath(), version);
  form.setWindowTitle(
      QString::fromStdString(VersionCaption(QCoreApplication::applicationName().toStdString(),
                                            version, form.objectName().toStdString())));
}

QMessageBox::StandardButton AppMessageBox(const QString& text, QMessageBox::Icon icon,
                                          QMessageBox::StandardButtons buttons) {
  // The program's window to bring forward: the active one, else any shown.
  QWidget* front = QApplication::activeWindow();
  for (QWidget* window : QApplication::topLevelWidgets()) {
    if (front != nullptr) break;
    if (window->isVisible()) front = window;
  }
  if (front != nullptr) {
    front->raise();
    front->activateWindow();
  }
  QMessageBox box(icon, QCoreApplication::applicationName(), text, buttons, front);
  box.setWindowFlag(Qt::WindowStaysOnTopHint);
  return static_cast<QMessageBox::StandardButton>(box.exec());
}

void ShowErrorBox(const QString& text) {
  QMessageBox box(QMessageBox::Critical, QCoreApplication::applicationName(), text, QMessageBox::Ok,
                  QApplication::activeWindow());
  box.exec();
}

}  // namespace tabulon
