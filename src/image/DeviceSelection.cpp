#include "image/DeviceSelection.h"

#include "device/DeviceFile.h"

namespace tavrix {

QString SelectDeviceCore(DeviceContext& ctx, MemoryImage& image, const QString& name) {
  Q_ASSERT(&image.device() == &ctx.CurrentDevice);
  const DeviceDef def = ReadDeviceSection(ctx.ConfigPath, name);
  const QString problem = deviceProblem(def);
  if (!problem.isEmpty()) return problem;

  DeviceDef& current = ctx.CurrentDevice;
  current.Name = name;
  current.ProgMem = def.ProgMem;
  current.EEProm = def.EEProm;
  current.ProgBits = def.ProgBits;
  current.RAM = def.RAM;
  current.ConfigStart = def.ConfigStart;
  current.EEPromStart = def.EEPromStart;
  current.PalConfDef = def.PalConfDef;
  image.SetPalConf(def.PalConfDef);
  current.Programming = def.Programming;
  current.PalConf = def.PalConf;
  current.DeviceID = def.DeviceID;
  current.UnusableDeviceID = def.UnusableDeviceID;
  if (current.EEProm > 0) image.ResetEEPromGrid();
  image.ResetProgramGrid();
  return {};
}

}  // namespace tavrix
