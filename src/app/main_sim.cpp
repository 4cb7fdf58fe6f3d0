#include <QApplication>

#include <cstdio>

#include "app/GuiStart.h"
#include "app/MessageBoxPrompts.h"
#include "app/ProgramEntry.h"
#include "app/QtTranslation.h"
#include "app/TTavrixForm.h"
#include "app/VirtualProgrammer.h"
#include "device/VisibleText.h"
#include "link/EndingSignals.h"
#include "link/RealClock.h"

// Tavrix on the virtual programmer board: the same windows, a simulated chip per device and the
// real clock, so the progress window shows real progress.
int main(int argc, char** argv) {
  // Before any thread or port: a signal that ends the program leaves the board idle.
  tavrix::EndingSignals::install();
  const auto app = tavrix::startGuiApplication(argc, argv, "tavrix-sim");
  if (!app) return 1;
  QApplication::setApplicationName(QStringLiteral("Tavrix"));
  QApplication::setApplicationVersion(QStringLiteral(TAVRIX_VERSION));

  // Before any window exists, so that every Qt text is built in Spanish.
  tavrix::installQtSpanish();

  tavrix::RealClock clock;
  tavrix::VirtualProgrammer programmer(clock);
  tavrix::MessageBoxPrompts prompts;
  // A fault list that cannot be used ends the program before any window: running on a sound
  // board instead would show the user something other than what was asked for. It is said on
  // standard error for a terminal or a script, and in a box for a start from a menu.
  const QString faultProblem = programmer.takeFaultsFromEnvironment();
  if (!faultProblem.isEmpty()) {
    std::fprintf(stderr, "tavrix-sim: %s\n",
                 tavrix::visibleText(faultProblem).toLocal8Bit().constData());
    prompts.ShowError(faultProblem);
    return 2;
  }
  tavrix::TTavrixForm form(prompts,
                           programmer.startupOptions(tavrix::VirtualProgrammer::defaultConfigPath(
                               QStringLiteral(TAVRIX_SHIPPED_INI))));
  prompts.setParent(&form);
  return tavrix::RunProgram(form);
}
