#include <gui/ClickLabel.h>

#include <QMouseEvent>

namespace tabulon {

TClickLabel::TClickLabel(QWidget* parent) : QLabel(parent) {
  setFocusPolicy(Qt::NoFocus);
  setCursor(Qt::PointingHandCursor);
}

void TClickLabel::MakeLink() {
  QFont linkFont = font();
  linkFont.setUnderline(true);
  setFont(linkFont);
}

void TClickLabel::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
    emit Clicked();
  }
  QLabel::mouseReleaseEvent(event);
}

}  // namespace tabulon
