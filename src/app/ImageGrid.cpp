#include "app/ImageGrid.h"

#include <QAbstractButton>
#include <QEvent>
#include <QFocusEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QStyleOptionHeader>

#include <utility>

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
  // Tab and Shift+Tab leave the grid for the next and previous control; the arrow keys,
  // Home/End, Page Up/Down and Enter move within it.
  setTabKeyNavigation(false);

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
    connect(model, &QAbstractItemModel::modelReset, this, [this, rows] {
      rows->setFixedWidth(kEeHeadingWidth);
      // The data columns start after the wider heading at once, not at the next resize.
      updateGeometries();
    });

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

void ImageGrid::stepCell(bool forward) {
  const QModelIndex current = currentIndex();
  if (!current.isValid()) return;
  const int columns = model()->columnCount();
  const int at = current.row() * columns + current.column() + (forward ? 1 : -1);
  if (at < 0 || at >= model()->rowCount() * columns) return;
  setCurrentIndex(model()->index(at / columns, at % columns));
}

void ImageGrid::keyPressEvent(QKeyEvent* event) {
  const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
  const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
  if (enter && (mods == Qt::NoModifier || mods == Qt::ShiftModifier)) {
    // In an edit the key comes on from the editor, whose delegate commits and closes it
    // afterwards: the step waits for that.
    if (state() == EditingState)
      stepAfterEdit_ = true;
    else
      stepCell(mods == Qt::NoModifier);
    event->accept();
    return;
  }
  const bool tab = event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab;
  if (tab && (mods & Qt::ControlModifier)) {
    focusNextPrevChild(event->key() == Qt::Key_Tab && !(mods & Qt::ShiftModifier));
    event->accept();
    return;
  }
  QTableView::keyPressEvent(event);
}

void ImageGrid::focusInEvent(QFocusEvent* event) {
  QTableView::focusInEvent(event);
  const bool byTab =
      event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason;
  if (!byTab || model()->rowCount() == 0 || state() == EditingState) return;
  const QModelIndex current = currentIndex().isValid() ? currentIndex() : model()->index(0, 0);
  if (!selectionModel()->isSelected(current))
    selectionModel()->setCurrentIndex(current, QItemSelectionModel::ClearAndSelect);
}

void ImageGrid::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) {
  const bool step = std::exchange(stepAfterEdit_, false);
  switch (hint) {
    case QAbstractItemDelegate::EditNextItem:
    case QAbstractItemDelegate::EditPreviousItem:
      QTableView::closeEditor(editor, QAbstractItemDelegate::NoHint);
      focusNextPrevChild(hint == QAbstractItemDelegate::EditNextItem);
      return;
    default:
      QTableView::closeEditor(editor, hint);
      if (step) stepCell(true);
  }
}

}  // namespace tavrix
