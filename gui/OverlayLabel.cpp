#include <gui/OverlayLabel.h>

#include <cmath>

#include <QPainter>

namespace tabulon {

void TOverlayLabel::MoveTextTo(qreal x, int y) {
  const qreal whole = std::floor(x);
  FOffset = x - whole;
  move(static_cast<int>(whole), y);
  resize(sizeHint().width() + 1, sizeHint().height());
  update();
}

void TOverlayLabel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setFont(font());
  painter.setPen(
      palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, foregroundRole()));
  painter.drawText(QRectF(FOffset, 0, width() - FOffset, height()), Qt::AlignLeft | Qt::AlignTop,
                   text());
}

}  // namespace tabulon
