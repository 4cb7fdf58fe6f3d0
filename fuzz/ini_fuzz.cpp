// The device file reader on any file: IniFile::parse, then ReadDeviceList and ReadDeviceSection
// on the same bytes written to a file, deviceProblem on every device, and selection of the
// first few accepted devices into a memory image.
#include <QFile>

#include "FuzzSupport.h"
#include "device/DeviceDef.h"
#include "device/DeviceFile.h"
#include "device/IniFile.h"
#include "image/DeviceSelection.h"
#include "image/MemoryImage.h"

using namespace tavrix;

namespace {

void check(bool ok) {
  if (!ok) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
  const IniFile parsed = IniFile::parse(bytes);
  for (const QString& section : parsed.sectionNames()) {
    for (const char* key : {"ProgMem", "EEProm", "ProgBits", "PalConfDef", "lastfile"}) {
      const QString k = QString::fromLatin1(key);
      const auto value = parsed.value(section, k);
      const qint32 n = parsed.readInteger(section, k, -7);
      // An integer key reads as its value exactly when its text is one of the integer forms.
      if (value && IniFile::parseInteger(*value)) check(n == *IniFile::parseInteger(*value));
      if (!value) check(n == -7 && parsed.readString(section, k, QStringLiteral("d")) == u"d");
    }
  }

  DeviceContext ctx;
  ctx.ConfigPath = fuzz::writeInput("Tavrix.ini", data, size);
  const DeviceList list = ReadDeviceList(ctx.ConfigPath);
  check(IniFile::load(ctx.ConfigPath).sectionNames() == parsed.sectionNames());
  MemoryImage image(ctx.CurrentDevice);
  int selected = 0;
  for (const QString& name : list.devices) check(name.startsWith(QLatin1String("PIC")));
  // Every device is read afresh from the file, as selection does; the first eight are enough.
  for (const QString& name : list.devices.toList().mid(0, 8)) {
    check(name.startsWith(QLatin1String("PIC")));
    const DeviceDef d = ReadDeviceSection(ctx.ConfigPath, name);
    check(d.Name == name);
    const QString problem = deviceProblem(d);
    // Selection is tried on the first few devices small enough to keep each input quick; the
    // refusal of absurd ones is checked whatever their number.
    if (selected >= 4 || (problem.isEmpty() && (d.ProgMem > 2048 || d.EEProm > 2048))) continue;
    const DeviceDef before = ctx.CurrentDevice;
    const QString refusal = SelectDeviceCore(ctx, image, name);
    check(refusal == problem);
    if (!refusal.isEmpty()) {
      // A refused device changes nothing.
      check(ctx.CurrentDevice.Name == before.Name && ctx.CurrentDevice.ProgMem == before.ProgMem);
      continue;
    }
    ++selected;
    check(ctx.CurrentDevice.ProgMem == d.ProgMem && image.progCount() == d.ProgMem);
    check(image.ProgEnd() == 0);
    if (d.EEProm > 0) check(image.eeCount() == d.EEProm && image.EEPromEnd() == 0);
  }
  return 0;
}
