#include <gui/Memo.h>

#include <QDropEvent>
#include <QMimeData>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace tabulon {

namespace {
bool CarriesFiles(const QMimeData* data) { return data != nullptr && data->hasUrls(); }
}  // namespace

TMemo::TMemo(QWidget* parent) : QPlainTextEdit(parent) {
  setLineWrapMode(QPlainTextEdit::NoWrap);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  // A list line never holds a tab: the key moves on to the next control.
  setTabChangesFocus(true);
}

std::string TMemo::Text() const {
  QString text = document()->toRawText();
  for (QChar& c : text) {
    if (c == QChar::ParagraphSeparator || c == QChar::LineSeparator) c = QLatin1Char('\n');
  }
  return text.toStdString();
}

void TMemo::SetText(std::string_view text) {
  setPlainText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

void TMemo::AppendLine(std::string_view line) {
  // Only the last line decides whether a break is needed, so a drop of many
  // files does not convert the whole text once per file.
  const QString last = document()->lastBlock().text();
  const bool atLineStart = last.isEmpty() || last.endsWith(QChar::LineSeparator);
  const QString added = QString::fromUtf8(line.data(), static_cast<qsizetype>(line.size()));
  QTextCursor cursor(document());
  cursor.movePosition(QTextCursor::End);
  if (atLineStart) {
    cursor.insertText(added + QLatin1Char('\n'));
  } else {
    cursor.insertText(QLatin1Char('\n') + added);
  }
}

void TMemo::ReplaceText(std::string_view text) {
  const int scrolled = verticalScrollBar()->value();
  QTextCursor cursor(document());
  cursor.select(QTextCursor::Document);
  cursor.insertText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
  verticalScrollBar()->setValue(scrolled);
}

bool TMemo::canInsertFromMimeData(const QMimeData* source) const {
  return !CarriesFiles(source) && QPlainTextEdit::canInsertFromMimeData(source);
}

// A file drag is the window's: the box accepts it and hands the drop to
// FileDrop.
void TMemo::dragEnterEvent(QDragEnterEvent* event) {
  if (CarriesFiles(event->mimeData())) {
    event->acceptProposedAction();
    return;
  }
  QPlainTextEdit::dragEnterEvent(event);
}

void TMemo::dragMoveEvent(QDragMoveEvent* event) {
  if (CarriesFiles(event->mimeData())) {
    event->acceptProposedAction();
    return;
  }
  QPlainTextEdit::dragMoveEvent(event);
}

void TMemo::dropEvent(QDropEvent* event) {
  if (CarriesFiles(event->mimeData())) {
    if (FileDrop && FileDrop(event->mimeData()->urls())) {
      event->acceptProposedAction();
    } else {
      event->ignore();
    }
    return;
  }
  QPlainTextEdit::dropEvent(event);
}

}  // namespace tabulon
