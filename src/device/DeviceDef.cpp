#include "device/DeviceDef.h"

#include "device/DeviceTexts.h"

namespace tavrix {

DeviceKind kindOf(const DeviceDef& device) {
  if (device.Programming == QLatin1String("Flash")) return DeviceKind::Flash;
  if (device.Programming == QLatin1String("Flash1")) return DeviceKind::Flash1;
  if (device.Programming == QLatin1String("OTP")) return DeviceKind::OTP;
  return DeviceKind::Other;
}

qint32 deviceIdFromKey(qint32 value) {
  if (value < 0 || value > 0x3FFF) return kNoDeviceId;
  const qint32 id = value & kDeviceIdMask;
  return id == 0 || id == kDeviceIdMask ? kNoDeviceId : id;
}

QString deviceIdWarning(const DeviceDef& device) {
  if (device.DeviceID != kNoDeviceId || device.UnusableDeviceID.isEmpty()) return {};
  return texts::unusableDeviceId(device.Name, device.UnusableDeviceID);
}

bool deviceIdMatches(const DeviceDef& device, qint32 word) {
  return device.DeviceID != kNoDeviceId && word >= 0 && word <= 0x3FFF &&
         (word & kDeviceIdMask) == device.DeviceID;
}

qint64 blankWord(const DeviceDef& device) {
  if (device.ProgBits <= 0) return 0;
  const int bits = device.ProgBits > 62 ? 62 : device.ProgBits;
  return (qint64{1} << bits) - 1;
}

QString deviceProblem(const DeviceDef& device) {
  if (device.ProgBits < 0 || device.ProgBits > kMaxProgBits)
    return texts::badProgBits(device.Name, device.ProgBits, kMaxProgBits);
  if (device.ProgMem < 0 || device.ProgMem > kMaxProgMem)
    return texts::badProgMem(device.Name, device.ProgMem, kMaxProgMem);
  // EEProm of 0 or less means the device has no EEPROM.
  if (device.EEProm > kMaxEEProm) return texts::badEEProm(device.Name, device.EEProm, kMaxEEProm);
  return {};
}

}  // namespace tavrix
