// The command line itself: help, version, the device listing and every way a command is refused
// before it reaches the chip (exit status 2).

#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <gtest/gtest.h>

#include "CliRun.h"
#include "device/DeviceFile.h"
#include "support/TempFiles.h"

namespace tavrix::test {
namespace {

const QString kF84aFixture = QStringLiteral("gpasm__flash_16f84a.hex");

TEST(CliUsage, HelpNamesEveryOptionAndCommand) {
  const CliRun run = runCli({QStringLiteral("--help")});
  EXPECT_EQ(run.status, 0);
  EXPECT_TRUE(run.err.isEmpty());
  for (const char* word : {"--ini",
                           "--device",
                           "--port",
                           "--virtual",
                           "--virtual-fault",
                           "--areas",
                           "--keep-going",
                           "--trace",
                           "--help",
                           "--version",
                           "devices",
                           "read OUT.hex",
                           "write IN.hex",
                           "verify IN.hex",
                           "blank",
                           "unprotect",
                           "hex IN.hex OUT.hex",
                           "board-test",
                           "identify",
                           "--no-id-check",
                           "--watch",
                           "write --watch IN.hex"}) {
    EXPECT_TRUE(run.out.contains(QLatin1String(word))) << word;
  }
}

// The parser's own texts (its options, the usage lines, its errors) are Spanish like the rest.
TEST(CliUsage, TheParsersOwnTextsAreSpanish) {
  const CliRun help = runCli({QStringLiteral("--help")});
  EXPECT_TRUE(help.out.startsWith(QStringLiteral("Uso: "))) << help.out.toStdString();
  for (const char* text :
       {" [opciones] COMMAND [ARGS]\n", "\nOpciones:\n", "\nArgumentos:\n",
        "Muestra la ayuda de las opciones de la línea de",
        "Muestra la ayuda con las opciones propias de Qt.", "Muestra la versión del programa."})
    EXPECT_TRUE(help.out.contains(QString::fromUtf8(text))) << text;
  for (const char* english : {"Usage", "Options:", "Arguments:", "Displays", "options]"})
    EXPECT_FALSE(help.out.contains(QLatin1String(english))) << english;

  const QString hint = QStringLiteral("\nPruebe «tavrix-cli --help» para más información.\n");
  struct Case {
    QStringList args;
    QString err;
  };
  for (const Case& c :
       {Case{{"--bogus", "blank"}, "tavrix-cli: opción desconocida: «bogus»."},
        Case{{"blank", "--ini"}, "tavrix-cli: la opción --ini necesita un valor."},
        Case{{"--watch=yes", "write", "x.hex"}, "tavrix-cli: la opción --watch no lleva valor."}}) {
    const CliRun run = runCli(c.args);
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err, c.err + hint);
  }
}

// The manual page is the reference users' scripts are written from: it names every option, every
// command with its arguments and every exit status.
TEST(CliUsage, ManualPageDescribesTheWholeInterface) {
  QFile page(QStringLiteral(TAVRIX_SOURCE_DIR "/data/man/tavrix-cli.1"));
  ASSERT_TRUE(page.open(QIODevice::ReadOnly));
  const QString text = QString::fromUtf8(page.readAll());
  for (const char* option :
       {"\\-\\-ini", "\\-\\-device", "\\-\\-port", "\\-\\-virtual", "\\-\\-virtual\\-fault",
        "\\-\\-areas", "\\-\\-keep\\-going", "\\-\\-trace", "\\-\\-help", "\\-\\-version",
        "\\-\\-no\\-id\\-check", "\\-\\-watch"}) {
    EXPECT_TRUE(text.contains(QLatin1String(option))) << option;
  }
  for (const char* command : {".B devices", ".BI read ", ".BI write ", ".BI verify ", ".B blank",
                              ".B unprotect", ".BI hex ", ".B board\\-test", ".B identify"}) {
    EXPECT_TRUE(text.contains(QLatin1String(command))) << command;
  }
  for (const char* area : {".B prog\n", ".B eeprom\n", ".B config\n", ".B id\n"})
    EXPECT_TRUE(text.contains(QLatin1String(area))) << area;
  EXPECT_TRUE(text.contains(QStringLiteral(".SH ESTADO DE SALIDA\n.TP\n.B 0\n")));
  EXPECT_TRUE(text.contains(QStringLiteral(".TP\n.B 1\n")));
  EXPECT_TRUE(text.contains(QStringLiteral(".TP\n.B 2\n")));
  EXPECT_TRUE(text.contains(QStringLiteral("/etc/Tavrix.ini")));
}

TEST(CliUsage, VersionIsTheProjectsVersion) {
  const CliRun run = runCli({QStringLiteral("--version")});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, QStringLiteral("tavrix-cli " TAVRIX_VERSION "\n"));
}

