#pragma once

#include <QList>
#include <QRect>
#include <QWidget>

namespace tavrix {

// A client area whose children keep their designed distances to the anchored edges when the
// window is resized: a child anchored left and right grows with the width, one anchored only
// to the right moves with the right edge, and likewise for top and bottom.
class AnchoredArea : public QWidget {
 public:
  enum Anchor { Left = 1, Top = 2, Right = 4, Bottom = 8 };

  AnchoredArea(QSize designSize, QWidget* parent = nullptr);
  void place(QWidget* child, QRect designRect, int anchors);

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  struct Placed {
    QWidget* widget;
    QRect rect;
    int anchors;
  };
  void layoutChild(const Placed& p);

  QSize designSize_;
  QList<Placed> children_;
};

}  // namespace tavrix
