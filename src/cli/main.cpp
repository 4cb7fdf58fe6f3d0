#include <QCoreApplication>

#include <cstdio>

#include "CliCommands.h"
#include "CliOptions.h"
#include "CliTexts.h"
#include "Console.h"
#include "ParserSpanish.h"
#include "device/FileNames.h"
#include "device/VisibleText.h"
#include "link/EndingSignals.h"

using namespace tavrix::cli;

namespace {

int run(int argc, char** argv, Console& console) {
  // File names are bytes: the arguments are taken as they are, before Qt decodes them.
  const QStringList arguments = tavrix::namesFromArgv(argc, argv);
  QCoreApplication app(argc, argv);
  QCoreApplication::setApplicationName(texts::appName());
  QCoreApplication::setApplicationVersion(texts::version());
  ParserSpanish parserSpanish;
  QCoreApplication::installTranslator(&parserSpanish);

  const ParseResult parsed = parseCommandLine(arguments);
  switch (parsed.outcome) {
    case ParseResult::Outcome::Help:
    case ParseResult::Outcome::Version:
      std::fputs(tavrix::visibleText(parsed.text, tavrix::LineFeeds::kKeep).toUtf8().constData(),
                 stdout);
      return kExitOk;
    case ParseResult::Outcome::UsageError:
      console.error(texts::appName() + QStringLiteral(": ") + parsed.text);
      console.error(texts::usageHint());
      return kExitFailure;
    case ParseResult::Outcome::Run:
      break;
  }
  return runCommand(parsed.options, console);
}

}  // namespace

int main(int argc, char** argv) {
  // Before anything can touch a port: any signal that ends the tool leaves the board idle, and
  // a closed pipe or the file size limit is a write error reported where it happens.
  tavrix::EndingSignals::install();
  Console console(stdout, stderr, Console::stderrIsTerminal());
  const int status = run(argc, argv, console);
  // Output that could not be written ends the command with 2, whatever it did.
  return console.finish() ? status : kExitFailure;
}