TEST(CliUsage, DevicesListsThePicSectionsInFileOrder) {
  TempFiles tmp;
  const QString ini = tmp.write(QStringLiteral("t.ini"),
                                "[Config]\nlastfile=x.hex\n[PICB]\nProgMem=16\n[pic12]\n"
                                "[PICA]\n[Other]\n[PIC16F84A]\nProgramming=Flash\n");
  const CliRun run = runCli({QStringLiteral("--ini"), ini, QStringLiteral("devices")});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, QStringLiteral("PICB\nPICA\nPIC16F84A\n"));
  EXPECT_TRUE(run.err.isEmpty());
}

TEST(CliUsage, DevicesOfTheShippedFile) {
  const CliRun run = runCli(shippedIni() << QStringLiteral("devices"));
  EXPECT_EQ(run.status, 0);
  const QStringList expected = ReadDeviceList(QStringLiteral(TAVRIX_SHIPPED_INI)).devices;
  ASSERT_FALSE(expected.isEmpty());
  EXPECT_EQ(run.out, expected.join(QLatin1Char('\n')) + QLatin1Char('\n'));
  EXPECT_TRUE(expected.contains(QStringLiteral("PIC16F84A")));
  EXPECT_TRUE(expected.contains(QStringLiteral("PIC16F73")));
  EXPECT_TRUE(expected.contains(QStringLiteral("PIC16C622")));
}

// Usage errors: status 2, nothing on stdout, the problem and a hint on stderr.
TEST(CliUsage, UsageErrorsEndWithTwo) {
  TempFiles tmp;
  const QString hex = fixturePath(kF84aFixture);
  const QList<QStringList> cases = {
      {QStringLiteral("--bogus"), QStringLiteral("blank")},
      {QStringLiteral("frobnicate")},
      {},
      {QStringLiteral("read")},
      {QStringLiteral("write")},
      {QStringLiteral("verify")},
      {QStringLiteral("hex"), hex},
      {QStringLiteral("blank"), QStringLiteral("extra")},
      {QStringLiteral("devices"), QStringLiteral("extra")},
      {QStringLiteral("hex"), hex, tmp.path(QStringLiteral("o.hex")), QStringLiteral("x")},
      {QStringLiteral("--areas"), QStringLiteral("prog,flash"), QStringLiteral("blank")},
      {QStringLiteral("--areas"), QStringLiteral(""), QStringLiteral("blank")},
      {QStringLiteral("--ini")},
      {QStringLiteral("--device"), QStringLiteral(""), QStringLiteral("blank")},
      {QStringLiteral("--port"), tmp.path(QStringLiteral("p")), QStringLiteral("--virtual"),
       tmp.path(QStringLiteral("s.hex")), QStringLiteral("blank")},
      {QStringLiteral("--watch"), QStringLiteral("verify"), hex},
      {QStringLiteral("--no-id-check"), QStringLiteral("--virtual"),
       tmp.path(QStringLiteral("s.hex")), QStringLiteral("board-test")},
      {QStringLiteral("identify"), QStringLiteral("extra")},
  };
  for (const QStringList& args : cases) {
    const CliRun run = runCli(shippedIni() + args, tmp.path(QString()));
    EXPECT_EQ(run.status, 2) << args.join(' ').toStdString();
    EXPECT_TRUE(run.out.isEmpty()) << args.join(' ').toStdString();
    EXPECT_TRUE(run.err.startsWith(QStringLiteral("tavrix-cli: "))) << run.err.toStdString();
  }
  // Nothing was created by any of them.
  EXPECT_FALSE(QFile::exists(tmp.path(QStringLiteral("s.hex"))));
  EXPECT_FALSE(QFile::exists(tmp.path(QStringLiteral("o.hex"))));
}

