// The virtual chip's strict contents-file codec on any text: the parser must accept only what
// it can load, and whatever a chip loads must write back to a file that loads to the same chip.
#include "FuzzSupport.h"
#include "device/DeviceDef.h"
#include "link/VirtualClock.h"
#include "sim/ChipHexFile.h"
#include "sim/VirtualChip.h"

using namespace tavrix;

namespace {

void check(bool ok) {
  if (!ok) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Input in(data, size);
  const std::uint8_t mode = in.byte();
  const QByteArray text(reinterpret_cast<const char*>(in.data()), qsizetype(in.size()));

  std::vector<HexRecord> records;
  QString error;
  if (ChipHexFile::parse(text, &records, &error)) {
    for (const HexRecord& r : records) {
      check(r.data.size() <= 255 && r.address + r.data.size() <= 0x10000);
      // Each record written again parses to itself.
      std::vector<HexRecord> again;
      QString e;
      check(ChipHexFile::parse(
          ChipHexFile::record(r.type, r.address, r.data) + ChipHexFile::endRecord(), &again, &e));
      check(again.size() == 1 && again[0].address == r.address && again[0].data == r.data);
    }
  } else {
    check(!error.isEmpty());
  }

  DeviceDef d;
  d.Name = QStringLiteral("PIC16F877");
  d.ProgMem = (mode & 1) ? 8192 : 64;
  d.EEProm = (mode & 2) ? 256 : 0;
  d.ProgBits = (mode & 4) ? 12 : 14;
  d.ConfigStart = 0x2000;
  d.EEPromStart = 0x2100;
  static const char* const kinds[] = {"Flash", "Flash1", "OTP", "Other"};
  d.Programming = QString::fromLatin1(kinds[(mode >> 3) & 3]);
  VirtualClock clock;
  VirtualChip chip(d, clock);
  if (!chip.loadHexText(text, &error)) {
    check(!error.isEmpty());
    return 0;
  }
  const QByteArray saved = chip.hexText(&error);
  check(!saved.isEmpty());
  VirtualChip copy(d, clock);
  check(copy.loadHexText(saved, &error));
  check(copy.hexText() == saved);
  return 0;
}
