#pragma once

#include <QString>

namespace tavrix {

// `DeviceID` of a device without an identification word (no key, or a value that cannot be
// one). No word read from a chip can equal it.
inline constexpr qint32 kNoDeviceId = -1;
// The identification word at 0x2006: bits 13-5 name the device, bits 4-0 the silicon revision.
inline constexpr qint32 kDeviceIdMask = 0x3FE0;
inline constexpr qint32 kDeviceRevisionMask = 0x001F;

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
  // The identification word with its revision bits clear, or kNoDeviceId.
  qint32 DeviceID = kNoDeviceId;
  // The `DeviceID` key's text when it is there and gives no identification word (a comment
  // after the value, a typing error, a value no chip answers): the identity check is then off,
  // and the user is told so where it would have run.
  QString UnusableDeviceID;
};

// The programming algorithm named by `Programming`, compared exactly (case included).
enum class DeviceKind { Flash, Flash1, OTP, Other };

DeviceKind kindOf(const DeviceDef& device);

// The `DeviceID` a key's value gives: the word with its revision bits cleared (a word copied
// from a chip names the same device), or kNoDeviceId when the value is not a 14-bit word or
// names no device code (0 reads like an empty socket, 0x3FE0 like a blank word).
qint32 deviceIdFromKey(qint32 value);

// Why the identity check cannot run for a device whose `DeviceID` key gives no word; empty when
// the key gives one or is absent or empty.
QString deviceIdWarning(const DeviceDef& device);

// The device has an identification word and `word`, read at 0x2006, is one of its revisions.
bool deviceIdMatches(const DeviceDef& device, qint32 word);

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
