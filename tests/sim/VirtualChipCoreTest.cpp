// What every programming kind shares: the address counter, programming mode, and the seam
// through which a kind's cycles are timed and checked.
#include <gtest/gtest.h>

#include <memory>

#include "sim/SimRig.h"

namespace tavrix::test {
namespace {

TEST(VirtualChipCore, ReachesIdsAndConfigurationWordThroughLoadConfiguration) {
  SimRig rig(pic16F84A());
  rig.modeOn();
  rig.send(CmdLoadConfig, 0);
  EXPECT_EQ(rig.chip.addressCounter(), 0x2000);
  for (int p = 0; p < 4; ++p) {
    rig.flashWord(static_cast<std::uint16_t>(0x3F80 + p + 1));
    rig.inc();
  }
  EXPECT_EQ(rig.read(), 0x3FFF);  // 0x2004
  rig.inc(2);
  EXPECT_EQ(rig.read(), 0x3FFF);  // 0x2006: no device ID
  rig.flashWord(0x0055);          // ignored there
  rig.inc();
  EXPECT_EQ(rig.chip.addressCounter(), 0x2007);
  rig.flashWord(0x3FF1);
  EXPECT_EQ(rig.read(), 0x3FF1);
  rig.modeOff();

  EXPECT_EQ(rig.chip.configWord(), 0x3FF1);
  for (int p = 0; p < 4; ++p) EXPECT_EQ(rig.chip.idWord(p), 0x3F80 + p + 1);
  EXPECT_EQ(rig.chip.programWord(6), 0x3FFF);  // the configuration space is not program memory

  rig.modeOn();
  rig.send(CmdLoadConfig, 0);
  std::vector<std::uint16_t> space;
  for (int i = 0; i < 8; ++i) {
    space.push_back(rig.read());
    rig.inc();
  }
  EXPECT_EQ(space, (std::vector<std::uint16_t>{0x3F81, 0x3F82, 0x3F83, 0x3F84, 0x3FFF, 0x3FFF,
                                               0x3FFF, 0x3FF1}));
  EXPECT_EQ(rig.chip.timingViolations(), 0);
}

TEST(VirtualChipCore, AddressCounterWrapsInBothHalves) {
  SimRig rig(pic16F84A());
  rig.chip.setProgramWord(0, 0x0ABC);
  rig.chip.setProgramWord(1, 0x0DEF);
  rig.modeOn();
  rig.inc(1024);  // program words alias modulo ProgMem
  EXPECT_EQ(rig.chip.addressCounter(), 1024);
  EXPECT_EQ(rig.read(), 0x0ABC);
  rig.inc(0x2000 - 1024);
  EXPECT_EQ(rig.chip.addressCounter(), 0);  // 0x1FFF + 1 wraps to 0, not into the configuration
  rig.inc();
  EXPECT_EQ(rig.read(), 0x0DEF);

  rig.chip.setIdWord(0, 0x3F8A);
  rig.send(CmdLoadConfig, 0);
  rig.inc(0x2000);  // 0x3FFF + 1 wraps to 0x2000
  EXPECT_EQ(rig.chip.addressCounter(), 0x2000);
  EXPECT_EQ(rig.read(), 0x3F8A);
  rig.send(CmdLoadConfig, 0);  // Load Configuration from the configuration space goes to 0x2000
  EXPECT_EQ(rig.chip.addressCounter(), 0x2000);
}

TEST(VirtualChipCore, ReenteringProgrammingModeResetsTheCounter) {
  SimRig rig(pic16F84A());
  rig.modeOn();
  rig.inc(5);
  rig.send(CmdLoadConfig, 0);
  rig.inc(3);
  EXPECT_EQ(rig.chip.addressCounter(), 0x2003);
  EXPECT_TRUE(rig.chip.inProgrammingMode());
  rig.modeOff();
  EXPECT_FALSE(rig.chip.inProgrammingMode());
  rig.modeOn();
  EXPECT_TRUE(rig.chip.inProgrammingMode());
  EXPECT_EQ(rig.chip.addressCounter(), 0);
  rig.flashWord(0x0123);
  EXPECT_EQ(rig.chip.programWord(0), 0x0123);

  // The latch is blank again too: a Begin with no load writes the blank word.
  rig.modeOff();
  rig.modeOn();
  rig.send(CmdBeginProg);
  rig.sleep(10);
  EXPECT_EQ(rig.chip.programWord(0), 0x3FFF);
}

// A programming kind that writes down what the chip's core asks of it and times its cycles as
// the test says: closed by End Programming, or busy for 3 ms.
struct ProbeLog {
  std::vector<QString> calls;
};

class ProbeKind final : public ProgrammingKind {
 public:
  enum class Cycle { HostTimed, SelfTimed };
  ProbeKind(ProbeLog& log, Cycle cycle, bool eraseSetup)
      : log_(log), cycle_(cycle), eraseSetup_(eraseSetup) {}

