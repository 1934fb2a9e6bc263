#include <gui/ReportNotifier.h>

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDesktopServices>
#include <QVariantMap>

namespace tabulon {

namespace {

const QString Service = QStringLiteral("org.freedesktop.Notifications");
const QString Path = QStringLiteral("/org/freedesktop/Notifications");
const QString Interface = QStringLiteral("org.freedesktop.Notifications");
// The action a click on the notification itself takes.
const QString OpenAction = QStringLiteral("default");

}  // namespace

TReportNotifier::TReportNotifier(QDBusConnection bus, std::function<void(const QUrl&)> open,
                                 QObject* parent)
    : QObject(parent), FBus(std::move(bus)), FOpen(std::move(open)) {
  if (!FOpen) FOpen = [](const QUrl& url) { QDesktopServices::openUrl(url); };
  FBus.connect(Service, Path, Interface, QStringLiteral("ActionInvoked"), this,
               SLOT(ActionInvoked(uint, QString)));
  FBus.connect(Service, Path, Interface, QStringLiteral("NotificationClosed"), this,
               SLOT(NotificationClosed(uint, uint)));
}

TReportNotifier::~TReportNotifier() {
  if (!FBus.isConnected()) return;
  for (const auto& [id, url] : FShown) {
    QDBusMessage call = QDBusMessage::createMethodCall(Service, Path, Interface,
                                                       QStringLiteral("CloseNotification"));
    call << id;
    FBus.send(call);
  }
}

void TReportNotifier::Notify(const std::filesystem::path& report, const QString& summary) {
  if (!FBus.isConnected()) return;
  const QString file = QString::fromStdString(report.string());
  QDBusMessage call =
      QDBusMessage::createMethodCall(Service, Path, Interface, QStringLiteral("Notify"));
  QVariantMap hints;
  hints.insert(QStringLiteral("desktop-entry"), QStringLiteral("tabulon"));
  // Servers may read the body as markup, so the path is escaped for it.
  call << QStringLiteral("tabulon") << 0u << QStringLiteral("tabulon") << summary
       << file.toHtmlEscaped() << QStringList{OpenAction, QStringLiteral("開く")} << hints << -1;
  auto* watcher = new QDBusPendingCallWatcher(FBus.asyncCall(call), this);
  const QUrl url = QUrl::fromLocalFile(file);
  connect(watcher, &QDBusPendingCallWatcher::finished, this,
          [this, url](QDBusPendingCallWatcher* finished) {
            const QDBusPendingReply<uint> reply = *finished;
            if (!reply.isError()) FShown[reply.value()] = url;
            finished->deleteLater();
          });
}

void TReportNotifier::ActionInvoked(uint id, const QString& action) {
  const auto shown = FShown.find(id);
  if (shown == FShown.end() || action != OpenAction) return;
  const QUrl url = shown->second;
  FShown.erase(shown);
  FOpen(url);
}

void TReportNotifier::NotificationClosed(uint id, uint) { FShown.erase(id); }

}  // namespace tabulon
