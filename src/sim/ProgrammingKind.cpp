#include "sim/ProgrammingKind.h"

namespace tavrix {

void ProgrammingKind::spoilWord(ChipCells& cells, std::uint16_t address) const {
  if (!cells.writable(address)) return;
  cells.storeWord(address, 0);
  if (OtpCellRecord* record = cells.recordAt(address)) record->afterEqual = -1;
}

std::unique_ptr<ProgrammingKind> makeProgrammingKind(const DeviceDef& device) {
  switch (kindOf(device)) {
    case DeviceKind::Flash1:
      return makeFlash1Kind();
    case DeviceKind::OTP:
      return makeOtpKind();
    case DeviceKind::Flash:
    case DeviceKind::Other:
      break;
  }
  return makeFlashKind(device);
}

}  // namespace tavrix
