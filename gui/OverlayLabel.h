#pragma once
// A label whose text starts a fraction of a pixel into it, so that it can
// cover text of another label exactly where that text's glyphs fall between
// whole pixels (a font whose characters are 6.5 pixels wide, for example).

#include <QLabel>

namespace tabulon {

class TOverlayLabel : public QLabel {
  Q_OBJECT

 public:
  using QLabel::QLabel;

  // Places the text's left edge at `x` in the parent's coordinates: the
  // label moves to the whole pixel and draws its text the rest further.
  void MoveTextTo(qreal x, int y);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  qreal FOffset = 0;
};

}  // namespace tabulon
