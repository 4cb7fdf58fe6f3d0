#include "CliOptions.h"

#include <QCommandLineOption>
#include <QCommandLineParser>

#include "BoardCliTexts.h"
#include "CliTexts.h"

namespace tavrix::cli {

namespace {

struct CommandShape {
  const char* name;
  int argCount;
  const char* usage;
};

constexpr CommandShape kCommands[] = {
    {"devices", 0, "devices"},
    {"read", 1, "read OUT.hex"},
    {"write", 1, "write IN.hex"},
    {"verify", 1, "verify IN.hex"},
    {"blank", 0, "blank"},
    {"unprotect", 0, "unprotect"},
    {"hex", 2, "hex IN.hex OUT.hex"},
    {"board-test", 0, "board-test"},
    {"identify", 0, "identify"},
};

ParseResult usageError(const QString& problem) {
  ParseResult r;
  r.outcome = ParseResult::Outcome::UsageError;
  r.text = problem;
  return r;
}

}  // namespace

bool parseAreas(const QString& list, Areas* areas, QString* problem) {
  Areas chosen{false, false, false, false};
  bool any = false;
  for (const QString& raw : list.split(QLatin1Char(','))) {
    const QString name = raw.trimmed();
    if (name == QLatin1String("prog")) {
      chosen.prog = true;
    } else if (name == QLatin1String("eeprom")) {
      chosen.eeprom = true;
    } else if (name == QLatin1String("config")) {
      chosen.config = true;
    } else if (name == QLatin1String("id")) {
      chosen.id = true;
    } else {
      *problem = texts::unknownArea(name);
      return false;
    }
    any = true;
  }
  if (!any) {
    *problem = texts::emptyOption(QStringLiteral("areas"));
    return false;
  }
  *areas = chosen;
  return true;
}

ParseResult parseCommandLine(const QStringList& arguments) {
  QCommandLineParser parser;
  parser.setApplicationDescription(texts::description());
  parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
  const QCommandLineOption help = parser.addHelpOption();
  const QCommandLineOption version = parser.addVersionOption();
  const QCommandLineOption ini(QStringLiteral("ini"), texts::optIni(), QStringLiteral("PATH"));
  const QCommandLineOption device(QStringLiteral("device"), texts::optDevice(),
                                  QStringLiteral("NAME"));
  const QCommandLineOption port(QStringLiteral("port"), texts::optPort(), QStringLiteral("PATH"));
  const QCommandLineOption virt(QStringLiteral("virtual"), texts::optVirtual(),
                                QStringLiteral("STATE"));
  const QCommandLineOption areas(QStringLiteral("areas"), texts::optAreas(),
                                 QStringLiteral("LIST"));
  const QCommandLineOption fault(QStringLiteral("virtual-fault"), texts::optVirtualFault(),
                                 QStringLiteral("LIST"));
  const QCommandLineOption keepGoing(QStringLiteral("keep-going"), texts::optKeepGoing());
  const QCommandLineOption trace(QStringLiteral("trace"), texts::optTrace(),
                                 QStringLiteral("FILE"));
  const QCommandLineOption noIdCheck(QStringLiteral("no-id-check"), texts::optNoIdCheck());
  const QCommandLineOption watch(QStringLiteral("watch"), texts::optWatch());
  parser.addOptions({ini, device, port, virt, areas, keepGoing, trace, fault, noIdCheck, watch});
  parser.addPositionalArgument(QStringLiteral("COMMAND"), texts::argCommand(),
                               QStringLiteral("COMMAND [ARGS]"));

  if (!parser.parse(arguments)) return usageError(parser.errorText());

  ParseResult result;
  if (parser.isSet(help)) {
    result.outcome = ParseResult::Outcome::Help;
    result.text = parser.helpText() + QLatin1Char('\n') + texts::commandsHelp();
    return result;
  }
  if (parser.isSet(version)) {
    result.outcome = ParseResult::Outcome::Version;
    result.text = texts::appName() + QLatin1Char(' ') + texts::version() + QLatin1Char('\n');
    return result;
  }

  CliOptions& o = result.options;
  // A valued option given twice: the last one counts, as with most programs.
  const auto valueOf = [&parser](const QCommandLineOption& option) {
    return parser.values(option).value(parser.values(option).size() - 1);
  };
  struct Valued {
    const QCommandLineOption& option;
    QString* target;
  };
  for (const Valued& v :
       {Valued{ini, &o.iniPath}, Valued{device, &o.device}, Valued{port, &o.portPath},
        Valued{virt, &o.virtualState}, Valued{trace, &o.tracePath}}) {
    if (!parser.isSet(v.option)) continue;
    *v.target = valueOf(v.option);
    if (v.target->isEmpty()) return usageError(texts::emptyOption(v.option.names().first()));
  }
  if (parser.isSet(areas)) {
    QString problem;
    if (!parseAreas(valueOf(areas), &o.areas, &problem)) return usageError(problem);
  }
  o.keepGoing = parser.isSet(keepGoing);
  o.noIdCheck = parser.isSet(noIdCheck);
  o.watch = parser.isSet(watch);
  if (!o.portPath.isEmpty() && o.useVirtual()) return usageError(texts::portAndVirtual());
  if (parser.isSet(fault)) {
    // Faults belong to the virtual board: a real board has its own.
    if (!o.useVirtual()) return usageError(texts::faultWithoutVirtual());
    // Repeated options add up, as one list would: a board can have several faults at once, and
    // the list's own checks (data0 with data1) still apply across them.
    QString problem;
    if (!parseBoardFaults(parser.values(fault).join(QLatin1Char(',')), &o.faults, &problem))
      return usageError(texts::badFaultList(problem));
  }

  QStringList positional = parser.positionalArguments();
  if (positional.isEmpty()) return usageError(texts::noCommand());
  o.command = positional.takeFirst();
  o.args = positional;
  for (const CommandShape& shape : kCommands) {
    if (o.command != QLatin1String(shape.name)) continue;
    if (o.args.size() != shape.argCount)
      return usageError(texts::wrongArgumentCount(o.command, QLatin1String(shape.usage)));
    const bool writes = o.command == QLatin1String("write");
    if (o.watch && !writes) return usageError(texts::watchOnlyWithWrite());
    if (o.noIdCheck && !writes && o.command != QLatin1String("unprotect"))
      return usageError(texts::noIdCheckOnlyWithWriting());
    result.outcome = ParseResult::Outcome::Run;
    return result;
  }
  return usageError(texts::unknownCommand(o.command));
}

}  // namespace tavrix::cli
