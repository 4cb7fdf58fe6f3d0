#pragma once

#include <QString>
#include <QStringList>

#include "CliOptions.h"
#include "CliPrompts.h"
#include "device/DeviceDef.h"
#include "image/MemoryImage.h"

namespace tavrix::cli {

class Console;

// What one command works on: the device file and the selected device, the memory image and
// the prompts. The image is sized and given its default configuration word by the same device
// selection the main window uses.
class CliSession {
 public:
  CliSession(const CliOptions& options, Console& console);

  // Reads the device list and selects --device (or the first device). False, after saying
  // why, when the file has no device, the device is not in it or the device is refused.
  bool selectDevice();

  // Loads a HEX file into the image. Returns 0 when the image may be used; 2 when the file
  // could not be read, its load was abandoned, or (without --keep-going) it raised a question.
  // With --keep-going the questions are reported, answered OK and the load goes on, as the
  // user asked: they do not change the exit status.
  int loadHex(const QString& path);

  // Saves the whole image; false (the writer said why) when nothing was saved.
  bool saveHex(const QString& path);

  const CliOptions& options() const { return options_; }
  Console& console() { return console_; }
  DeviceContext& devices() { return devices_; }
  MemoryImage& image() { return image_; }
  CliPrompts& prompts() { return prompts_; }
  // `portdevice` of the device file, read by selectDevice(); empty when the file names none.
  const QString& portDevice() const { return portDevice_; }

  // "Aviso: " and the text on stderr, the first time this text is given (a --watch round
  // repeats what the first one said).
  void warnOnce(const QString& text);

 private:
  const CliOptions& options_;
  Console& console_;
  DeviceContext devices_;
  MemoryImage image_;
  CliPrompts prompts_;
  QString portDevice_;
  QStringList warned_;
};

}  // namespace tavrix::cli
