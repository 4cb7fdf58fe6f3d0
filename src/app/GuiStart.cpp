#include "app/GuiStart.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/AppTexts.h"
#include "app/OwnedWindows.h"
#include "app/QtTranslation.h"

namespace tavrix {

namespace {

const char* startingProgram = "";
QtMessageHandler qtHandler = nullptr;

// Qt's messages while the application is built, kept until it is known whether it could be:
// a display that cannot be reached is said only by the Spanish message, without Qt's English
// lines before it.
struct HeldMessage {
  QtMsgType type;
  std::string file, function, category;
  int line;
  QString text;
};
std::vector<HeldMessage>* held = nullptr;

void pass(const HeldMessage& m) {
  const QMessageLogContext context(m.file.empty() ? nullptr : m.file.c_str(), m.line,
                                   m.function.empty() ? nullptr : m.function.c_str(),
                                   m.category.empty() ? nullptr : m.category.c_str());
  if (qtHandler) {
    qtHandler(m.type, context, m.text);
  } else {
    std::fprintf(stderr, "%s\n", qUtf8Printable(qFormatLogMessage(m.type, context, m.text)));
  }
}

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
    if (held) {
      held->push_back({type, context.file ? context.file : "",
                       context.function ? context.function : "",
                       context.category ? context.category : "", context.line, message});
    }
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
  takeSpanishFormatting();
  std::vector<HeldMessage> messages;
  held = &messages;
  qtHandler = qInstallMessageHandler(onQtMessage);
  auto app = std::make_unique<QApplication>(argc, argv);
  qInstallMessageHandler(qtHandler);
  held = nullptr;
  // Built: what Qt said meanwhile is said now, as it would have been.
  for (const HeldMessage& m : messages) pass(m);
  new OwnedWindows(app.get());
  return app;
}

}  // namespace tavrix
