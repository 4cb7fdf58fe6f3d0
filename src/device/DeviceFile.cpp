#include "device/DeviceFile.h"

#include "device/IniFile.h"

namespace tavrix {

DeviceList ReadDeviceList(const QString& configPath) {
  const IniFile ini = IniFile::load(configPath);
  DeviceList list;
  const QString config = QStringLiteral("Config");
  list.port = ini.readInteger(config, QStringLiteral("port"), 888);
  list.lastFile = ini.readString(config, QStringLiteral("lastfile"), QString());
  list.portDevice = ini.readString(config, QStringLiteral("portdevice"), QString());
  for (const QString& name : ini.sectionNames())
    if (name.startsWith(QLatin1String("PIC"), Qt::CaseSensitive)) list.devices.append(name);
  return list;
}

DeviceDef ReadDeviceSection(const QString& configPath, const QString& name) {
  const IniFile ini = IniFile::load(configPath);
  DeviceDef d;
  d.Name = name;
  d.ProgMem = ini.readInteger(name, QStringLiteral("ProgMem"), 1024);
  d.EEProm = ini.readInteger(name, QStringLiteral("EEProm"), 64);
  d.ProgBits = ini.readInteger(name, QStringLiteral("ProgBits"), 14);
  d.RAM = ini.readInteger(name, QStringLiteral("RAM"), 68);
  d.ConfigStart = ini.readInteger(name, QStringLiteral("ConfigStart"), 0x2000);
  d.EEPromStart = ini.readInteger(name, QStringLiteral("EEPromStart"), 0x2100);
  d.PalConfDef = ini.readInteger(name, QStringLiteral("PalConfDef"), 0x3FF1);
  d.PalConf = ini.readString(name, QStringLiteral("PalConf"),
                             QStringLiteral("- - - - - - - - - - - - - -"));
  d.Programming = ini.readString(name, QStringLiteral("Programming"), QStringLiteral("Flash"));
  d.DeviceID = deviceIdFromKey(ini.readInteger(name, QStringLiteral("DeviceID"), kNoDeviceId));
  return d;
}

}  // namespace tavrix
