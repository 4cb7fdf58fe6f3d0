#include <gtest/gtest.h>

#include <map>
#include <set>
#include <vector>

#include "device/DeviceDef.h"
#include "device/DeviceFile.h"

using namespace tavrix;

namespace {

struct Expected {
  const char* name;
  const char* kind;
  int progMem, eeProm, ram, palConfDef;
  const char* names;
};

const char* kF83 = "CP CP CP CP CP CP CP CP CP CP _PWRTE WDTE FOSC1 FOSC0";
const char* kF627 = "CP1 CP0 CP1 CP0 - CPD LVP BOREN MCLRE FOSC2 _PWRTE WDTE FOSC1 FOSC0";
const char* kF870 = "CP1 CP0 DEBUG - WRT CPD LVP _BODEN CP1 CP0 _PWRTE WDTE FOSC1 FOSC0";
const char* kF73 = "- - - - - - - _BODEN - CP _PWRTE WDTE FOSC1 FOSC0";
const char* kC61 = "- - - - - - - - - CP0 PWRTE WDTE FOSC1 FOSC0";
const char* kC710 = "CP0 CP0 CP0 CP0 CP0 CP0 CP0 _BODEN CP0 CP0 _PWRTE WDTE FOSC1 FOSC0";
const char* kC620 = "CP1 CP0 CP1 CP0 CP1 CP0 - _BODEN CP1 CP0 _PWRTE WDTE FOSC1 FOSC0";

// The device table, with each default word worked out by hand from its bit names: code
// protection off, LVP off, watchdog off, power-up timer on, XT oscillator, other bits 1.
const Expected kDevices[] = {
    {"PIC16F84A", "Flash", 1024, 64, 68, 0x3FF1, kF83},
    {"PIC16C84", "Flash", 1024, 64, 36, 0x3FF9, "- - - - - - - - - CP PWRTE WDTE FOSC1 FOSC0"},
    {"PIC16F83", "Flash", 512, 64, 36, 0x3FF1, kF83},
    {"PIC16F84", "Flash", 1024, 64, 68, 0x3FF1, kF83},
    {"PIC16F627", "Flash", 1024, 128, 224, 0x3F61, kF627},
    {"PIC16F628", "Flash", 2048, 128, 224, 0x3F61, kF627},
    {"PIC16F870", "Flash", 2048, 64, 128, 0x3F71, kF870},
    {"PIC16F871", "Flash", 2048, 64, 128, 0x3F71, kF870},
    {"PIC16F872", "Flash", 2048, 64, 128, 0x3F71, kF870},
    {"PIC16F873", "Flash", 4096, 128, 192, 0x3F71, kF870},
    {"PIC16F874", "Flash", 4096, 128, 192, 0x3F71, kF870},
    {"PIC16F876", "Flash", 8192, 256, 368, 0x3F71, kF870},
    {"PIC16F877", "Flash", 8192, 256, 368, 0x3F71, kF870},
    {"PIC16F73", "Flash1", 4096, 0, 192, 0x3FF1, kF73},
    {"PIC16F74", "Flash1", 4096, 0, 192, 0x3FF1, kF73},
    {"PIC16F76", "Flash1", 8192, 0, 368, 0x3FF1, kF73},
    {"PIC16F77", "Flash1", 8192, 0, 368, 0x3FF1, kF73},
    {"PIC16C61", "OTP", 1024, 0, 36, 0x3FF9, kC61},
    {"PIC16C71", "OTP", 1024, 0, 36, 0x3FF9, kC61},
    {"PIC16C710", "OTP", 512, 0, 36, 0x3FF1, kC710},
    {"PIC16C711", "OTP", 1024, 0, 68, 0x3FF1, kC710},
    {"PIC16C620", "OTP", 512, 0, 80, 0x3FF1, kC620},
    {"PIC16C620A", "OTP", 512, 0, 96, 0x3FF1, kC620},
    {"PIC16C621", "OTP", 1024, 0, 80, 0x3FF1, kC620},
    {"PIC16C621A", "OTP", 1024, 0, 96, 0x3FF1, kC620},
    {"PIC16C622", "OTP", 2048, 0, 128, 0x3FF1, kC620},
    {"PIC16C622A", "OTP", 2048, 0, 128, 0x3FF1, kC620},
};

TEST(ShippedDeviceFile, ListsEveryDeviceInOrder) {
  const DeviceList list = ReadDeviceList(TAVRIX_SHIPPED_INI);
  QStringList names;
  for (const Expected& e : kDevices) names.append(e.name);
  EXPECT_EQ(list.devices, names);
  EXPECT_TRUE(list.lastFile.isEmpty());
}

TEST(ShippedDeviceFile, EveryDeviceMatchesTheChipTable) {
  for (const Expected& e : kDevices) {
    SCOPED_TRACE(e.name);
    const DeviceDef d = ReadDeviceSection(TAVRIX_SHIPPED_INI, e.name);
    EXPECT_EQ(d.Programming, e.kind);
    EXPECT_EQ(d.ProgMem, e.progMem);
    EXPECT_EQ(d.EEProm, e.eeProm);
    EXPECT_EQ(d.RAM, e.ram);
    EXPECT_EQ(d.ProgBits, 14);
    EXPECT_EQ(d.ConfigStart, 0x2000);
    EXPECT_EQ(d.EEPromStart, 0x2100);
    EXPECT_EQ(d.PalConfDef, e.palConfDef);
    EXPECT_EQ(d.PalConf, e.names);
    EXPECT_EQ(d.PalConf.split(' ').size(), 14);
    EXPECT_TRUE(deviceProblem(d).isEmpty());
    // Safe defaults: no CP or CPD bit at 0, watchdog off.
    const QStringList bits = d.PalConf.split(' ');
    for (int i = 0; i < 14; ++i) {
      const int bit = 13 - i;
      const bool set = d.PalConfDef & (1 << bit);
      if (bits[i].startsWith("CP")) {
        EXPECT_TRUE(set) << bits[i].toStdString();
      }
      if (bits[i] == "WDTE" || bits[i] == "LVP") {
        EXPECT_FALSE(set) << bits[i].toStdString();
      }
    }
  }
}

// The identification words of the part table; parts not listed have none.
const std::map<QString, qint32> kDeviceIds = {
    {"PIC16F84A", 0x0560}, {"PIC16F627", 0x07A0}, {"PIC16F628", 0x07C0}, {"PIC16F870", 0x0D00},
    {"PIC16F871", 0x0D20}, {"PIC16F872", 0x08E0}, {"PIC16F873", 0x0960}, {"PIC16F874", 0x0920},
    {"PIC16F876", 0x09E0}, {"PIC16F877", 0x09A0}, {"PIC16F73", 0x0600},  {"PIC16F74", 0x0620},
    {"PIC16F76", 0x0640},  {"PIC16F77", 0x0660},
};

TEST(ShippedDeviceFile, IdentificationWordsNameExactlyOneDevice) {
  std::vector<DeviceDef> devices;
  for (const Expected& e : kDevices)
    devices.push_back(ReadDeviceSection(TAVRIX_SHIPPED_INI, e.name));
  std::set<qint32> codes;
  for (const DeviceDef& d : devices) {
    SCOPED_TRACE(d.Name.toStdString());
    const auto it = kDeviceIds.find(d.Name);
    EXPECT_EQ(d.DeviceID, it == kDeviceIds.end() ? kNoDeviceId : it->second);
    if (d.DeviceID == kNoDeviceId) continue;
    EXPECT_TRUE(codes.insert(d.DeviceID & kDeviceIdMask).second) << "shared device code";
    // Whatever the revision, the word read from the chip names this device and no other.
    for (qint32 revision : {0, 1, 0x1F}) {
      int matches = 0;
      for (const DeviceDef& other : devices)
        if (deviceIdMatches(other, d.DeviceID | revision)) {
          ++matches;
          EXPECT_EQ(other.Name, d.Name);
        }
      EXPECT_EQ(matches, 1) << revision;
    }
  }
  EXPECT_EQ(codes.size(), kDeviceIds.size());
  // An empty socket or a blank location names no device.
  for (const DeviceDef& d : devices) {
    EXPECT_FALSE(deviceIdMatches(d, 0x0000));
    EXPECT_FALSE(deviceIdMatches(d, 0x3FFF));
  }
}

}  // namespace
