#pragma once

#include <QAbstractTableModel>
#include <QString>

#include "image/MemoryImage.h"

namespace tavrix {

// A table over the program cells or the EEPROM cells of a MemoryImage: 16 data columns and
// size div 16 data rows (the words of a final partial row live in the image, no row shows them).
// The heading row ("0".."F") and heading column ("0000", "0010", ...) are header data; the
// corner text is cornerText(). Model row r, column c is grid row r + 1, column c + 1.
class GridTableModel : public QAbstractTableModel {
  Q_OBJECT
  Q_PROPERTY(QString cornerText READ cornerText CONSTANT)

 public:
  enum Area { Program, EEProm };

  GridTableModel(MemoryImage& image, Area area, QObject* parent = nullptr);

  Area area() const { return area_; }
  MemoryImage& image() const { return image_; }
  // "PROG" for program memory, "EEPR" for EEPROM.
  QString cornerText() const;
  // Element (program address or EEPROM offset) of a model index, -1 when invalid.
  int elementOf(const QModelIndex& index) const;

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  // EditRole (the view's editor committing) stores the text exactly as typed and emits
  // cellEdited, even when the text is the one the cell had.
  bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

 signals:
  // The user changed a cell through the view's editor. Grid coordinates: ACol 1..16, ARow 1...
  // Cells filled from code (the image's setters) never raise it.
  void cellEdited(int ACol, int ARow, const QString& value);

 private:
  int count() const;
  QString text(int element) const;
  void onCellsChanged(int first, int last);

  MemoryImage& image_;
  Area area_;
};

}  // namespace tavrix
