#include "CliSession.h"

#include "CliTexts.h"
#include "Console.h"
#include "device/DeviceFile.h"
#include "device/DeviceTexts.h"
#include "device/FileNames.h"
#include "device/IniFile.h"
#include "image/DeviceSelection.h"
#include "image/HexReader.h"
#include "image/HexWriter.h"

namespace tavrix::cli {

CliSession::CliSession(const CliOptions& options, Console& console)
    : options_(options),
      console_(console),
      image_(devices_.CurrentDevice),
      prompts_(console, options.keepGoing) {
  devices_.ConfigPath = options.iniPath;
}

bool CliSession::selectDevice() {
  const DeviceList list = ReadDeviceList(devices_.ConfigPath);
  if (!list.problem.isEmpty()) {
    prompts_.AskOnError(::tavrix::texts::configFileUnreadable(devices_.ConfigPath, list.problem));
    return false;
  }
  portDevice_ = list.portDevice;
  if (list.devices.isEmpty()) {
    prompts_.AskOnError(::tavrix::texts::configFileMissing(devices_.ConfigPath));
    return false;
  }
  // Names are matched exactly, as the device menu's captions are; a name given as bytes is
  // read as the file's names are.
  const QString name = options_.device.isEmpty() ? list.devices.first()
                                                 : IniFile::decode(nameToBytes(options_.device));
  if (!list.devices.contains(name)) {
    prompts_.AskOnError(texts::unknownDevice(name, devices_.ConfigPath));
    return false;
  }
  const QString refusal = SelectDeviceCore(devices_, image_, name);
  if (!refusal.isEmpty()) {
    prompts_.AskOnError(refusal);
    // The first device is the one taken without --device; when none of the file's devices
    // could be used either, that is what is said last.
    if (options_.device.isEmpty() && !HasUsableDevice(list))
      prompts_.AskOnError(::tavrix::texts::noUsableDevice(devices_.ConfigPath));
    return false;
  }
  // Start-up shows FFFF in the identifier box.
  image_.ShowIdent(0xFFFF);
  return true;
}

int CliSession::loadHex(const QString& path) {
  prompts_.resetCounts();
  const HexLoad load = ReadHexFile(path, image_, prompts_);
  if (load != HexLoad::Completed) return 2;
  if (prompts_.questions() > 0 && !options_.keepGoing) {
    console_.error(texts::hexLoadStopped());
    return 2;
  }
  return 0;
}

void CliSession::warnOnce(const QString& text) {
  if (warned_.contains(text)) return;
  warned_ << text;
  console_.error(QStringLiteral("Aviso: ") + text);
}

bool CliSession::saveHex(const QString& path) {
  return WriteHexFile(path, image_, prompts_) == HexSave::Saved;
}

}  // namespace tavrix::cli
