#include "ChipRig.h"

#include "device/DeviceFile.h"
#include "image/HexText.h"

namespace tavrix::test {

DeviceDef shippedDevice(const QString& name) {
  return ReadDeviceSection(QStringLiteral(TAVRIX_SHIPPED_INI), name);
}

ChipRig::ChipRig(const DeviceDef& device)
    : devices{QString(), device},
      chip(device, clock),
      board(&chip),
      link(board, clock, [this] { return devices.CurrentDevice.ProgBits; }),
      image(devices.CurrentDevice),
      engine(devices, image, link, prompts, host) {
  resetImage(image);
}

void ChipRig::resetImage(MemoryImage& target) const {
  target.ResetProgramGrid();
  if (devices.CurrentDevice.EEProm > 0) target.ResetEEPromGrid();
  target.SetPalConf(devices.CurrentDevice.PalConfDef);
  target.ShowIdent(0xFFFF);
}

QString imageDifferences(const MemoryImage& a, const MemoryImage& b, const DeviceDef& device) {
  QStringList out;
  for (int i = 0; i < device.ProgMem; ++i)
    if (a.progValue(i) != b.progValue(i))
      out << QStringLiteral("prog %1: %2 != %3").arg(hexText(i, 4), a.progText(i), b.progText(i));
  for (int i = 0; i < device.EEProm; ++i)
    if (a.eeValue(i) != b.eeValue(i))
      out << QStringLiteral("ee %1: %2 != %3").arg(hexText(i, 4), a.eeText(i), b.eeText(i));
  if (parseHex(a.identText()) != parseHex(b.identText()))
    out << QStringLiteral("ident %1 != %2").arg(a.identText(), b.identText());
  if (a.GetPalConf() != b.GetPalConf())
    out << QStringLiteral("conf %1 != %2")
               .arg(hexText(a.GetPalConf(), 4), hexText(b.GetPalConf(), 4));
  return out.join(QLatin1Char('\n'));
}

QString chipDifferences(const MemoryImage& image, const VirtualChip& chip) {
  QStringList out;
  for (int i = 0; i < image.ProgEnd(); ++i)
    if (image.progValue(i) != chip.programWord(i))
      out << QStringLiteral("prog %1: %2 != %3")
                 .arg(hexText(i, 4), image.progText(i), hexText(chip.programWord(i), 4));
  for (int i = 0; i < image.EEPromEnd(); ++i)
    if (image.eeValue(i) != chip.eepromByte(i))
      out << QStringLiteral("ee %1: %2 != %3")
                 .arg(hexText(i, 4), image.eeText(i), hexText(chip.eepromByte(i), 2));
  return out.join(QLatin1Char('\n'));
}

}  // namespace tavrix::test
