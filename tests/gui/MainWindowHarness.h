#pragma once

#include <QString>

#include <memory>

#include "app/TTavrixForm.h"
#include "link/VirtualClock.h"
#include "support/ScriptedPrompts.h"
#include "support/TempFiles.h"

namespace tavrix::test {

// A main window on a temporary device file, scripted prompts and a virtual clock. The port is
// whatever `openPort` gives (a null board by default).
struct MainWindowHarness {
  explicit MainWindowHarness(const QByteArray& ini, bool withPort = true);
  explicit MainWindowHarness(StartupOptions options);

  TempFiles files;
  ScriptedPrompts prompts;
  VirtualClock clock;
  std::unique_ptr<TTavrixForm> form;

  // Start-up as the program entry runs it.
  void start() { form->Principal(); }
  QStringList panels() const;
};

// A small device file: PIC16F84A (Flash, EEPROM) then PIC16F73 (Flash1, none), PIC16C622 (OTP).
QByteArray smallIni(const QString& lastFile = QString());

}  // namespace tavrix::test
