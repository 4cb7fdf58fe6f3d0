// Whole operations against the virtual chip on virtual time: what goes in comes back out, with
// every programming wait long enough.
#include <gtest/gtest.h>

#include "ChipRig.h"
#include "image/HexReader.h"
#include "ops/Commands.h"
#include "support/TempFiles.h"

namespace tavrix::test {
namespace {

using Kind = ScriptedPrompts::Kind;

struct RoundTrip {
  const char* device;
  const char* fixture;
  int completions;              // "Operación Completada." boxes of one write command
  bool dropProtection = false;  // the file's configuration word protects the code
};

class ChipRoundTrip : public ::testing::TestWithParam<RoundTrip> {};

TEST_P(ChipRoundTrip, WriteVerifyAndReadBackAllFourAreas) {
  const RoundTrip& p = GetParam();
  ChipRig rig(shippedDevice(p.device));
  // Records the reader does not know (extended addresses) are reported and skipped.
  ScriptedPrompts loading;
  ASSERT_EQ(ReadHexFile(fixturePath(p.fixture), rig.image, loading), HexLoad::Completed);
  ASSERT_GT(rig.image.ProgEnd(), 0);
  if (p.dropProtection) rig.image.SetPalConf(rig.devices.CurrentDevice.PalConfDef);
  rig.scopeAll();

  EXPECT_TRUE(writeChip(rig.engine));
  EXPECT_TRUE(rig.prompts.texts(Kind::Error).isEmpty())
      << rig.prompts.texts(Kind::Error).mid(0, 5).join('\n').toStdString();
  EXPECT_EQ(rig.prompts.texts(Kind::Info).count("Operación Completada."), p.completions);
  EXPECT_EQ(chipDifferences(rig.image, rig.chip), "");

  rig.prompts.clear();
  EXPECT_TRUE(verifyChip(rig.engine));
  EXPECT_EQ(rig.prompts.texts(), QStringList{"Operación Completada."});

  MemoryImage fresh(rig.devices.CurrentDevice);
  rig.resetImage(fresh);
  Engine reader(rig.devices, fresh, rig.link, rig.prompts, rig.host);
  EXPECT_TRUE(readChip(reader));
  EXPECT_EQ(fresh.ProgEnd(), rig.devices.CurrentDevice.ProgMem);
  EXPECT_EQ(imageDifferences(rig.image, fresh, rig.devices.CurrentDevice), "");
  if (kindOf(rig.devices.CurrentDevice) == DeviceKind::Flash) {
    EXPECT_EQ(fresh.EEPromEnd(), rig.devices.CurrentDevice.EEProm);
  }

  EXPECT_EQ(rig.chip.timingViolations(), 0);
  EXPECT_TRUE(rig.host.mainEnabled);
  EXPECT_FALSE(rig.host.windowShown);
}

INSTANTIATE_TEST_SUITE_P(
    EveryKind, ChipRoundTrip,
    ::testing::Values(RoundTrip{"PIC16F84A", "gpasm__flash_16f84a.hex", 1},
                      RoundTrip{"PIC16F84A", "miguelabrilbravo-pic16f84a__EEPROM_02.hex", 1},
                      RoundTrip{"PIC16F877", "wisp628-blink-a-led__a877.hex", 1},
                      RoundTrip{"PIC16F628", "gpasm__flash_16f84a.hex", 1},
                      RoundTrip{"PIC16F73", "gpasm__flash1_16f73.hex", 2},
                      RoundTrip{"PIC16C622", "gpasm__otp_16c622.hex", 2, true}));

TEST(EngineChip, EepromDataReachesTheChipOnFlashDevices) {
  ChipRig rig(shippedDevice("PIC16F84A"));
  ASSERT_EQ(ReadHexFile(fixturePath("gpasm__flash_16f84a.hex"), rig.image, rig.prompts),
            HexLoad::Completed);
  ASSERT_GT(rig.image.EEPromEnd(), 0);
  rig.host.scope(false, true, false, false);
  EXPECT_TRUE(writeChip(rig.engine));
  for (int i = 0; i < rig.image.EEPromEnd(); ++i)
    EXPECT_EQ(rig.chip.eepromByte(i), rig.image.eeValue(i)) << i;
  EXPECT_EQ(rig.chip.programWord(0), rig.chip.blankWord());
}

TEST(EngineChip, OtpCellsGetThreeTimesTheirTriesPlusOneMorePulses) {
  ChipRig rig(shippedDevice("PIC16C622"));
  rig.host.scope(true, false, true, true);
  rig.image.storeProgValue(0, 0x0001);
  rig.image.storeProgValue(1, 0x0002);
  rig.image.storeProgValue(2, 0x0003);
  rig.image.setProgEnd(3);
  rig.image.setIdentText("1234");
  rig.image.SetPalConf(0x3FF0);
  EXPECT_TRUE(rig.engine.RunOperation(OpWrite));
  EXPECT_EQ(rig.prompts.texts(), QStringList{"Operación Completada."});
  // A program cell needs 1 + (address mod 3) pulses, an ID or the configuration word 2.
  for (int a = 0; a < 3; ++a) {
    const int tries = 1 + a % 3;
    EXPECT_EQ(rig.chip.otpRecord(a).pulses, tries + 3 * tries + 1) << a;
    EXPECT_EQ(rig.chip.otpRecord(a).afterEqual, 3 * tries + 1) << a;
  }
  for (int p = 0; p < 4; ++p) EXPECT_EQ(rig.chip.otpRecord(0x2000 + p).afterEqual, 7) << p;
  EXPECT_EQ(rig.chip.otpRecord(0x2007).afterEqual, 7);
  EXPECT_EQ(rig.chip.idWord(0), 0x3F84);
  EXPECT_EQ(rig.chip.idWord(3), 0x3F81);
  EXPECT_EQ(rig.chip.configWord(), 0x3FF0);
  EXPECT_EQ(rig.chip.timingViolations(), 0);
}

TEST(EngineChip, Flash1LoneLastWordIsProgrammed) {
  ChipRig rig(shippedDevice("PIC16F73"));
  rig.image.storeProgValue(0, 0x1111);
  rig.image.storeProgValue(1, 0x2222);
  rig.image.storeProgValue(2, 0x3333);
  rig.image.setProgEnd(3);
  EXPECT_TRUE(writeChip(rig.engine));
  EXPECT_EQ(rig.chip.programWord(2), 0x3333);
  EXPECT_EQ(rig.chip.programWord(3), 0x3FFF);
  EXPECT_TRUE(rig.prompts.texts(Kind::Error).isEmpty());
  EXPECT_EQ(rig.chip.timingViolations(), 0);
}

TEST(EngineChip, BlankCheckOfABlankAndOfAWrittenChip) {
  for (const char* name : {"PIC16F84A", "PIC16F73", "PIC16C622"}) {
    ChipRig rig(shippedDevice(name));
    rig.scopeAll();
    rig.image.setIdentText("FFFF");
    rig.image.setProgEnd(rig.devices.CurrentDevice.ProgMem);
    if (rig.devices.CurrentDevice.EEProm > 0)
      rig.image.setEEPromEnd(rig.devices.CurrentDevice.EEProm);
    EXPECT_TRUE(blankCheckChip(rig.engine)) << name;
    EXPECT_EQ(rig.prompts.texts(), QStringList{"Operación Completada."}) << name;

    rig.chip.setProgramWord(5, 0x0000);
    rig.chip.setConfigWord(0x3FF1);
    rig.prompts.clear();
    EXPECT_TRUE(blankCheckChip(rig.engine)) << name;
    EXPECT_EQ(rig.prompts.texts(), (QStringList{"Error de borrado en dir: 0005",
                                                "Error de borrado de la palabra de configuración",
                                                "Operación Completada."}))
        << name;
    EXPECT_EQ(rig.chip.timingViolations(), 0);
  }
}

// Words that could have come from an empty socket (every one 0000) from a chip that answers:
// code protection reads program memory as 0000, the identification word read after the run
// names the chip, and the run completes as before.
TEST(EngineChip, ZerosOfACodeProtectedChipStillComplete) {
  ChipRig rig(shippedDevice("PIC16F877"));
  rig.host.scope(true, false, false, false);
  for (int a = 0; a < 4; ++a) rig.image.storeProgValue(a, 0x0000);
  rig.image.setProgEnd(4);
  rig.chip.setProgramWord(0, 0x2805);
  rig.chip.setConfigWord(rig.devices.CurrentDevice.PalConfDef & ~0x3030);
  ASSERT_TRUE(rig.chip.programProtected());
  EXPECT_TRUE(verifyChip(rig.engine));
  EXPECT_EQ(rig.prompts.texts(), QStringList{"Operación Completada."});
  EXPECT_FALSE(rig.chip.inProgrammingMode());
}

TEST(EngineChip, EepromBlankCheckFindsDataWhateverTheImageHolds) {
  ChipRig rig(shippedDevice("PIC16F84A"));
  rig.host.scope(false, true, false, false);
  rig.image.storeEeValue(0, 0x12);
  rig.image.setEEPromEnd(1);
  rig.chip.setEEPromByte(0, 0x12);
  rig.prompts.cancelAnswers = {true};
  EXPECT_FALSE(blankCheckChip(rig.engine));
  EXPECT_EQ(rig.prompts.texts(), QStringList{"Error de borrado en dir: 0000"});
  EXPECT_FALSE(rig.chip.inProgrammingMode());
}

// Writes a small image with code protection on, then reads, unprotects and blank-checks.
void protectReadAndUnprotect(const char* name, int cpBits) {
  ChipRig rig(shippedDevice(name));
  const int protectedConfig = rig.devices.CurrentDevice.PalConfDef & ~cpBits;
  rig.host.scope(true, false, true, true);
  for (int a = 0; a < 4; ++a) rig.image.storeProgValue(a, 0x3000 + a);
  rig.image.setProgEnd(4);
  rig.image.setIdentText("0ABC");
  rig.image.SetPalConf(protectedConfig);
  writeChip(rig.engine);
  ASSERT_TRUE(rig.chip.programProtected()) << name;
  EXPECT_EQ(rig.chip.programWord(3), 0x3003) << name;

  MemoryImage fresh(rig.devices.CurrentDevice);
  rig.resetImage(fresh);
  Engine reader(rig.devices, fresh, rig.link, rig.prompts, rig.host);
  rig.prompts.clear();
  EXPECT_TRUE(readChip(reader));
  for (int a = 0; a < 4; ++a) EXPECT_EQ(fresh.progText(a), "0000") << name << a;
  EXPECT_EQ(fresh.progText(rig.devices.CurrentDevice.ProgMem - 1), "0000");
  EXPECT_EQ(fresh.identText(), "0ABC") << name;
  EXPECT_EQ(fresh.GetPalConf(), protectedConfig) << name;

  rig.prompts.clear();
  EXPECT_EQ(unprotectChip(rig.engine), UnprotectResult::Erased);
  EXPECT_EQ(rig.prompts.texts().last(), "PIC desprotegido.");
  EXPECT_FALSE(rig.chip.programProtected()) << name;
  rig.prompts.clear();
  rig.image.setIdentText("FFFF");
  EXPECT_TRUE(blankCheckChip(rig.engine));
  EXPECT_EQ(rig.prompts.texts(), QStringList{"Operación Completada."}) << name;
  EXPECT_EQ(rig.chip.timingViolations(), 0) << name;
}

TEST(EngineChip, CodeProtectedChipReadsAsZerosUntilUnprotected) {
  protectReadAndUnprotect("PIC16F84A", 0x3FF0);
  protectReadAndUnprotect("PIC16F628", 0x3C00);
  protectReadAndUnprotect("PIC16F73", 0x0010);
}

TEST(EngineChip, FlashUnprotectErasesEepromToo) {
  ChipRig rig(shippedDevice("PIC16F84A"));
  rig.chip.setEEPromByte(3, 0x00);
  rig.chip.setIdWord(0, 0x3F81);
  EXPECT_EQ(unprotectChip(rig.engine, false), UnprotectResult::Erased);
  EXPECT_EQ(rig.chip.eepromByte(3), 0xFF);
  EXPECT_EQ(rig.chip.idWord(0), 0x3FFF);
  EXPECT_FALSE(rig.chip.inProgrammingMode());
  EXPECT_EQ(rig.chip.timingViolations(), 0);
}

TEST(EngineChip, OtpWriteSkippedWhenItsBlankCheckIsCancelled) {
  ChipRig rig(shippedDevice("PIC16C622"));
  rig.chip.setProgramWord(0, 0x0000);
  rig.image.storeProgValue(0, 0x0000);
  rig.image.storeProgValue(1, 0x1234);
  rig.image.setProgEnd(2);
  rig.prompts.cancelAnswers = {true};
  EXPECT_FALSE(writeChip(rig.engine));
  EXPECT_EQ(rig.prompts.texts(), QStringList{"Error de borrado en dir: 0000"});
  EXPECT_EQ(rig.chip.otpRecord(1).pulses, 0);
  EXPECT_EQ(rig.chip.programWord(1), 0x3FFF);
  EXPECT_FALSE(rig.chip.inProgrammingMode());
  EXPECT_TRUE(rig.host.mainEnabled);
}

TEST(EngineChip, ShortenedWaitsAreCaught) {
  struct Case {
    const char* device;
    int shortBy;
    bool eeprom;
  };
  for (const Case& c : {Case{"PIC16F628", 1, false}, Case{"PIC16F84A", 7, false},
                        Case{"PIC16F84A", 7, true}, Case{"PIC16F73", 2, false}}) {
    ChipRig rig(shippedDevice(c.device));
    ShorteningClock shortened(rig.clock, c.shortBy);
    rig.link.setClock(shortened);
    rig.host.scope(!c.eeprom, c.eeprom, false, false);
    for (int a = 0; a < 4; ++a) {
      rig.image.storeProgValue(a, 0x0100 + a);
      if (c.eeprom) rig.image.storeEeValue(a, a);
    }
    if (c.eeprom)
      rig.image.setEEPromEnd(4);
    else
      rig.image.setProgEnd(4);
    writeChip(rig.engine);
    EXPECT_GT(rig.chip.timingViolations(), 0) << c.device << c.eeprom;
    EXPECT_FALSE(rig.prompts.texts(Kind::Error).isEmpty()) << c.device << c.eeprom;
  }
}

}  // namespace
}  // namespace tavrix::test
