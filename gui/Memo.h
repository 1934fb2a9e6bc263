#pragma once
// A multi-line text box for the main window's lists: both scroll bars, no
// word wrap. A drop of files goes to FileDrop (the window adds them as
// targets); a text box would otherwise insert their addresses as text.

#include <functional>
#include <string>
#include <string_view>

#include <QList>
#include <QPlainTextEdit>
#include <QUrl>

namespace tabulon {

class TMemo : public QPlainTextEdit {
  Q_OBJECT

 public:
  explicit TMemo(QWidget* parent = nullptr);

  // Takes the files of a drop on the box; returns whether it accepted them.
  std::function<bool(const QList<QUrl>&)> FileDrop;

  // The text as the user sees it, lines separated by "\n" (every character
  // kept, non-breaking spaces included).
  std::string Text() const;
  void SetText(std::string_view text);

  // Adds `line` as a new last line, as a list box's "add" does: after an
  // empty text or one that ends in a line break, the line and a break are
  // added; after a last line without a break, a break and the line.
  void AppendLine(std::string_view line);

  // Replaces the whole text as one step the user can undo.
  void ReplaceText(std::string_view text);

 protected:
  bool canInsertFromMimeData(const QMimeData* source) const override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;
};

}  // namespace tabulon
