#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include "device/DeviceDef.h"

namespace tavrix {

// The one copy of the chip image: the text of every program cell (a final partial row that no
// grid row shows included) and EEPROM cell, the identifier box's text, the configuration word
// and the two extents. The grids, the identifier box and the configuration editor are views of
// it. Device values are read from the current device at the moment they are needed.
class MemoryImage : public QObject {
  Q_OBJECT

 public:
  explicit MemoryImage(const DeviceDef& currentDevice, QObject* parent = nullptr);

  const DeviceDef& device() const { return device_; }

  // Program memory. Filling cells from code never counts as a user edit.
  int progCount() const { return int(prog_.size()); }
  QString progText(int address) const;
  void setProgText(int address, const QString& text);
  qint64 progValue(int address) const;             // value rule: 0xFFFF when the text does not read
  void storeProgValue(int address, qint64 value);  // at least 4 upper-case digits

  // Data EEPROM, by offset from its start.
  int eeCount() const { return int(ee_.size()); }
  QString eeText(int offset) const;
  void setEeText(int offset, const QString& text);
  qint64 eeValue(int offset) const;
  void storeEeValue(int offset, qint64 value);  // at least 2 upper-case digits

  // Extents: one past the highest address loaded or edited since the last reset.
  int ProgEnd() const { return progEnd_; }
  int EEPromEnd() const { return eePromEnd_; }
  void setProgEnd(int value);
  void setEEPromEnd(int value);
  // A user edit of a cell raises its extent to the cell's address + 1, never lowers it.
  void noteProgEdit(int address);
  void noteEeEdit(int offset);

  // Identifier box: its text as typed, read as hexadecimal by ReadIdent.
  QString identText() const { return ident_; }
  void setIdentText(const QString& text);
  // The box read as hexadecimal (0 when it does not read), rewritten as at least 4 digits.
  qint64 ReadIdent();
  void ShowIdent(qint64 value);

  // Configuration word: 14 bits, bit i set when its check box is ticked.
  int GetPalConf() const { return palConf_; }
  // Bits 14 and up are dropped; a negative word clears every bit.
  void SetPalConf(qint64 word);
  void setPalConfBit(int bit, bool on);
  // Oscillator selection k (0..3) sets bits 1:0 to k.
  void setOscillator(int k);

  // Blank program memory of the current device's size; ProgEnd becomes 0.
  void ResetProgramGrid();
  // "FF" in every EEPROM cell of the current device's size; EEPromEnd becomes 0.
  void ResetEEPromGrid();

  // The program grid's initial contents before any device is selected: 100 rows, empty cells.
  static constexpr int kInitialProgRows = 100;
  static constexpr int kInitialEeRows = 5;

 signals:
  // Cells [first, last] were rewritten by code or by the user.
  void progCellsChanged(int first, int last);
  void eeCellsChanged(int first, int last);
  // The number of cells is about to change, then has changed (a reset).
  void progAboutToResize();
  void eeAboutToResize();
  void progResized();
  void eeResized();
  void extentsChanged();
  void identChanged();
  void palConfChanged();

 private:
  const DeviceDef& device_;
  QStringList prog_;
  QStringList ee_;
  QString ident_;
  int palConf_ = 0;
  int progEnd_ = 0;
  int eePromEnd_ = 0;
};

}  // namespace tavrix
