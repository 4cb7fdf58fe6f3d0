#pragma once

#include <QString>

#include "device/DeviceDef.h"
#include "image/MemoryImage.h"

namespace tavrix {

// What choosing a device changes in the core; the GUI's SelectDevice and the command-line tool
// both call it. `image` must be the image built over `ctx.CurrentDevice`.
//
// Reads the section `name` afresh from ctx.ConfigPath.
// - Refused (the device's values would exhaust memory or break the wire protocol: ProgMem
//   outside 0..32768, EEProm above 32768, ProgBits outside 0..16): returns the message to show
//   and changes nothing at all. The previous device stays current with its grids, word and
//   extents, so the GUI must keep the previous item ticked and show the message.
// - Accepted: returns an empty text after, in this order, storing Name, ProgMem, EEProm,
//   ProgBits, RAM, ConfigStart and EEPromStart into ctx.CurrentDevice; loading PalConfDef into
//   the image's configuration word (SetPalConf); storing Programming; when EEProm > 0 resetting
//   the EEPROM cells (ResetEEPromGrid, EEPromEnd 0), otherwise leaving the EEPROM cells and
//   EEPromEnd as they were; resetting program memory (ResetProgramGrid, ProgEnd 0).
//   ctx.CurrentDevice.PalConfDef and .PalConf hold the section's values afterwards: the GUI
//   gives PalConf to the configuration editor's SetPalNames, enables the EEPROM grid exactly
//   when EEProm > 0, ticks the item and refreshes the status bar.
QString SelectDeviceCore(DeviceContext& ctx, MemoryImage& image, const QString& name);

}  // namespace tavrix
