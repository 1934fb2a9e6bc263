#pragma once
// Tells the desktop that a report has been written: a notification through
// the freedesktop notification service (org.freedesktop.Notifications on
// the session bus) that names the report and offers to open it with the
// desktop's handler for HTML. Where no notification service answers,
// nothing happens; nothing waits for the service either.

#include <filesystem>
#include <functional>
#include <map>

#include <QDBusConnection>
#include <QObject>
#include <QUrl>

namespace tabulon {

class TReportNotifier : public QObject {
  Q_OBJECT

 public:
  // `bus` is where the service is asked (the session bus; tests give a
  // private one). `open` opens the report when the user takes the
  // notification's action (QDesktopServices::openUrl when empty).
  explicit TReportNotifier(QDBusConnection bus, std::function<void(const QUrl&)> open = {},
                           QObject* parent = nullptr);

  // Sends the notification for `report`.
  void Notify(const std::filesystem::path& report);

 private slots:
  void ActionInvoked(uint id, const QString& action);
  void NotificationClosed(uint id, uint reason);

 private:
  QDBusConnection FBus;
  std::function<void(const QUrl&)> FOpen;
  // The reports of the notifications still shown, by the service's id.
  std::map<uint, QUrl> FShown;
};

}  // namespace tabulon
