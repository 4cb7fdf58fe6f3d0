#include "gui/MainWindowHarness.h"

#include <QLabel>

#include "link/NullPort.h"

namespace tavrix::test {

MainWindowHarness::MainWindowHarness(const QByteArray& ini, bool withPort) {
  StartupOptions options;
  options.configPath = files.write("Tavrix.ini", ini);
  if (withPort)
    options.openPort = [](const QString&) { return std::unique_ptr<Port>(new NullPort); };
  else
    options.openPort = [](const QString&) { return std::unique_ptr<Port>(); };
  options.clock = &clock;
  form = std::make_unique<TTavrixForm>(prompts, options);
}

MainWindowHarness::MainWindowHarness(StartupOptions options) {
  if (!options.clock) options.clock = &clock;
  form = std::make_unique<TTavrixForm>(prompts, options);
}

QStringList MainWindowHarness::panels() const {
  QStringList out;
  for (QLabel* panel : form->leftPanels) out.append(panel->text());
  return out;
}

QByteArray smallIni(const QString& lastFile) {
  return "[Config]\nlastfile=" + lastFile.toUtf8() +
         "\n"
         "[PIC16F84A]\nProgMem=1024\nEEProm=64\nRAM=68\nPalConfDef=$3FF1\n"
         "PalConf=CP CP CP CP CP CP CP CP CP CP _PWRTE WDTE FOSC1 FOSC0\nProgramming=Flash\n"
         "[PIC16F73]\nProgMem=4096\nEEProm=0\nRAM=192\nPalConfDef=$3FFF\n"
         "PalConf=- - - - - - - _BODEN - CP _PWRTE WDTE FOSC1 FOSC0\nProgramming=Flash1\n"
         "[PIC16C622]\nProgMem=2048\nEEProm=0\nRAM=128\nPalConfDef=$3FF1\nProgramming=OTP\n";
}

}  // namespace tavrix::test
