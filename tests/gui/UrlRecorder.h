#pragma once
// Records the addresses the program hands to the desktop instead of
// opening them, for as long as it lives.

#include <vector>

#include <QDesktopServices>
#include <QObject>
#include <QUrl>

namespace tabulon::test {

class UrlRecorder : public QObject {
  Q_OBJECT

 public:
  UrlRecorder() {
    for (const char* scheme : {"http", "https", "mailto", "file"}) {
      QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), this, "Open");
    }
  }
  ~UrlRecorder() override {
    for (const char* scheme : {"http", "https", "mailto", "file"}) {
      QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
    }
  }

  std::vector<QUrl> Opened;

 public slots:
  void Open(const QUrl& url) { Opened.push_back(url); }
};

}  // namespace tabulon::test
