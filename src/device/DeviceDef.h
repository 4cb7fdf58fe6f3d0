#pragma once

#include <QString>

namespace tavrix {

// One device of the device file: its section name and keys, in the file's terms.
struct DeviceDef {
  QString Name;
  qint32 ProgMem = 0;
  qint32 EEProm = 0;
  qint32 ProgBits = 0;
  qint32 RAM = 0;
  qint32 ConfigStart = 0;
  qint32 EEPromStart = 0;
  qint32 PalConfDef = 0;
  QString PalConf;
  QString Programming;
};

// The programming algorithm named by `Programming`, compared exactly (case included).
enum class DeviceKind { Flash, Flash1, OTP, Other };

DeviceKind kindOf(const DeviceDef& device);

// Blank program word, 2^ProgBits - 1 (0x3FFF for 14 bits); 0 for widths of 0 or less.
qint64 blankWord(const DeviceDef& device);

// Devices whose values would exhaust memory or overflow the wire protocol are refused at
// selection. Returns the message to show, or an empty text when the device can be used.
QString deviceProblem(const DeviceDef& device);

// Largest program memory and EEPROM a 16-bit HEX byte address can reach.
inline constexpr qint32 kMaxProgMem = 32768;
inline constexpr qint32 kMaxEEProm = 32768;
inline constexpr qint32 kMaxProgBits = 16;

// Program-wide device values: where the device file is and which device is in force.
struct DeviceContext {
  QString ConfigPath;
  DeviceDef CurrentDevice;
};

}  // namespace tavrix
