#include "image/GridTableModel.h"

#include "image/HexText.h"

namespace tavrix {

namespace {
constexpr int kColumns = 16;
}

GridTableModel::GridTableModel(MemoryImage& image, Area area, QObject* parent)
    : QAbstractTableModel(parent), image_(image), area_(area) {
  const bool prog = area_ == Program;
  connect(&image_, prog ? &MemoryImage::progAboutToResize : &MemoryImage::eeAboutToResize, this,
          [this] { beginResetModel(); });
  connect(&image_, prog ? &MemoryImage::progResized : &MemoryImage::eeResized, this,
          [this] { endResetModel(); });
  connect(&image_, prog ? &MemoryImage::progCellsChanged : &MemoryImage::eeCellsChanged, this,
          &GridTableModel::onCellsChanged);
}

QString GridTableModel::cornerText() const {
  return area_ == Program ? QStringLiteral("PROG") : QStringLiteral("EEPR");
}

int GridTableModel::count() const {
  return area_ == Program ? image_.progCount() : image_.eeCount();
}

QString GridTableModel::text(int element) const {
  return area_ == Program ? image_.progText(element) : image_.eeText(element);
}

int GridTableModel::elementOf(const QModelIndex& index) const {
  if (!index.isValid() || index.model() != this || index.row() >= rowCount() ||
      index.column() >= kColumns)
    return -1;
  return index.row() * kColumns + index.column();
}

int GridTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : count() / kColumns;
}

int GridTableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kColumns;
}

QVariant GridTableModel::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole && role != Qt::EditRole) return {};
  const int element = elementOf(index);
  if (element < 0) return {};
  return text(element);
}

bool GridTableModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (role != Qt::EditRole) return false;
  const int element = elementOf(index);
  if (element < 0) return false;
  const QString typed = value.toString();
  if (typed != text(element)) {
    if (area_ == Program)
      image_.setProgText(element, typed);
    else
      image_.setEeText(element, typed);
  }
  // Every commit of the editor is an edit, whatever its text: typing the blank value into a
  // blank cell still brings the cell into the extent.
  emit cellEdited(index.column() + 1, index.row() + 1, typed);
  return true;
}

QVariant GridTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole) return QAbstractTableModel::headerData(section, orientation, role);
  if (orientation == Qt::Horizontal) {
    if (section < 0 || section >= kColumns) return {};
    return hexText(section, 1);
  }
  if (section < 0 || section >= rowCount()) return {};
  return hexText(qint64{section} * kColumns, 4);
}

Qt::ItemFlags GridTableModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  return Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsEditable | Qt::ItemNeverHasChildren;
}

void GridTableModel::onCellsChanged(int first, int last) {
  const int rows = rowCount();
  if (first < 0) first = 0;
  if (last < first || rows == 0) return;
  const int firstRow = first / kColumns;
  if (firstRow >= rows) return;  // only the final partial row, which no row shows
  int lastRow = last / kColumns;
  if (lastRow >= rows) lastRow = rows - 1;
  if (firstRow == lastRow) {
    emit dataChanged(index(firstRow, first % kColumns),
                     index(lastRow, lastRow == last / kColumns ? last % kColumns : kColumns - 1),
                     {Qt::DisplayRole, Qt::EditRole});
  } else {
    emit dataChanged(index(firstRow, 0), index(lastRow, kColumns - 1),
                     {Qt::DisplayRole, Qt::EditRole});
  }
}

}  // namespace tavrix