TEST(CliUsage, OptionsMayFollowTheCommand) {
  TempFiles tmp;
  const CliRun run =
      runCli({QStringLiteral("blank"), QStringLiteral("--virtual"), tmp.path("s.hex"),
              QStringLiteral("--device"), QStringLiteral("PIC16F84A"), QStringLiteral("--ini"),
              QStringLiteral(TAVRIX_SHIPPED_INI)});
  EXPECT_EQ(run.status, 0) << run.err.toStdString();
  EXPECT_TRUE(QFile::exists(tmp.path("s.hex")));
}

TEST(CliUsage, UnreadableDeviceFileEndsWithTwo) {
  TempFiles tmp;
  const QString missing = tmp.path(QStringLiteral("none.ini"));
  const QString message = QStringLiteral("Error: Fichero de configuración ") + missing +
                          QStringLiteral(
                              " no encontrado. Vuelva a copiar este fichero o "
                              "instale de nuevo el programa.\n");
  for (const QStringList& command :
       {QStringList{QStringLiteral("devices")},
        QStringList{QStringLiteral("blank"), "--virtual", tmp.path("s.hex")}}) {
    const CliRun run = runCli(QStringList{QStringLiteral("--ini"), missing} + command);
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err, message);
    EXPECT_TRUE(run.out.isEmpty());
  }
  // A file without any PIC section is as unusable as a missing one.
  const QString noDevices = tmp.write(QStringLiteral("empty.ini"), "[Config]\nport=888\n");
  const CliRun run = runCli({QStringLiteral("--ini"), noDevices, QStringLiteral("devices")});
  EXPECT_EQ(run.status, 2);
  EXPECT_TRUE(run.err.startsWith(QStringLiteral("Error: Fichero de configuración ")));
  EXPECT_FALSE(QFile::exists(tmp.path("s.hex")));
}

TEST(CliUsage, UnknownAndRefusedDevicesEndWithTwo) {
  TempFiles tmp;
  const QString state = tmp.path(QStringLiteral("s.hex"));
  CliRun run = runCli(shippedIni() << "--device"
                                   << "PIC99X99"
                                   << "--virtual" << state << "blank");
  EXPECT_EQ(run.status, 2);
  EXPECT_TRUE(run.err.startsWith(QStringLiteral("Error: "))) << run.err.toStdString();
  EXPECT_TRUE(run.err.contains(QStringLiteral("PIC99X99")));
  // Section names are matched exactly, letter case included.
  run = runCli(shippedIni() << "--device"
                            << "pic16f84a"
                            << "--virtual" << state << "blank");
  EXPECT_EQ(run.status, 2);

  const QString ini = tmp.write(QStringLiteral("big.ini"),
                                "[PIC16F84A]\n[PICHUGE]\nProgMem=99999\nProgramming=Flash\n");
  run = runCli({"--ini", ini, "--device", "PICHUGE", "--virtual", state, "blank"});
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.err, QStringLiteral("Error: El dispositivo PICHUGE no se puede usar: "
                                    "ProgMem=99999 está fuera del rango 0 a 32768.\n"));
  run = runCli(
      {"--ini", ini, "--device", "PICHUGE", "hex", fixturePath(kF84aFixture), tmp.path("o.hex")});
  EXPECT_EQ(run.status, 2);
  EXPECT_FALSE(QFile::exists(state));
  EXPECT_FALSE(QFile::exists(tmp.path("o.hex")));
}

