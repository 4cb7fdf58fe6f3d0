#include "CliHost.h"

#include "CliTexts.h"
#include "Console.h"
#include "image/HexText.h"
#include "image/MemoryImage.h"
#include "ops/OpTexts.h"

namespace tavrix::cli {

CliHost::CliHost(Console& console, const Areas& areas, const MemoryImage& image)
    : console_(console), areas_(areas), image_(image) {}

void CliHost::hideProgressWindow() {
  console_.clearProgress();
}

void CliHost::ShowProgress(const QString& action, const QString& area, qint64 index) {
  if (!console_.showsProgress()) return;
  // Redrawn on the progress window's own refresh points: a terminal is slower than the chip.
  if (index >= 5 && index % 16 != 0) return;
  QString line = ::tavrix::texts::progressCaption(action, area);
  if (index >= 0) {
    line += texts::progressAddress() + hexText(index, 4);
    // Where the walk ends, as the progress window's "Final Programa" and "Final EEPROM" say.
    if (area == ::tavrix::texts::areaProgram())
      line += QStringLiteral(" / ") + hexText(image_.ProgEnd(), 4);
    else if (area == ::tavrix::texts::areaEeprom())
      line += QStringLiteral(" / ") + hexText(image_.EEPromEnd(), 4);
  }
  console_.progress(line);
}

bool CliHost::stopRequested() {
  return console_.failed() || (stopWhen_ && stopWhen_());
}

}  // namespace tavrix::cli
