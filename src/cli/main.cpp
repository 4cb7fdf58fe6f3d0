#include <QCoreApplication>

#include <cstdio>

#include "CliCommands.h"
#include "CliOptions.h"
#include "CliTexts.h"
#include "Console.h"
#include "Interruption.h"
#include "device/FileNames.h"

using namespace tavrix::cli;

int main(int argc, char** argv) {
  // File names are bytes: the arguments are taken as they are, before Qt decodes them.
  const QStringList arguments = tavrix::namesFromArgv(argc, argv);
  QCoreApplication app(argc, argv);
  QCoreApplication::setApplicationName(texts::appName());
  QCoreApplication::setApplicationVersion(texts::version());

  Console console(stdout, stderr, Console::stderrIsTerminal());
  const ParseResult parsed = parseCommandLine(arguments);
  switch (parsed.outcome) {
    case ParseResult::Outcome::Help:
    case ParseResult::Outcome::Version:
      std::fputs(parsed.text.toUtf8().constData(), stdout);
      return kExitOk;
    case ParseResult::Outcome::UsageError:
      console.error(texts::appName() + QStringLiteral(": ") + parsed.text);
      console.error(texts::usageHint());
      return kExitFailure;
    case ParseResult::Outcome::Run:
      break;
  }
  Interruption::install();
  return runCommand(parsed.options, console);
}
