// The virtual chip's byte decoder: a VirtualBoard with a VirtualChip, fed data-line bytes
// interleaved with status reads, clock advances and whole link commands (so that deep states
// are reached as readily as odd ones), on a sound board or one with a fault. Afterwards the
// chip's contents must stay within its word width and survive its own contents file.
#include <QStringList>

#include "FuzzSupport.h"
#include "device/DeviceDef.h"
#include "link/Link.h"
#include "link/VirtualClock.h"
#include "sim/BoardFaults.h"
#include "sim/VirtualBoard.h"
#include "sim/VirtualChip.h"

using namespace tavrix;

namespace {

void check(bool ok) {
  if (!ok) __builtin_trap();
}

// Bits 5-6 of the first byte: a sound board, an empty socket, no VPP, or a stuck data line.
// The slow fault changes no logic, only real time, and is left out.
BoardFaults faultsFor(std::uint8_t kind, std::uint8_t fill) {
  BoardFaults faults;
  switch ((kind >> 5) & 3) {
    case 1:
      faults.noChip = true;
      break;
    case 2:
      faults.noVpp = true;
      break;
    case 3:
      (fill & 2 ? faults.data1 : faults.data0) = true;
      break;
    default:
      break;
  }
  return faults;
}

DeviceDef deviceFor(fuzz::Input& in) {
  const std::uint8_t kind = in.byte();
  const std::uint8_t size = in.byte();
  DeviceDef d;
  static const char* const kinds[] = {"Flash", "Flash1", "OTP", "flash"};
  static const char* const names[] = {"PIC16F84A", "PIC16F628", "PIC16F73", "PIC16C622"};
  d.Programming = QString::fromLatin1(kinds[kind & 3]);
  d.Name = QString::fromLatin1(names[(kind >> 2) & 3]);
  static const qint32 ids[] = {0x0560, 0x07C0, 0x0600, kNoDeviceId};
  d.DeviceID = ids[(kind >> 2) & 3];
  // Mostly the usual 14-bit word; any width up to 16 on some inputs.
  d.ProgBits = (kind & 0x80) ? size % 17 : ((kind & 0x10) ? 12 : 14);
  d.ProgMem = 16 * (size & 0x0F);  // small, so that erasing and saving stay quick
  d.EEProm = 8 * ((size >> 4) & 0x07);
  d.ConfigStart = 0x2000;
  d.EEPromStart = 0x2100;
  // Protection bits named as the device file names them, highest bit first.
  d.PalConf = (size & 0x80) ? QStringLiteral("CP1 CP0 - - - CPD LVP BODEN CP1 CP0 PWRTE WDTE F1 F0")
                            : QStringLiteral("CP CP CP CP CP CP CP CP CP PWRTE WDTE F1 F0 -");
  return d;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Input in(data, size);
  const std::uint8_t kind = size > 0 ? data[0] : 0;
  const DeviceDef device = deviceFor(in);
  VirtualClock clock(1000);
  VirtualChip chip(device, clock);
  // Some contents to read and protect, from the input's own bytes.
  const std::uint8_t fill = in.byte();
  for (int a = 0; a < chip.programSize(); ++a)
    chip.setProgramWord(a, static_cast<std::uint16_t>(a * 0x0123 + fill));
  for (int e = 0; e < chip.eepromSize(); ++e) chip.setEEPromByte(e, std::uint8_t(e + fill));
  if (fill & 1) chip.setConfigWord(static_cast<std::uint16_t>(fill * 0x57));

  VirtualBoard board(&chip);
  board.setFaults(faultsFor(kind, fill));
  board.setVirtualClock(&clock);
  const int width = (fill & 0x80) ? in.byte() % 17 : device.ProgBits;
  Link link(board, clock, [width] { return width; });
  while (in.size() > 0) {
    const std::uint8_t op = in.byte();
    if (op < 0xC0) {
      check(board.writeByte(op & 0x3F));
    } else if (op < 0xD0) {
      const std::uint8_t status = board.readStatus();
      check(status == 0 || status == 0x40);
    } else if (op < 0xE0) {
      clock.advanceUs(std::int64_t{op & 0x0F} * 97);
    } else if (op < 0xF0) {
      const int code = in.byte() & 0x7F;
      const std::uint32_t word = (std::uint32_t{in.byte()} << 8) | in.byte();
      const std::int32_t r = link.SendCommand(code, word);
      check(r >= -2 && r < 0x10000);
    } else {
      clock.sleepMs(op & 0x0F);
    }
  }

  const std::uint16_t blank = chip.blankWord();
  for (int a = 0; a < chip.programSize(); ++a) check((chip.programWord(a) & ~blank) == 0);
  for (int i = 0; i < VirtualChip::kIdCount; ++i) check((chip.idWord(i) & ~blank) == 0);
  check((chip.configWord() & ~blank) == 0);
  check((chip.deviceIdWord() & ~blank) == 0);

  // The contents file keeps everything a chip of the same device holds.
  QString error;
  const QByteArray text = chip.hexText(&error);
  if (text.isEmpty()) return 0;
  VirtualClock otherClock;
  VirtualChip copy(device, otherClock);
  check(copy.loadHexText(text, &error));
  check(copy.hexText() == text);
  return 0;
}
