#pragma once

#include <QPointer>
#include <QTableView>

#include "image/GridTableModel.h"

class QAbstractButton;

namespace tavrix {

// One of the main window's two string grids over a GridTableModel: a fixed heading row and
// column that stay in view when scrolling (the header sections), the corner text "PROG" or
// "EEPR", Courier 13 px, 20 px rows, range selection and cells edited in place.
// Program memory has every column 40 px wide, the heading column included; EEPROM has 28 px
// columns, and its heading column becomes 36 px at its first reset.
//
// How the main window builds them:
//
//   progModel_ = std::make_unique<GridTableModel>(image_, GridTableModel::Program);
//   eeModel_ = std::make_unique<GridTableModel>(image_, GridTableModel::EEProm);
//   HexEditG = new ImageGrid(progModel_.get(), centralWidget);
//   HexEditG->setGeometry(8, 32, 737, 265);
//   DatosEditG = new ImageGrid(eeModel_.get(), centralWidget);
//   DatosEditG->setGeometry(224, 304, 521, 137);
//   connect(HexEditG, &ImageGrid::cellEdited, this, &TTavrixForm::HexEditGSetEditText);
//   connect(DatosEditG, &ImageGrid::cellEdited, this, &TTavrixForm::DatosEditGSetEditText);
//
// A grid whose model is destroyed first shows nothing. cellEdited fires only for user edits through
// the editor (ACol 1..16, ARow 1..); the handlers raise the extent with image.noteProgEdit /
// noteEeEdit
// ((ARow - 1) * 16 + ACol - 1) and refresh the status bar.
class ImageGrid : public QTableView {
  Q_OBJECT

 public:
  explicit ImageGrid(GridTableModel* model, QWidget* parent = nullptr);

  GridTableModel* gridModel() const { return model_; }
  // The corner button that shows "PROG" / "EEPR".
  QAbstractButton* cornerButton() const { return corner_; }
  QString cornerText() const { return model_ ? model_->cornerText() : QString(); }

  static constexpr int kRowHeight = 20;
  static constexpr int kProgColumnWidth = 40;
  static constexpr int kEeColumnWidth = 28;
  static constexpr int kEeHeadingWidth = 36;
  static constexpr int kFontPixels = 13;

 signals:
  // Forwarded from the model: the user changed a cell through the editor.
  void cellEdited(int ACol, int ARow, const QString& value);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  // Enter moves to the next cell (Shift+Enter to the previous one); Ctrl+Tab and Ctrl+Shift+Tab
  // leave the grid as Tab and Shift+Tab do.
  void keyPressEvent(QKeyEvent* event) override;
  // Entered with Tab or Shift+Tab, the current cell (the first one at first) is selected, so
  // that the user sees where typing goes.
  void focusInEvent(QFocusEvent* event) override;
  // An edit ended by Tab or Shift+Tab keeps its text and leaves the grid; one ended by Enter
  // keeps its text and moves to the next cell.
  void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;

 private:
  // The cell after (or before) the current one in address order; it stays at either end.
  void stepCell(bool forward);

  QPointer<GridTableModel> model_;
  QAbstractButton* corner_ = nullptr;
  bool stepAfterEdit_ = false;  // Enter ended the edit: the next cell once it is closed
};

}  // namespace tavrix
