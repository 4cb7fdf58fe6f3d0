#include "app/GuiStart.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/AppTexts.h"

namespace tavrix {

namespace {

const char* startingProgram = "";
QtMessageHandler qtHandler = nullptr;

bool isSet(const char* variable) {
  const char* value = std::getenv(variable);
  return value && *value;
}

// The platform named on the command line (-platform NAME or --platform NAME), or by
// QT_QPA_PLATFORM; empty when Qt is left to choose.
bool platformChosen(int argc, char** argv) {
  if (isSet("QT_QPA_PLATFORM")) return true;
  for (int i = 1; i + 1 < argc; ++i) {
    if (std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "--platform") == 0)
      return true;
  }
  return false;
}

void tell(const char* text) {
  std::fprintf(stderr, "%s: %s\n", startingProgram, text);
  std::fflush(stderr);
}

// Qt's messages pass as usual; its fatal error while the application is built (no platform
// plugin could be started) ends the program the way a missing display does.
void onQtMessage(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (type != QtFatalMsg) {
    if (qtHandler) qtHandler(type, context, message);
    return;
  }
  tell(texts::kDisplayUnreachable);
  std::_Exit(1);
}

}  // namespace

std::unique_ptr<QApplication> startGuiApplication(int& argc, char** argv, const char* program) {
  startingProgram = program;
  if (!platformChosen(argc, argv) && !isSet("DISPLAY") && !isSet("WAYLAND_DISPLAY")) {
    tell(texts::kNoDisplay);
    return nullptr;
  }
  qtHandler = qInstallMessageHandler(onQtMessage);
  auto app = std::make_unique<QApplication>(argc, argv);
  qInstallMessageHandler(qtHandler);
  return app;
}

}  // namespace tavrix
