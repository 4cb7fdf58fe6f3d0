// Faults on the virtual board: the fault list, and what the host sees of each fault through the
// link and the status line.
#include <gtest/gtest.h>

#include "sim/BoardFaults.h"
#include "sim/SimRig.h"

namespace tavrix::test {
namespace {

TEST(BoardFaults, ListsParseOrSayWhatIsWrong) {
  struct Good {
    const char* list;
    const char* names;
  };
  for (const Good& g : {Good{"nochip", "nochip"}, Good{" slow , data1 ", "data1,slow"},
                        Good{"novpp,nochip,novpp", "nochip,novpp"},
                        Good{"slow,data0,novpp,nochip", "nochip,novpp,data0,slow"}}) {
    SCOPED_TRACE(g.list);
    BoardFaults faults;
    QString problem;
    ASSERT_TRUE(parseBoardFaults(QString::fromLatin1(g.list), &faults, &problem));
    EXPECT_EQ(faults.names(), QLatin1String(g.names));
    EXPECT_TRUE(faults.any());
  }
  EXPECT_EQ(BoardFaults{}.names(), QString());

  const QString known = QStringLiteral(" (se admiten nochip, novpp, data0, data1, slow).");
  struct Bad {
    const char* list;
    QString problem;
  };
  for (const Bad& b : {Bad{"nochip,vpp", "fallo de placa desconocido: «vpp»" + known},
                       Bad{"NOCHIP", "fallo de placa desconocido: «NOCHIP»" + known},
                       Bad{"slow,", "fallo de placa desconocido: «»" + known},
                       Bad{"", "fallo de placa desconocido: «»" + known},
                       Bad{"data1,data0", QStringLiteral("data0 y data1 no pueden ir juntos: la "
                                                         "línea de datos se queda fija en un "
                                                         "solo nivel.")}}) {
    SCOPED_TRACE(b.list);
    BoardFaults faults;
    faults.slow = true;
    QString problem;
    EXPECT_FALSE(parseBoardFaults(QString::fromLatin1(b.list), &faults, &problem));
    EXPECT_EQ(problem, b.problem);
    EXPECT_EQ(faults.names(), QLatin1String("slow"));  // left as it was
  }
}

// What the host reads of each fault. The chip holds a program, a configuration word and its
// identification word; a sound board reads them back.
TEST(BoardFaults, EachFaultAsTheHostSeesIt) {
  struct Case {
    const char* faults;
    int config;      // configuration word read
    int id;          // identification word read
    int drivenHigh;  // status with the board driving PGD high, then low
    int drivenLow;
    bool writes;      // a write pass reaches the chip
    int lastCommand;  // the last command the chip decoded (-1: none)
  };
  // A stuck line is stuck for the chip too: at 0 it decodes nothing but Load Configuration with
  // data 0; at 1 it never enters programming mode.
  const Case cases[] = {
      {"", 0x3FF1, 0x0561, 0x40, 0x00, true, CmdBeginProg},
      {"nochip", 0x0000, 0x0000, 0x40, 0x00, false, -1},
      {"novpp", 0x0000, 0x0000, 0x40, 0x00, false, -1},
      {"data0", 0x0000, 0x0000, 0x00, 0x00, false, CmdLoadConfig},
      {"data1", 0x3FFF, 0x3FFF, 0x40, 0x40, false, -1},
      {"slow", 0x3FF1, 0x0561, 0x40, 0x00, true, CmdBeginProg},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.faults);
    SimRig rig(shippedDevice("PIC16F84A"));
    rig.chip.setConfigWord(0x3FF1);
    rig.chip.setProgramWord(0, 0x2805);
    BoardFaults faults;
    QString problem;
    if (*c.faults) {
      ASSERT_TRUE(parseBoardFaults(QLatin1String(c.faults), &faults, &problem));
    }
    rig.board.setFaults(faults);
    std::int64_t waited = 0;
    int waits = 0;
    rig.board.setRealWait([&](std::int64_t us) {
      waited += us;
      ++waits;
    });
    const std::int64_t before = rig.clock.nowUs();

    EXPECT_EQ(readConfigSpace(rig.link, 7), c.config);
    EXPECT_EQ(readConfigSpace(rig.link, 6), c.id);
    rig.raw({0x01});
    EXPECT_EQ(rig.board.readStatus(), c.drivenHigh);
    rig.raw({0x00});
    EXPECT_EQ(rig.board.readStatus(), c.drivenLow);

    // A word written as the engine writes it, then looked at on the chip itself.
    rig.modeOn();
    rig.flashWord(0x0123);
    rig.modeOff();
    EXPECT_EQ(rig.chip.programWord(0), c.writes ? 0x0123 : 0x2805);
    EXPECT_EQ(rig.chip.configWord(), 0x3FF1);
    EXPECT_EQ(rig.chip.timingViolations(), 0);
    EXPECT_EQ(rig.chip.lastCommand(), c.lastCommand);

    // Only the slow board spends time on its bytes: real time, and the virtual clock as much.
    const std::int64_t bytes = static_cast<std::int64_t>(rig.board.bytesWritten());
    EXPECT_EQ(waits, faults.slow ? bytes : 0);
    EXPECT_EQ(waited, faults.slow ? bytes * kSlowByteUs : 0);
    rig.board.setVirtualClock(&rig.clock);
    const std::int64_t sleeps = rig.clock.nowUs() - before;
    rig.raw({0x24, 0x24});
    EXPECT_EQ(rig.clock.nowUs() - before - sleeps, faults.slow ? 2 * kSlowByteUs : 0);
  }
}

TEST(BoardFaults, EmptySocketTakesTheChipOutAndGivesItBack) {
  SimRig rig(shippedDevice("PIC16F84A"));
  rig.modeOn();
  rig.inc(3);
  BoardFaults faults;
  faults.noChip = true;
  rig.board.setFaults(faults);
  EXPECT_FALSE(rig.chip.inProgrammingMode());  // it lost its supply
  EXPECT_EQ(rig.board.chip(), &rig.chip);
  rig.board.setFaults({});
  // Back under lines at 0x08: powered with VPP on, it starts a new pass at address 0.
  EXPECT_TRUE(rig.chip.inProgrammingMode());
  EXPECT_EQ(rig.chip.addressCounter(), 0);
  EXPECT_EQ(rig.read(), 0x3FFF);
}

}  // namespace
}  // namespace tavrix::test
