#include <gui/SingleInstance.h>

#include <unistd.h>

#include <QLocalSocket>

namespace tabulon {

namespace {

// How long a start waits for the running window before it opens its own.
constexpr int WaitMs = 2000;
// Files are sent one a line, percent-encoded (a name may hold a line
// break), the list ended by an empty line.
constexpr char End[] = "\n";

}  // namespace

QString SingleInstanceName() {
  return QStringLiteral("tabulon-%1").arg(static_cast<qulonglong>(::getuid()));
}

bool HandOverToRunningWindow(const QString& name, const std::vector<std::string>& files) {
  QLocalSocket socket;
  socket.connectToServer(name);
  if (!socket.waitForConnected(WaitMs)) return false;
  QByteArray message;
  for (const std::string& file : files) {
    message += QByteArray::fromStdString(file).toPercentEncoding("/") + '\n';
  }
  message += End;
  socket.write(message);
  if (!socket.waitForBytesWritten(WaitMs)) return false;
  // The window answers once it has the files, so that this start does not
  // end before they arrived.
  return socket.waitForReadyRead(WaitMs) && socket.readAll().startsWith("ok");
}

TSingleInstanceServer::TSingleInstanceServer(
    const QString& name, std::function<void(const std::vector<std::string>&)> received)
    : FReceived(std::move(received)) {
  FServer.setSocketOptions(QLocalServer::UserAccessOption);
  if (!FServer.listen(name)) {
    // A socket left by a start that did not end cleanly: nobody answered
    // on it (HandOverToRunningWindow failed), so it is taken over.
    QLocalServer::removeServer(name);
    FServer.listen(name);
  }
  connect(&FServer, &QLocalServer::newConnection, this, &TSingleInstanceServer::Accept);
}

void TSingleInstanceServer::Accept() {
  while (QLocalSocket* socket = FServer.nextPendingConnection()) {
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    auto buffer = std::make_shared<QByteArray>();
    connect(socket, &QLocalSocket::readyRead, this, [this, socket, buffer] {
      *buffer += socket->readAll();
      // Bounded: a hand-over is a list of paths, not a stream.
      if (buffer->size() > (1 << 20)) {
        socket->abort();
        return;
      }
      if (!buffer->endsWith("\n\n") && *buffer != "\n") return;
      std::vector<std::string> files;
      for (const QByteArray& line : buffer->split('\n')) {
        if (!line.isEmpty()) files.push_back(QByteArray::fromPercentEncoding(line).toStdString());
      }
      socket->write("ok");
      socket->flush();
      FReceived(files);
    });
  }
}

}  // namespace tabulon
