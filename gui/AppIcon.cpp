#include <gui/AppIcon.h>

#include <QPainter>
#include <QPainterPath>

namespace tabulon {

QPixmap AppIconPixmap(int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  // Drawn on a 64-unit grid, as the SVG is.
  painter.scale(size / 64.0, size / 64.0);

  const QColor tile(0x1f, 0x4e, 0x79);
  QPainterPath background;
  background.addRoundedRect(QRectF(2, 2, 60, 60), 10, 10);
  painter.fillPath(background, tile);

  const QRectF sheet(12, 14, 40, 36);
  painter.fillRect(sheet, Qt::white);
  painter.fillRect(QRectF(12, 14, 40, 10), QColor(0xf2, 0xb0, 0x1e));

  painter.setPen(QPen(tile, 1.5));
  for (const double y : {24.0, 32.67, 41.33}) painter.drawLine(QPointF(12, y), QPointF(52, y));
  for (const double x : {25.33, 38.67}) painter.drawLine(QPointF(x, 14), QPointF(x, 50));
  painter.setPen(QPen(tile, 2));
  painter.drawRect(sheet);
  return pixmap;
}

QIcon AppIcon() {
  QIcon icon;
  for (const int size : {16, 24, 32, 48, 64, 128, 256}) icon.addPixmap(AppIconPixmap(size));
  return icon;
}

}  // namespace tabulon
