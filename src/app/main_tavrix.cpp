#include <QApplication>

#include "app/MessageBoxPrompts.h"
#include "app/ProgramEntry.h"
#include "app/QtTranslation.h"
#include "app/TTavrixForm.h"
#include "link/LptPort.h"

// Tavrix on the parallel port: /etc/Tavrix.ini, /dev/lp0..2 and the real clock.
int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Tavrix"));
  QApplication::setApplicationVersion(QStringLiteral("1.01"));

  // Before any window exists, so that every Qt text is built in Spanish.
  tavrix::installQtSpanish();

  tavrix::MessageBoxPrompts prompts;
  tavrix::StartupOptions options;
  options.openPort = []() -> std::unique_ptr<tavrix::Port> {
    auto port = std::make_unique<tavrix::LptPort>("/dev");
    if (port->PortOpen() < 1) return nullptr;
    return port;
  };
  tavrix::TTavrixForm form(prompts, options);
  prompts.setParent(&form);
  return tavrix::RunProgram(form);
}
