#include <QApplication>

#include <iostream>

#include "app/GuiStart.h"
#include "app/MessageBoxPrompts.h"
#include "app/ProgramEntry.h"
#include "app/QtTranslation.h"
#include "app/RealPortOpener.h"
#include "app/TTavrixForm.h"
#include "link/EndingSignals.h"

// Tavrix on the parallel port: /etc/Tavrix.ini, its `portdevice` or the search of /dev/lp0..2
// and /dev/parport0..2, and the real clock.
int main(int argc, char** argv) {
  // Before any thread or port: a signal that ends the program leaves the board idle.
  tavrix::EndingSignals::install();
  const auto app = tavrix::startGuiApplication(argc, argv, "tavrix");
  if (!app) return 1;
  QApplication::setApplicationName(QStringLiteral("Tavrix"));
  QApplication::setApplicationVersion(QStringLiteral(TAVRIX_VERSION));

  // Before any window exists, so that every Qt text is built in Spanish.
  tavrix::installQtSpanish();

  tavrix::MessageBoxPrompts prompts;
  tavrix::StartupOptions options;
  options.openPort = tavrix::realPortOpener(tavrix::systemPorts(), "/dev", &std::cerr);
  tavrix::TTavrixForm form(prompts, options);
  prompts.setParent(&form);
  return tavrix::RunProgram(form);
}