TEST(CliUsage, UnreadableHexEndsWithTwoBeforeThePort) {
  TempFiles tmp;
  const QString state = tmp.path(QStringLiteral("s.hex"));
  for (const char* command : {"write", "verify"}) {
    const CliRun run =
        runCli(shippedIni() << "--virtual" << state << command << tmp.path("no.hex"));
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err, QStringLiteral("Error: No se puede leer el fichero HEX.\n"));
  }
  const CliRun run = runCli(shippedIni() << "hex" << tmp.path("no.hex") << tmp.path("o.hex"));
  EXPECT_EQ(run.status, 2);
  EXPECT_FALSE(QFile::exists(state));
  EXPECT_FALSE(QFile::exists(tmp.path("o.hex")));
}

TEST(CliUsage, MissingPortEndsWithTwo) {
  TempFiles tmp;
  const CliRun run = runCli(shippedIni() << "--port" << tmp.path("lp9") << "blank");
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.err, QStringLiteral("Error: Imposible comunicar con el puerto paralelo.\n") +
                         tmp.path("lp9") + QStringLiteral(": no existe.\n"));
  EXPECT_FALSE(QFile::exists(tmp.path("lp9")));  // the node is never created
}

TEST(CliUsage, HexConvertsWithoutOpeningAPort) {
  TempFiles tmp;
  const QString out = tmp.path(QStringLiteral("o.hex"));
  // A port that does not exist proves that none is opened.
  CliRun run = runCli(shippedIni()
                      << "--device"
                      << "PIC16F84A"
                      << "--port" << tmp.path("lp9") << "hex" << fixturePath(kF84aFixture) << out);
  ASSERT_EQ(run.status, 0) << run.err.toStdString();
  EXPECT_TRUE(run.out.isEmpty());
  EXPECT_TRUE(run.err.isEmpty());
  const QMap<int, int> in = hexWordsOfFile(fixturePath(kF84aFixture));
  const QMap<int, int> written = hexWordsOfFile(out);
  for (auto it = in.cbegin(); it != in.cend(); ++it) {
    if (it.key() < 0x2000) {
      EXPECT_EQ(written.value(it.key(), -1), it.value()) << it.key();
    }
  }
  EXPECT_EQ(written.value(0x2007), in.value(0x2007));
  // The whole image is written: 1024 words, the 64 EEPROM bytes, blank where the file had none.
  EXPECT_EQ(written.value(1023), 0x3FFF);
  EXPECT_EQ(written.value(0x2100 + 63), 0x00FF);
  // Converting the output again gives the same bytes.
  run = runCli(shippedIni() << "--device"
                            << "PIC16F84A"
                            << "hex" << out << tmp.path("o2.hex"));
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(tmp.read(out), tmp.read(tmp.path("o2.hex")));
}

TEST(CliUsage, TheDeviceDefaultWordIsKeptWhenTheFileHasNone) {
  TempFiles tmp;
  const QString in =
      tmp.write("in.hex", hexRecord(0, QByteArray::fromHex("0528")) + ":00000001FF\n");
  const QString out = tmp.path(QStringLiteral("o.hex"));
  const CliRun run = runCli(shippedIni() << "--device"
                                         << "PIC16F628"
                                         << "hex" << in << out);
  ASSERT_EQ(run.status, 0) << run.err.toStdString();
  const QMap<int, int> words = hexWordsOfFile(out);
  EXPECT_EQ(words.value(0), 0x2805);
  EXPECT_EQ(words.value(0x2007), 0x3F61);  // PalConfDef of the PIC16F628
  EXPECT_EQ(words.value(0x2000), 0x000F);  // identifier FFFF, one digit a word
  EXPECT_EQ(words.value(2047), 0x3FFF);
}

