#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>

#include "device/DeviceDef.h"
#include "device/DeviceFile.h"
#include "image/MemoryImage.h"
#include "support/ScriptedPrompts.h"
#include "support/TempFiles.h"

namespace tavrix::test {

inline DeviceDef makeDevice(int progMem, int eeProm, int configStart = 0x2000,
                            int eePromStart = 0x2100, int progBits = 14) {
  DeviceDef d;
  d.Name = QStringLiteral("PICTEST");
  d.ProgMem = progMem;
  d.EEProm = eeProm;
  d.ProgBits = progBits;
  d.ConfigStart = configStart;
  d.EEPromStart = eePromStart;
  d.PalConfDef = 0x3FF1;
  d.Programming = QStringLiteral("Flash");
  return d;
}

inline DeviceDef shippedDevice(const QString& name) {
  return ReadDeviceSection(QStringLiteral(TAVRIX_SHIPPED_INI), name);
}

// A device, its image just after the device was selected, scripted prompts and a temp folder.
struct HexBench {
  explicit HexBench(const DeviceDef& d) : dev(d), image(dev) {
    image.SetPalConf(dev.PalConfDef);
    if (dev.EEProm > 0) image.ResetEEPromGrid();
    image.ResetProgramGrid();
    image.ShowIdent(0xFFFF);
  }
  DeviceDef dev;
  MemoryImage image;
  ScriptedPrompts prompts;
  TempFiles files;

  QStringList prog() const {
    QStringList out;
    for (int a = 0; a < image.progCount(); ++a) out << image.progText(a);
    return out;
  }
  QStringList ee() const {
    QStringList out;
    for (int e = 0; e < image.eeCount(); ++e) out << image.eeText(e);
    return out;
  }
};

// Appends an Intel HEX checksum, computed here independently of the code under test.
inline QByteArray withSum(const QByteArray& record) {
  unsigned sum = 0;
  for (int i = 1; i + 1 < record.size(); i += 2) sum += record.mid(i, 2).toUInt(nullptr, 16);
  return record + QByteArray::number((256 - sum % 256) % 256, 16).toUpper().rightJustified(2, '0');
}

}  // namespace tavrix::test
