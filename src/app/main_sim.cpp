#include <QApplication>

#include "app/MessageBoxPrompts.h"
#include "app/ProgramEntry.h"
#include "app/TTavrixForm.h"
#include "app/VirtualProgrammer.h"
#include "link/RealClock.h"

// Tavrix on the virtual programmer board: the same windows, a simulated chip per device and the
// real clock, so the progress window shows real progress.
int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Tavrix"));
  QApplication::setApplicationVersion(QStringLiteral("1.01"));

  tavrix::RealClock clock;
  tavrix::VirtualProgrammer programmer(clock);
  tavrix::MessageBoxPrompts prompts;
  tavrix::TTavrixForm form(prompts,
                           programmer.startupOptions(tavrix::VirtualProgrammer::defaultConfigPath(
                               QStringLiteral(TAVRIX_SHIPPED_INI))));
  prompts.setParent(&form);
  return tavrix::RunProgram(form);
}