TEST(CliUsage, RefusedSaveEndsWithTwo) {
  TempFiles tmp;
  const QString nowhere = tmp.path(QStringLiteral("no/such/dir/o.hex"));
  CliRun run = runCli(shippedIni() << "hex" << fixturePath(kF84aFixture) << nowhere);
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.err,
            "Error: No se puede crear el fichero.\n" + nowhere + ": No such file or directory.\n");

  // A read whose output cannot be saved: the chip was read, its state is still kept.
  const QString state = tmp.path(QStringLiteral("s.hex"));
  run = runCli(shippedIni() << "--virtual" << state << "read" << nowhere);
  EXPECT_EQ(run.status, 2);
  EXPECT_TRUE(run.err.contains(QStringLiteral("No se puede crear el fichero.")));
  EXPECT_TRUE(QFile::exists(state));
}

TEST(CliUsage, MalformedStateFileEndsWithTwoAndIsKept) {
  TempFiles tmp;
  const QByteArray bad = ":0400000005280000CE\n:00000001FF\n";  // wrong checksum
  const QString state = tmp.write(QStringLiteral("s.hex"), bad);
  for (const char* command : {"blank", "unprotect"}) {
    const CliRun run = runCli(shippedIni() << "--virtual" << state << command);
    EXPECT_EQ(run.status, 2) << command;
    EXPECT_TRUE(run.err.startsWith(QStringLiteral("Error: Fichero de estado ")))
        << run.err.toStdString();
    EXPECT_TRUE(run.out.isEmpty());
  }
  EXPECT_EQ(tmp.read(state), bad);
  // A state holding data the chip cannot hold is refused the same way.
  const QByteArray outside = hexRecord(0x3000, QByteArray::fromHex("FF3F")) + ":00000001FF\n";
  tmp.write(QStringLiteral("s2.hex"), outside);
  const CliRun run = runCli(shippedIni() << "--device"
                                         << "PIC16F83"
                                         << "--virtual" << tmp.path("s2.hex") << "blank");
  EXPECT_EQ(run.status, 2);
  // A folder is not a state file either.
  const CliRun dir = runCli(shippedIni() << "--virtual" << tmp.path(QString()) << "blank");
  EXPECT_EQ(dir.status, 2);
}

// The progress line is drawn on a terminal only (the pipes of the other tests get none), and is
// cleared before the completion message.
TEST(CliUsage, ProgressLineOnATerminal) {
  if (!QFile::exists(QStringLiteral("/usr/bin/script"))) GTEST_SKIP() << "no script(1)";
  TempFiles tmp;
  const auto quoted = [](const QString& s) { return QLatin1Char('\'') + s + QLatin1Char('\''); };
  const QString command =
      QStringList{quoted(cliBinary()),       "--ini", quoted(TAVRIX_SHIPPED_INI), "--virtual",
                  quoted(tmp.path("s.hex")), "read",  quoted(tmp.path("o.hex"))}
          .join(QLatin1Char(' '));
  QProcess script;
  script.start(QStringLiteral("/usr/bin/script"),
               {QStringLiteral("-qec"), command, QStringLiteral("/dev/null")});
  ASSERT_TRUE(script.waitForFinished(60000));
  EXPECT_EQ(script.exitCode(), 0);
  const QString shown = QString::fromUtf8(script.readAllStandardOutput());
  EXPECT_TRUE(shown.contains(QStringLiteral("\rLeyendo Programa... dir 0000 / 0400\x1b[K")));
  EXPECT_TRUE(shown.contains(QStringLiteral("\rLeyendo Programa... dir 03F0 / 0400\x1b[K")));
  EXPECT_FALSE(shown.contains(QStringLiteral("dir 0005")));  // drawn at the window's refresh points
  EXPECT_TRUE(shown.contains(QStringLiteral("\rLeyendo EEPROM... dir 0000 / 0040\x1b[K")));
  EXPECT_TRUE(shown.contains(QStringLiteral("\r\x1b[KOperación Completada.")));
}

}  // namespace
}  // namespace tavrix::test
