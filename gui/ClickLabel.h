#pragma once
// A label that acts on a click, optionally drawn as a link (underlined, a
// hand cursor). It takes no keyboard focus.

#include <QLabel>

namespace tabulon {

class TClickLabel : public QLabel {
  Q_OBJECT

 public:
  explicit TClickLabel(QWidget* parent = nullptr);

  // Underlines the text and shows the hand cursor.
  void MakeLink();

 signals:
  void Clicked();

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;
};

}  // namespace tabulon
