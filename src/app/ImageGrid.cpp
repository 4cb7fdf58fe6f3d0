#include "app/ImageGrid.h"

#include <QAbstractButton>
#include <QEvent>
#include <QHeaderView>
#include <QPainter>
#include <QStyleOptionHeader>

namespace tavrix {

ImageGrid::ImageGrid(GridTableModel* model, QWidget* parent) : QTableView(parent), model_(model) {
  setObjectName(model->area() == GridTableModel::Program ? QStringLiteral("HexEditG")
                                                         : QStringLiteral("DatosEditG"));
  QFont courier(QStringLiteral("Courier"));
  courier.setStyleHint(QFont::TypeWriter);
  courier.setPixelSize(kFontPixels);
  setFont(courier);

  setModel(model);
  setSelectionMode(QAbstractItemView::ContiguousSelection);
  setSelectionBehavior(QAbstractItemView::SelectItems);
  setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                  QAbstractItemView::AnyKeyPressed);
  setWordWrap(false);
  setTabKeyNavigation(true);

  const bool prog = model->area() == GridTableModel::Program;
  const int columnWidth = prog ? kProgColumnWidth : kEeColumnWidth;

  // Fixed sizes keep resets of large grids cheap: no section is measured against its contents.
  QHeaderView* columns = horizontalHeader();
  columns->setMinimumSectionSize(1);
  columns->setDefaultSectionSize(columnWidth);
  columns->setSectionResizeMode(QHeaderView::Fixed);
  columns->setDefaultAlignment(Qt::AlignCenter);
  columns->setHighlightSections(false);
  columns->setFixedHeight(kRowHeight);

  QHeaderView* rows = verticalHeader();
  rows->setMinimumSectionSize(1);
  rows->setDefaultSectionSize(kRowHeight);
  rows->setSectionResizeMode(QHeaderView::Fixed);
  rows->setDefaultAlignment(Qt::AlignCenter);
  rows->setHighlightSections(false);
  // Every column starts at the grid's default width, the heading column included; each EEPROM
  // reset (a reset of its model) sets the EEPROM grid's heading column to 36 px.
  rows->setFixedWidth(columnWidth);
  if (!prog)
    connect(model, &QAbstractItemModel::modelReset, this,
            [rows] { rows->setFixedWidth(kEeHeadingWidth); });

  corner_ = findChild<QAbstractButton*>(QString(), Qt::FindDirectChildrenOnly);
  if (corner_) {
    corner_->setText(model->cornerText());
    corner_->installEventFilter(this);
  }

  connect(model, &GridTableModel::cellEdited, this, &ImageGrid::cellEdited);
}

bool ImageGrid::eventFilter(QObject* watched, QEvent* event) {
  // QTableView's corner button paints an empty header section; paint it with its text.
  if (watched == corner_ && event->type() == QEvent::Paint) {
    QPainter painter(corner_);
    QStyleOptionHeader option;
    option.initFrom(corner_);
    option.state |= QStyle::State_Raised;
    option.rect = corner_->rect();
    option.position = QStyleOptionHeader::OnlyOneSection;
    option.text = corner_->text();
    option.textAlignment = Qt::AlignCenter;
    corner_->style()->drawControl(QStyle::CE_Header, &option, &painter, corner_);
    return true;
  }
  return QTableView::eventFilter(watched, event);
}

}  // namespace tavrix
