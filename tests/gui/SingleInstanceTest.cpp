// A second start hands its files to the running window over a real local
// socket.

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include <QCoreApplication>
#include <QElapsedTimer>

#include <gui/SingleInstance.h>

namespace tabulon {
namespace {

// Runs a second start's hand-over on a thread of its own while this
// thread's event loop serves the first.
bool HandOverWhileServing(const QString& name, const std::vector<std::string>& files) {
  std::atomic<bool> done{false};
  bool taken = false;
  std::thread second([&] {
    taken = HandOverToRunningWindow(name, files);
    done = true;
  });
  QElapsedTimer timer;
  timer.start();
  while (!done && timer.elapsed() < 10000)
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  second.join();
  return taken;
}

TEST(SingleInstance, ASecondStartHandsItsFilesToTheFirstAndOnlyThen) {
  const QString name = QStringLiteral("tabulon-test-%1").arg(QCoreApplication::applicationPid());
  // Nobody listens yet: this start is the first.
  EXPECT_FALSE(HandOverToRunningWindow(name, {"/a.mdb"}));

  std::vector<std::vector<std::string>> received;
  TSingleInstanceServer server(
      name, [&](const std::vector<std::string>& files) { received.push_back(files); });
  ASSERT_TRUE(server.Listening());
  const std::vector<std::string> files = {"/data/販売 2026.mdb", "/odd/line\nbreak%.accdb"};
  EXPECT_TRUE(HandOverWhileServing(name, files));
  EXPECT_TRUE(HandOverWhileServing(name, {}));  // a plain second start: raise only
  ASSERT_EQ(received.size(), 2U);
  EXPECT_EQ(received[0], files);
  EXPECT_TRUE(received[1].empty());
}

TEST(SingleInstance, AStaleSocketIsTakenOver) {
  const QString name = QStringLiteral("tabulon-stale-%1").arg(QCoreApplication::applicationPid());
  {
    QLocalServer crashed;
    ASSERT_TRUE(crashed.listen(name));
    crashed.close();  // leaves no listener; a real crash would leave the file
  }
  TSingleInstanceServer server(name, [](const std::vector<std::string>&) {});
  EXPECT_TRUE(server.Listening());
}

}  // namespace
}  // namespace tabulon
