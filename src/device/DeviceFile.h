#pragma once

#include <QString>
#include <QStringList>

#include "device/DeviceDef.h"

namespace tavrix {

// What start-up takes from the device file: the settings and the devices in file order.
struct DeviceList {
  qint32 port = 888;    // read and unused: the programmer is reached through a device node
  QString lastFile;     // `lastfile` of [Config], empty when absent
  QString portDevice;   // `portdevice` of [Config]: the one port node to use; empty: search
  QStringList devices;  // sections whose names begin with "PIC", in file order
};

// Opens the file afresh and reads the device list; a missing file gives no devices.
DeviceList ReadDeviceList(const QString& configPath);

// Opens the file afresh and reads one device section with every default applied.
DeviceDef ReadDeviceSection(const QString& configPath, const QString& name);

}  // namespace tavrix
