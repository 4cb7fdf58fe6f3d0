// The HEX reader on any file: ReadHexFile on the input written to a file, every question
// answered OK or every one Cancel (each question text asked once per load), on a small device,
// the default device, a device without EEPROM and a device whose values come from the input.
// After each load the image must keep its sizes and extents, and a file the writer makes of it
// must read back to the same text.
#include <QStringList>

#include <algorithm>

#include "FuzzSupport.h"
#include "device/DeviceDef.h"
#include "image/HexReader.h"
#include "image/HexText.h"
#include "image/HexWriter.h"
#include "image/MemoryImage.h"

using namespace tavrix;

namespace {

// The mode byte: bit 0 answers Cancel, bits 1-2 choose the device, bit 3 asks for the round
// trip through the writer.
DeviceDef deviceFor(std::uint8_t mode, fuzz::Input& in) {
  DeviceDef d;
  d.Name = QStringLiteral("PIC16F84A");
  d.ProgMem = 1024;  // the device file's defaults
  d.EEProm = 64;
  d.ProgBits = 14;
  d.ConfigStart = 0x2000;
  d.EEPromStart = 0x2100;
  d.Programming = QStringLiteral("Flash");
  switch ((mode >> 1) & 3) {
    case 0:
      break;
    case 1:
      d.ProgMem = 64;
      d.EEProm = 16;
      break;
    case 2:
      d.ProgMem = 2048;
      d.EEProm = 0;
      break;
    default:
      // Any values selection accepts; sizes kept small so that each input stays quick.
      d.ConfigStart = in.int32();
      d.EEPromStart = in.int32();
      d.ProgMem = std::abs(in.int32() % 2049);
      d.EEProm = in.int32() % 513;
      d.ProgBits = in.byte() % 17;
      break;
  }
  if (!deviceProblem(d).isEmpty()) __builtin_trap();
  return d;
}

void check(bool ok) {
  if (!ok) __builtin_trap();
}

void checkImage(const MemoryImage& image, const DeviceDef& d, int eeCells) {
  check(image.progCount() == d.ProgMem);
  check(image.eeCount() == eeCells);
  check(image.ProgEnd() >= 0 && image.ProgEnd() <= d.ProgMem);
  check(image.EEPromEnd() >= 0 && image.EEPromEnd() <= std::max(d.EEProm, 0));
  check(image.GetPalConf() >= 0 && image.GetPalConf() <= 0x3FFF);
}

// Each question text is asked at most once per load, and a closing box counts what a
// repeated one covered.
class QuestionsOnce : public fuzz::FixedPrompts {
 public:
  using FixedPrompts::FixedPrompts;
  bool AskOnError(const QString& text) override {
    if (asked_.contains(text)) __builtin_trap();
    asked_ << text;
    return FixedPrompts::AskOnError(text);
  }
  void ShowSummary(const QString& text) override {
    if (!text.startsWith(u"Hex File: ") || asked_.isEmpty()) __builtin_trap();
    FixedPrompts::ShowSummary(text);
  }

 private:
  QStringList asked_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Input in(data, size);
  const std::uint8_t mode = in.byte();
  const DeviceDef device = deviceFor(mode, in);
  const QString path = fuzz::writeInput("in.hex", in.data(), in.size());

  QuestionsOnce prompts(mode & 1);
  MemoryImage image(device);
  image.ResetEEPromGrid();
  image.ResetProgramGrid();
  const int eeCells = image.eeCount();
  int opened = 0;
  const HexLoad result = ReadHexFile(path, image, prompts, [&](const QString& p) {
    check(p == path);
    ++opened;
  });
  check(result != HexLoad::NotOpened && opened == 1);
  checkImage(image, device, eeCells);
  if (result != HexLoad::Completed) return 0;

  // Past the extents the load leaves blank words and erased bytes.
  const QString blank = hexText(blankWord(device), 4);
  for (int a = image.ProgEnd(); a < device.ProgMem; ++a) check(image.progText(a) == blank);
  for (int e = image.EEPromEnd(); e < eeCells; ++e) check(image.eeText(e) == u"FF");

  // What the writer makes of the image reads back to the very same text.
  if (!(mode & 8)) return 0;
  const auto text = hexFileText(image);
  if (!text || device.ConfigStart != 0x2000) return 0;
  const QString again =
      fuzz::writeInput("again.hex", reinterpret_cast<const std::uint8_t*>(text->constData()),
                       std::size_t(text->size()));
  fuzz::FixedPrompts quiet(false);
  MemoryImage copy(device);
  copy.ResetEEPromGrid();
  copy.ResetProgramGrid();
  check(ReadHexFile(again, copy, quiet) == HexLoad::Completed);
  check(quiet.boxes == 0);
  check(copy.ProgEnd() == device.ProgMem && copy.EEPromEnd() == std::max(device.EEProm, 0));
  const auto second = hexFileText(copy);
  check(second && *second == *text);
  return 0;
}
