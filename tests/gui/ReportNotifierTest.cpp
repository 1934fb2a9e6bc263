// The desktop notification of a written report, sent to a notification
// service of our own on a private session bus.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QElapsedTimer>
#include <QProcess>
#include <QTest>

#include <gui/QtTranslations.h>
#include <gui/ReportNotifier.h>

#include <tests/support/TestSupport.h>

namespace tabulon::test {
namespace {

// A bus daemon of the test's own, stopped with it.
class PrivateBus {
 public:
  PrivateBus() {
    FDaemon.start(QStringLiteral("dbus-daemon"),
                  {QStringLiteral("--session"), QStringLiteral("--nofork"),
                   QStringLiteral("--nopidfile"), QStringLiteral("--print-address=1")});
    if (!FDaemon.waitForStarted(10000)) return;
    if (QTest::qWaitFor([this] { return FDaemon.canReadLine(); }, 10000)) {
      Address = QString::fromUtf8(FDaemon.readLine()).trimmed();
    }
  }
  ~PrivateBus() {
    FDaemon.kill();
    FDaemon.waitForFinished(10000);
  }
  QString Address;

 private:
  QProcess FDaemon;
};

// What a desktop's notification service does, as far as the notifier asks.
class FakeNotifications : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

 public:
  QStringList Summaries;
  QStringList Bodies;
  QStringList Actions;
  QList<uint> Closed;

 public slots:
  void CloseNotification(uint id) { Closed << id; }
  uint Notify(const QString&, uint, const QString&, const QString& summary, const QString& body,
              const QStringList& actions, const QVariantMap&, int) {
    Summaries << summary;
    Bodies << body;
    Actions = actions;
    return 41u + static_cast<uint>(Bodies.size());
  }
};

TEST(ReportNotifier, NamesTheReportAndOpensItWhenAsked) {
  PrivateBus bus;
  if (bus.Address.isEmpty()) GTEST_SKIP() << "dbus-daemon could not be started";
  QDBusConnection server = QDBusConnection::connectToBus(bus.Address, QStringLiteral("service"));
  ASSERT_TRUE(server.isConnected());
  FakeNotifications service;
  ASSERT_TRUE(server.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &service,
                                    QDBusConnection::ExportAllSlots));
  ASSERT_TRUE(server.registerService(QStringLiteral("org.freedesktop.Notifications")));

  std::vector<QUrl> opened;
  {
    TReportNotifier notifier(QDBusConnection::connectToBus(bus.Address, QStringLiteral("client")),
                             [&](const QUrl& url) { opened.push_back(url); });
    notifier.Notify("/home/u/デスクトップ/tabulon_out/a<b>&c.html");
    ASSERT_TRUE(QTest::qWaitFor([&] { return service.Bodies.size() == 1; }, 10000));
    EXPECT_EQ(service.Summaries[0].toStdString(), "レポートを書き出しました");
    EXPECT_EQ(service.Bodies[0].toStdString(),
              "/home/u/デスクトップ/tabulon_out/a&lt;b&gt;&amp;c.html");
    EXPECT_EQ(service.Actions, (QStringList{QStringLiteral("default"), QStringLiteral("開く")}));

    // Another notification's action, then this one's.
    for (const uint id : {7u, 42u}) {
      QDBusMessage signal = QDBusMessage::createSignal(
          QStringLiteral("/org/freedesktop/Notifications"),
          QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("ActionInvoked"));
      signal << id << QStringLiteral("default");
      server.send(signal);
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return !opened.empty(); }, 10000));
    EXPECT_EQ(opened, std::vector<QUrl>{QUrl::fromLocalFile(
                          QStringLiteral("/home/u/デスクトップ/tabulon_out/a<b>&c.html"))});
    // A stopped run's notification says so; left shown, it is withdrawn
    // when the notifier goes, as its action would then do nothing.
    notifier.Notify("/tmp/r.html", QStringLiteral("解析を中止しました"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return service.Bodies.size() == 2; }, 10000));
    EXPECT_EQ(service.Summaries[1].toStdString(), "解析を中止しました");
    QTest::qWait(100);  // the notifier takes the service's id
  }
  ASSERT_TRUE(QTest::qWaitFor([&] { return !service.Closed.empty(); }, 10000));
  EXPECT_EQ(service.Closed, QList<uint>{43u});
  QDBusConnection::disconnectFromBus(QStringLiteral("client"));
  QDBusConnection::disconnectFromBus(QStringLiteral("service"));
}

TEST(ReportNotifier, NeitherWaitsNorFailsWithoutAService) {
  PrivateBus bus;
  if (bus.Address.isEmpty()) GTEST_SKIP() << "dbus-daemon could not be started";
  std::vector<QUrl> opened;
  const auto open = [&](const QUrl& url) { opened.push_back(url); };
  {
    TReportNotifier notifier(QDBusConnection::connectToBus(bus.Address, QStringLiteral("alone")),
                             open);
    QElapsedTimer timer;
    timer.start();
    notifier.Notify("/tmp/r.html");
    // D-Bus's own timeout is 25 s: a call that waited for the missing
    // service would take that long, not a few milliseconds.
    EXPECT_LT(timer.elapsed(), 5000) << "Notify waited for an answer";
    // The bus answers that nobody owns the name; that answer is taken
    // quietly, and nothing is opened.
    QTest::qWait(300);
  }
  QDBusConnection::disconnectFromBus(QStringLiteral("alone"));
  TReportNotifier nowhere(QDBusConnection(QStringLiteral("not connected")), open);
  QElapsedTimer timer;
  timer.start();
  nowhere.Notify("/tmp/r.html");
  EXPECT_LT(timer.elapsed(), 5000);
  QTest::qWait(50);
  EXPECT_TRUE(opened.empty());
}

TEST(QtTranslations, QtsOwnDialogsSpeakJapanese) {
  ASSERT_TRUE(InstallQtTranslations()) << "Qt's translations (qt6-translations-l10n) are missing";
  EXPECT_NE(QCoreApplication::translate("QFileDialog", "Look in:"), QStringLiteral("Look in:"));
  EXPECT_NE(QCoreApplication::translate("QPlatformTheme", "Save"), QStringLiteral("Save"));
}

}  // namespace
}  // namespace tabulon::test

#include "ReportNotifierTest.moc"