  int latchFor(std::uint16_t counter) const override { return counter & 1; }
  bool eraseSetup() const override { return eraseSetup_; }

  void begin(ChipCycles& chip, bool afterSetup) override {
    log_.calls.push_back(QStringLiteral("begin %1 setup=%2 latches %3 %4")
                             .arg(chip.counter(), 4, 16, QLatin1Char('0'))
                             .arg(afterSetup)
                             .arg(chip.latch(0), 4, 16, QLatin1Char('0'))
                             .arg(chip.latch(1), 4, 16, QLatin1Char('0')));
    if (cycle_ == Cycle::HostTimed) {
      chip.openCycle(chip.counter());
    } else {
      chip.cells().storeWord(chip.counter(), chip.latch(0));
      chip.startBusy(3000, {CellArea::Word, chip.counter()});
    }
  }
  void end(ChipCycles& chip, std::uint16_t address, std::int64_t elapsedUs) override {
    log_.calls.push_back(QStringLiteral("end %1 after %2 us").arg(address).arg(elapsedUs));
    chip.blankLatches();
  }
  void spoilWord(ChipCells& cells, std::uint16_t address) const override {
    log_.calls.push_back(QStringLiteral("spoil %1").arg(address));
    cells.storeWord(address, 0);
  }

 private:
  ProbeLog& log_;
  Cycle cycle_;
  bool eraseSetup_;
};

TEST(ProgrammingKindSeam, HostTimedCycleEndsWithItsTimeAndAnythingElseFirstIsAViolation) {
  ProbeLog log;
  SimRig rig(pic16F84A(), std::make_unique<ProbeKind>(log, ProbeKind::Cycle::HostTimed, false));
  rig.chip.setEEPromByte(0, 0x42);
  rig.modeOn();
  rig.send(CmdLoadProgData, 0x1234);  // the kind puts counter 0 in latch 0
  rig.inc();
  rig.send(CmdLoadProgData, 0x0567);  // and counter 1 in latch 1
  rig.send(CmdBeginProg);
  rig.sleep(3);
  rig.send(CmdEndProg);
  EXPECT_EQ(rig.readEE(), 0);  // a kind without data commands reads no EEPROM
  rig.send(CmdBeginProg);
  rig.send(CmdIncAddress);  // not End: the open cycle is cut short
  rig.send(CmdEndProg);     // nothing open any more: ignored
  rig.send(CmdBeginProg);
  rig.modeOff();  // leaving programming mode cuts it short too
  EXPECT_EQ(log.calls,
            (std::vector<QString>{"begin 0001 setup=0 latches 1234 0567", "end 1 after 3000 us",
                                  "begin 0001 setup=0 latches 3fff 3fff", "spoil 1",
                                  "begin 0002 setup=0 latches 3fff 3fff", "spoil 2"}));
  EXPECT_EQ(rig.chip.timingViolations(), 2);
}

TEST(ProgrammingKindSeam,
     SelfTimedCycleIsSpoiltByAnEarlyCommandAndSetupReachesOnlyKindsThatKnowIt) {
  for (const bool setup : {true, false}) {
    SCOPED_TRACE(setup ? "kind with the erase setup" : "kind without it");
    ProbeLog log;
    SimRig rig(pic16F84A(), std::make_unique<ProbeKind>(log, ProbeKind::Cycle::SelfTimed, setup));
    rig.modeOn();
    rig.send(CmdLoadProgData, 0x0AAA);
    rig.send(CmdBeginProg);
    rig.sleep(3);  // exactly the busy time
    rig.inc();
    rig.send(CmdLoadProgData, 0x0BBB);
    rig.send(CmdBeginProg);
    rig.sleep(2);
    rig.send(CmdEraseSetup1);  // too early: word 1 spoilt
    rig.send(CmdEraseSetup2);
    rig.send(CmdBeginProg);
    rig.sleep(3);
    rig.send(CmdEraseSetup2);  // Setup 2 alone is no sequence
    rig.send(CmdBeginProg);
    rig.sleep(3);
    rig.modeOff();
    EXPECT_EQ(log.calls, (std::vector<QString>{
                             "begin 0000 setup=0 latches 0aaa 3fff",
                             "begin 0001 setup=0 latches 0aaa 0bbb",
                             "spoil 1",
                             QStringLiteral("begin 0001 setup=%1 latches 0aaa 0bbb").arg(setup),
                             "begin 0001 setup=0 latches 0aaa 0bbb",
                         }));
    EXPECT_EQ(rig.chip.timingViolations(), 1);
    EXPECT_EQ(rig.chip.programWord(0), 0x0AAA);
  }
}

}  // namespace
}  // namespace tavrix::test
