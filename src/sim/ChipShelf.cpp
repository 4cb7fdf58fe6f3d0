#include "sim/ChipShelf.h"

namespace tavrix {

namespace {

bool sameDefinition(const DeviceDef& a, const DeviceDef& b) {
  return a.Name == b.Name && a.ProgMem == b.ProgMem && a.EEProm == b.EEProm &&
         a.ProgBits == b.ProgBits && a.ConfigStart == b.ConfigStart &&
         a.EEPromStart == b.EEPromStart && a.PalConf == b.PalConf &&
         a.Programming == b.Programming && a.DeviceID == b.DeviceID;
}

}  // namespace

ChipShelf::~ChipShelf() {
  if (!board_) return;
  for (const auto& [name, chip] : chips_)
    if (board_->chip() == chip.get()) board_->setChip(nullptr);
}

VirtualChip& ChipShelf::select(const DeviceDef& device) {
  VirtualChip& chip = chipFor(device);
  if (board_) board_->setChip(&chip);
  return chip;
}

VirtualChip& ChipShelf::chipFor(const DeviceDef& device) {
  std::unique_ptr<VirtualChip>& slot = chips_[device.Name];
  if (!slot || !sameDefinition(slot->device(), device)) {
    auto fresh = std::make_unique<VirtualChip>(device, *clock_);
    if (board_ && slot && board_->chip() == slot.get()) board_->setChip(fresh.get());
    slot = std::move(fresh);
  }
  return *slot;
}

VirtualChip* ChipShelf::find(const QString& name) const {
  const auto it = chips_.find(name);
  return it == chips_.end() ? nullptr : it->second.get();
}

}  // namespace tavrix
