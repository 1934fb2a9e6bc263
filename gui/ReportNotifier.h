#pragma once
// Tells the desktop that a report has been written: a notification through
// the freedesktop notification service (org.freedesktop.Notifications on
// the session bus) that names the report and offers to open it with the
// desktop's handler for HTML. Where no notification service answers,
// nothing happens; nothing waits for the service either. The notifications
// still shown are withdrawn when the notifier goes (the program ends), as
// their action would then open nothing.

#include <filesystem>
#include <functional>
#include <map>

#include <QDBusConnection>
#include <QObject>
#include <QString>
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

  ~TReportNotifier() override;
  TReportNotifier(const TReportNotifier&) = delete;
  TReportNotifier& operator=(const TReportNotifier&) = delete;

  // Sends the notification for `report`, headed `summary`.
  void Notify(const std::filesystem::path& report,
              const QString& summary = QStringLiteral("レポートを書き出しました"));

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
