#pragma once
// One window per user: a second start hands its files to the running
// window over a local socket (in the user's runtime folder) and exits; the
// running window adds them as a drop would and comes to the front.

#include <functional>
#include <string>
#include <vector>

#include <QLocalServer>
#include <QObject>
#include <QString>

namespace tabulon {

// The socket's name for this user ("tabulon-<uid>").
QString SingleInstanceName();

// Hands `files` to the window listening at `name`; true when it took
// them, false when none listens (this start is then the first).
bool HandOverToRunningWindow(const QString& name, const std::vector<std::string>& files);

// Listens at `name` (a stale socket of a crashed start is replaced) and
// calls `received` on the window's thread with each hand-over's files.
class TSingleInstanceServer : public QObject {
 public:
  TSingleInstanceServer(const QString& name,
                        std::function<void(const std::vector<std::string>&)> received);
  bool Listening() const { return FServer.isListening(); }

 private:
  void Accept();
  QLocalServer FServer;
  std::function<void(const std::vector<std::string>&)> FReceived;
};

}  // namespace tabulon
