#include "app/AnchoredArea.h"

#include <QResizeEvent>

namespace tavrix {

AnchoredArea::AnchoredArea(QSize designSize, QWidget* parent)
    : QWidget(parent), designSize_(designSize) {}

void AnchoredArea::place(QWidget* child, QRect designRect, int anchors) {
  children_.append({child, designRect, anchors});
  layoutChild(children_.last());
}

void AnchoredArea::layoutChild(const Placed& p) {
  const int dw = width() - designSize_.width();
  const int dh = height() - designSize_.height();
  QRect r = p.rect;
  if ((p.anchors & Left) && (p.anchors & Right))
    r.setWidth(qMax(0, r.width() + dw));
  else if (p.anchors & Right)
    r.moveLeft(r.left() + dw);
  if ((p.anchors & Top) && (p.anchors & Bottom))
    r.setHeight(qMax(0, r.height() + dh));
  else if (p.anchors & Bottom)
    r.moveTop(r.top() + dh);
  p.widget->setGeometry(r);
}

void AnchoredArea::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  for (const Placed& p : children_) layoutChild(p);
}

}  // namespace tavrix
