#include <gui/DesktopShell.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QScreen>
#include <QUrl>
#include <QWidget>

namespace tabulon {

void ShellOpen(const QString& target) {
  const QUrl asUrl(target);
  // A scheme of one letter would be a Windows drive, not an address.
  const bool isAddress = asUrl.isValid() && asUrl.scheme().size() > 1;
  QDesktopServices::openUrl(isAddress ? asUrl : QUrl::fromLocalFile(target));
}

bool ShowFileProperties(const QString& fileName) {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) return false;
  QDBusMessage call = QDBusMessage::createMethodCall(
      QStringLiteral("org.freedesktop.FileManager1"),
      QStringLiteral("/org/freedesktop/FileManager1"),
      QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItemProperties"));
  call << QStringList{QUrl::fromLocalFile(fileName).toString()} << QString();
  return bus.send(call);
}

void CenterOnWorkArea(QWidget& form) {
  const QScreen* screen =
      form.screen() != nullptr ? form.screen() : QGuiApplication::primaryScreen();
  if (screen == nullptr) return;
  const QRect area = screen->availableGeometry();
  const QSize size = form.frameGeometry().size();
  form.move(area.x() + (area.width() - size.width()) / 2,
            area.y() + (area.height() - size.height()) / 2);
}

void FitToScreen(QWidget& form) {
  const QScreen* screen = QGuiApplication::screenAt(form.geometry().center());
  if (screen == nullptr) screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) return;
  // The frame's own size counts too: its decorations stay on the screen.
  const QSize frame = form.frameGeometry().size() - form.size();
  const QSize room = screen->availableGeometry().size() - frame;
  const QSize fitted = form.size().boundedTo(room);
  if (fitted != form.size()) form.resize(fitted);
}

void KeepOnSomeScreen(QWidget& form, QPoint fallback) {
  const QRect frame(form.pos(), form.frameGeometry().size());
  for (const QScreen* screen : QGuiApplication::screens()) {
    if (screen->geometry().intersects(frame)) return;
  }
  form.move(fallback);
}

}  // namespace tabulon
