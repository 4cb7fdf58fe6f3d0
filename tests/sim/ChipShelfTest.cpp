#include <gtest/gtest.h>

#include "sim/ChipShelf.h"
#include "sim/SimRig.h"

namespace tavrix::test {
namespace {

TEST(ChipShelf, KeepsOneChipPerDeviceAndPutsItInTheSocket) {
  VirtualClock clock;
  VirtualBoard board;
  Link link(board, clock, [] { return 14; });
  {
    ChipShelf shelf(clock, &board);
    VirtualChip& a = shelf.select(pic16F84A());
    EXPECT_EQ(board.chip(), &a);
    link.SendCommand(CmdProgModeOn, 0);
    link.SendCommand(CmdLoadProgData, 0x0123);
    link.SendCommand(CmdBeginProg, 0);
    link.SleepMs(10);
    link.SendCommand(CmdProgModeOff, 0);

    VirtualChip& b = shelf.select(pic16F628());
    EXPECT_EQ(board.chip(), &b);
    EXPECT_EQ(b.programWord(0), 0x3FFF);
    EXPECT_EQ(&shelf.select(pic16F84A()), &a);  // back to the first device: same chip
    EXPECT_EQ(a.programWord(0), 0x0123);
    EXPECT_EQ(shelf.size(), 2);
    EXPECT_EQ(shelf.find(QStringLiteral("PIC16F628")), &b);
    EXPECT_EQ(shelf.find(QStringLiteral("PIC16F877")), nullptr);

    // The same name from another device file: a new blank chip, also in the socket.
    DeviceDef bigger = pic16F84A();
    bigger.ProgMem = 2048;
    VirtualChip& c = shelf.chipFor(bigger);
    EXPECT_EQ(c.programSize(), 2048);
    EXPECT_EQ(c.programWord(0), 0x3FFF);
    EXPECT_EQ(board.chip(), &c);
  }
  EXPECT_EQ(board.chip(), nullptr);  // the shelf emptied the socket as it went
}

}  // namespace
}  // namespace tavrix::test
