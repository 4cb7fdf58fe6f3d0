#include "sim/VirtualChip.h"

#include <limits>
#include <utility>

namespace tavrix {

namespace {

constexpr int kCommandBits = 6;

enum Code {
  kLoadConfig = 0,
  kSetup1 = 1,
  kLoadProgram = 2,
  kLoadData = 3,
  kReadProgram = 4,
  kReadData = 5,
  kIncrement = 6,
  kSetup2 = 7,
  kBegin = 8,
  kBulkEraseProgram = 9,
  kBulkEraseData = 11,
  kEnd = 14,
};

}  // namespace

VirtualChip::VirtualChip(const DeviceDef& device, Clock& clock)
    : VirtualChip(device, clock, makeProgrammingKind(device)) {}

VirtualChip::VirtualChip(const DeviceDef& device, Clock& clock,
                         std::unique_ptr<ProgrammingKind> programming)
    : device_(device),
      clock_(&clock),
      kind_(kindOf(device) == DeviceKind::Other ? DeviceKind::Flash : kindOf(device)),
      programming_(std::move(programming)),
      cells_(device, programming_->recordsPulses()) {}

bool VirtualChip::busy() const {
  return busyActive_ && clock_->nowUs() < busyUntilUs_;
}

OtpCellRecord VirtualChip::otpRecord(std::uint16_t address) const {
  const OtpCellRecord* record = cells_.recordAt(address);
  return record ? *record : OtpCellRecord{};
}

std::uint16_t VirtualChip::readProgramLocation() const {
  if (pc_ < kConfigBase && cells_.programProtected()) return 0;
  return cells_.wordAt(pc_);
}

std::uint16_t VirtualChip::readDataLocation() const {
  if (!programming_->dataOverWire() || eepromSize() == 0 || cells_.eepromProtected()) return 0;
  // The byte travels in bits 7..0 of the data field, upper bits 0.
  return cells_.eepromByte(pc_ % eepromSize()) & blankWord();
}

// --- The wire ---------------------------------------------------------------------------

bool VirtualChip::pgdLine() const {
  // A released line that nobody drives is pulled low on the board.
  return pins_.pgdReleased ? pgdLevel() : pins_.pgdHost;
}

void VirtualChip::applyPins(const ChipPins& pins) {
  const ChipPins old = pins_;
  const bool wasOn = modeCondition(old);
  const bool isOn = modeCondition(pins);
  pins_ = pins;
  if (inMode_ && !isOn) {
    leaveMode();
    return;
  }
  if (!wasOn && isOn) {
    // The chip enters programming mode only when PGC and PGD are low as VPP rises; otherwise it
    // stays out until the condition drops and comes back.
    if (!pins.pgc && !pgdLine()) enterMode();
    return;
  }
  if (!inMode_) return;
  if (!old.pgc && pins.pgc)
    risingEdge();
  else if (old.pgc && !pins.pgc)
    fallingEdge();
}

void VirtualChip::enterMode() {
  inMode_ = true;
  pc_ = 0;
  latch_.fill(blankWord());
  dataLatch_ = 0xFF;
  lastLoadData_ = false;
  setupStep_ = 0;
  phase_ = Phase::Command;
  bitCount_ = 0;
  code_ = 0;
  commandStarted_ = false;
  driving_ = false;
}

void VirtualChip::leaveMode() {
  // Losing VDD or VPP mid-cycle spoils the location being written.
  if (busy()) {
    ++violations_;
    corrupt(busyTarget_);
  }
  busyActive_ = false;
  if (external_.active) {
    ++violations_;
    corrupt({CellArea::Word, external_.address});
    external_.active = false;
  }
  inMode_ = false;
  driving_ = false;
  level_ = false;
  phase_ = Phase::Command;
  bitCount_ = 0;
  code_ = 0;
  commandStarted_ = false;
  setupStep_ = 0;
  latch_.fill(blankWord());
}

void VirtualChip::risingEdge() {
  switch (phase_) {
    case Phase::Command:
      if (bitCount_ == 0 && !commandStarted_) firstClock();
      break;
    case Phase::Load:
      break;
    case Phase::Read:
      if (frameClock_ < wordBits() + 2) ++frameClock_;
      if (frameClock_ >= 2 && frameClock_ <= wordBits() + 1) {
        driving_ = true;
        level_ = ((frameValue_ >> (frameClock_ - 2)) & 1u) != 0;
      } else {
        driving_ = false;  // start clock, and the stop clock's rising edge lets go
        level_ = false;
      }
      break;
  }
}

void VirtualChip::fallingEdge() {
  const bool bit = pgdLine();
  switch (phase_) {
    case Phase::Command:
      if (!commandStarted_) firstClock();
      if (bit) code_ |= 1 << bitCount_;
      if (++bitCount_ == kCommandBits) {
        const int code = code_;
        bitCount_ = 0;
        code_ = 0;
        commandStarted_ = false;
        execute(code);
      }
      break;
    case Phase::Load: {
      // Falling edge k of the frame: 0 is the start bit, 1..N the data, N + 1 the stop bit.
      const int k = frameClock_++;
      if (k >= 1 && k <= wordBits() && bit) frameValue_ |= 1u << (k - 1);
      if (k >= wordBits() + 1) {
        phase_ = Phase::Command;
        finishLoad();
      }
      break;
    }
    case Phase::Read:
      if (frameClock_ >= wordBits() + 2) {
        driving_ = false;
        level_ = false;
        phase_ = Phase::Command;
      }
      break;
  }
}

void VirtualChip::firstClock() {
  commandStarted_ = true;
  commandStartUs_ = clock_->nowUs();
  if (busyActive_ && commandStartUs_ < busyUntilUs_) {
    ++violations_;
    corrupt(busyTarget_);
  }
  busyActive_ = false;
}

void VirtualChip::execute(int code) {
  lastCommand_ = code;
  if (commandCount_ < std::numeric_limits<std::int64_t>::max()) ++commandCount_;

  if (external_.active) {
    external_.active = false;
    if (code == kEnd) {
      programming_->end(*this, external_.address, commandStartUs_ - external_.beginUs);
      setupStep_ = 0;
      return;
    }
    // A pulse or pair cycle must be closed by End Programming before anything else.
    cutShort({CellArea::Word, external_.address});
  }

  const int setupBefore = setupStep_;
  setupStep_ = 0;
  switch (code) {
    case kLoadConfig:
      pc_ = kConfigBase;
      [[fallthrough]];
    case kLoadProgram:
    case kLoadData:
      phase_ = Phase::Load;
      loadTarget_ = code == kLoadData ? LoadTarget::Data : LoadTarget::Program;
      frameClock_ = 0;
      frameValue_ = 0;
      break;
    case kReadProgram:
    case kReadData:
      phase_ = Phase::Read;
      frameClock_ = 0;
      frameValue_ = code == kReadProgram ? readProgramLocation() : readDataLocation();
      break;
    case kIncrement:
      if (pc_ < kConfigBase)
        pc_ = static_cast<std::uint16_t>((pc_ + 1) & 0x1FFF);
      else
        pc_ = static_cast<std::uint16_t>(kConfigBase | ((pc_ + 1) & 0x1FFF));
      break;
    case kSetup1:
      if (programming_->eraseSetup()) setupStep_ = 1;
      break;
    case kSetup2:
      if (programming_->eraseSetup() && setupBefore == 1) setupStep_ = 2;
      break;
    case kBegin:
      programming_->begin(*this, setupBefore == 2);
      break;
    case kBulkEraseProgram:
      programming_->bulkEraseProgram(*this);
      break;
    case kBulkEraseData:
      programming_->bulkEraseData(*this);
      break;
    default:  // End with no cycle running, and every unknown code
      break;
  }
}

void VirtualChip::finishLoad() {
  const auto value = static_cast<std::uint16_t>(frameValue_ & blankWord());
  if (loadTarget_ == LoadTarget::Program) {
    latch_[programming_->latchFor(pc_) & 1] = value;
    lastLoadData_ = false;
  } else if (programming_->dataOverWire()) {
    dataLatch_ = static_cast<std::uint8_t>(value & 0xFF);
    lastLoadData_ = true;
  }
}

void VirtualChip::startBusy(std::int64_t us, CellTarget target) {
  busyActive_ = true;
  busyUntilUs_ = clock_->nowUs() + us;
  busyTarget_ = target;
}

void VirtualChip::openCycle(std::uint16_t address) {
  external_ = {true, clock_->nowUs(), address};
}

void VirtualChip::cutShort(CellTarget target) {
  ++violations_;
  corrupt(target);
}

void VirtualChip::corrupt(const CellTarget& target) {
  if (target.area == CellArea::Word)
    programming_->spoilWord(cells_, target.address);
  else
    cells_.spoil(target);
}

}  // namespace tavrix
