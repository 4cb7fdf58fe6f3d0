#include "image/MemoryImage.h"

#include "image/HexText.h"

namespace tavrix {

MemoryImage::MemoryImage(const DeviceDef& currentDevice, QObject* parent)
    : QObject(parent), device_(currentDevice) {
  for (int i = 0; i < (kInitialProgRows - 1) * 16; ++i) prog_.append(QString());
  for (int i = 0; i < (kInitialEeRows - 1) * 16; ++i) ee_.append(QString());
}

QString MemoryImage::progText(int address) const {
  return address >= 0 && address < prog_.size() ? prog_[address] : QString();
}

void MemoryImage::setProgText(int address, const QString& text) {
  if (address < 0 || address >= prog_.size()) return;
  prog_[address] = text;
  emit progCellsChanged(address, address);
}

qint64 MemoryImage::progValue(int address) const {
  return cellValue(progText(address));
}

void MemoryImage::storeProgValue(int address, qint64 value) {
  setProgText(address, hexText(value, 4));
}

QString MemoryImage::eeText(int offset) const {
  return offset >= 0 && offset < ee_.size() ? ee_[offset] : QString();
}

void MemoryImage::setEeText(int offset, const QString& text) {
  if (offset < 0 || offset >= ee_.size()) return;
  ee_[offset] = text;
  emit eeCellsChanged(offset, offset);
}

qint64 MemoryImage::eeValue(int offset) const {
  return cellValue(eeText(offset));
}

void MemoryImage::storeEeValue(int offset, qint64 value) {
  setEeText(offset, hexText(value, 2));
}

void MemoryImage::setProgEnd(int value) {
  if (progEnd_ == value) return;
  progEnd_ = value;
  emit extentsChanged();
}

void MemoryImage::setEEPromEnd(int value) {
  if (eePromEnd_ == value) return;
  eePromEnd_ = value;
  emit extentsChanged();
}

void MemoryImage::noteProgEdit(int address) {
  if (address + 1 > progEnd_) setProgEnd(address + 1);
}

void MemoryImage::noteEeEdit(int offset) {
  if (offset + 1 > eePromEnd_) setEEPromEnd(offset + 1);
}

void MemoryImage::setIdentText(const QString& text) {
  if (ident_ == text) return;
  ident_ = text;
  emit identChanged();
}

qint64 MemoryImage::ReadIdent() {
  const auto v = parseHex(ident_);
  const qint64 value = v ? qint64{*v} : 0;
  ShowIdent(value);
  return value;
}

void MemoryImage::ShowIdent(qint64 value) {
  setIdentText(hexText(value, 4));
}

void MemoryImage::SetPalConf(qint64 word) {
  // Bits are found by testing for oddness and halving toward zero, so a negative word has none.
  const int bits = word < 0 ? 0 : int(word & 0x3FFF);
  palConf_ = bits;
  emit palConfChanged();
}

void MemoryImage::setPalConfBit(int bit, bool on) {
  if (bit < 0 || bit > 13) return;
  const int next = on ? (palConf_ | (1 << bit)) : (palConf_ & ~(1 << bit));
  if (next == palConf_) return;
  palConf_ = next;
  emit palConfChanged();
}

void MemoryImage::setOscillator(int k) {
  const int next = (palConf_ & ~3) | (k & 3);
  if (next == palConf_) return;
  palConf_ = next;
  emit palConfChanged();
}

void MemoryImage::ResetProgramGrid() {
  setProgEnd(0);
  const int size = device_.ProgMem > 0 ? device_.ProgMem : 0;
  const QString blank = hexText(blankWord(device_), 4);
  emit progAboutToResize();
  prog_ = QStringList(size, blank);  // one shared text, copied only when a cell changes
  emit progResized();
}

void MemoryImage::ResetEEPromGrid() {
  setEEPromEnd(0);
  const int size = device_.EEProm > 0 ? device_.EEProm : 0;
  emit eeAboutToResize();
  ee_ = QStringList(size, QStringLiteral("FF"));
  emit eeResized();
}

}  // namespace tavrix
