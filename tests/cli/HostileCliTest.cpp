// The command-line tool against hostile paths and devices: a state file that is a device, port
// nodes that are no ports or are held by another program, a device file whose first device is
// absurd, a HEX file saved to a full device, a record cut short and lines of a gigabyte.
#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>

#include <fcntl.h>
#include <stdlib.h>
#include <sys/inotify.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include "cli/CliRun.h"
#include "support/TempFiles.h"

namespace tavrix::test {
namespace {

// A private copy of /dev/full where the system allows one, so that a fault cannot replace the
// machine's own node; /dev/full itself otherwise.
QString fullDevice(const TempFiles& tmp) {
  const QString own = tmp.path(QStringLiteral("full"));
  if (::mknod(QFile::encodeName(own).constData(), S_IFCHR | 0666, makedev(1, 7)) == 0) return own;
  return QStringLiteral("/dev/full");
}

bool isCharacterDevice(const QString& path) {
  struct stat st {};
  return ::stat(QFile::encodeName(path).constData(), &st) == 0 && S_ISCHR(st.st_mode);
}

TEST(HostileCli, StateFileThatIsADeviceIsRefusedBeforeTheChip) {
  const CliRun run = runCli(shippedIni() << "--virtual"
                                         << "/dev/zero"
                                         << "blank");
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.err, QStringLiteral("Error: Fichero de estado /dev/zero: No se puede abrir el "
                                    "fichero /dev/zero.\n"));
}

QString noPort(const QString& node, const char* reason) {
  return QStringLiteral("Error: Imposible comunicar con el puerto paralelo.\n%1: %2.\n")
      .arg(node, QString::fromUtf8(reason));
}

// Only a parallel port is the port: a file, a FIFO, a folder or a character device that does
// not answer as a port is refused before a single byte is written, whether --port or the
// device file's portdevice names it.
TEST(HostileCli, OnlyAParallelPortIsThePort) {
  TempFiles tmp;
  const QString file = tmp.write(QStringLiteral("fw.hex"), ":0400000000308A0042\n:00000001FF\n");
  const QString fifo = tmp.path(QStringLiteral("fifo"));
  ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
  const QString folder = tmp.path(QStringLiteral("folder"));
  ASSERT_EQ(::mkdir(QFile::encodeName(folder).constData(), 0700), 0);
  const QString full = fullDevice(tmp);
  const int terminal = ::posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_GE(terminal, 0);
  ASSERT_EQ(::grantpt(terminal), 0);
  ASSERT_EQ(::unlockpt(terminal), 0);
  const QString pty = QString::fromLocal8Bit(::ptsname(terminal));
  // Character devices are refused by their driver, named in /proc/devices, before any open.
  const char* mute =
      "es un dispositivo de caracteres del controlador «mem», no un puerto paralelo; solo se "
      "abren los nodos de lp y de ppdev";
  const char* terminalReason =
      "es un dispositivo de caracteres del controlador «pts», no un puerto paralelo; solo se "
      "abren los nodos de lp y de ppdev";
  struct Case {
    QString node;
    const char* reason;
  };
  for (const Case& c :
       {Case{file, "es un fichero normal, no un puerto paralelo"},
        Case{fifo, "es una tubería con nombre (FIFO), no un puerto paralelo"},
        Case{folder, "es una carpeta, no un puerto paralelo"},
        Case{QStringLiteral("/dev/null"), mute}, Case{full, mute}, Case{pty, terminalReason},
        Case{tmp.path(QStringLiteral("lp9")), "no existe"}}) {
    SCOPED_TRACE(c.node.toStdString());
    const QString trace = tmp.path(QStringLiteral("trace.txt"));
    const CliRun run =
        runCli(shippedIni() << "--port" << c.node << "--trace" << trace << "write" << file);
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err, noPort(c.node, c.reason));
    EXPECT_FALSE(QFile::exists(trace));  // nothing was sent
  }
  EXPECT_EQ(tmp.read(QStringLiteral("fw.hex")), ":0400000000308A0042\n:00000001FF\n");
  EXPECT_TRUE(isCharacterDevice(full));
  EXPECT_FALSE(QFile::exists(tmp.path(QStringLiteral("lp9"))));  // never created

  // The device file's portdevice is the one node tried; --port, when given, goes before it.
  const QString ini =
      tmp.write(QStringLiteral("t.ini"),
                "[Config]\nportdevice = " + QFile::encodeName(file) + "\n[PIC16F84A]\n");
  CliRun run = runCli({"--ini", ini, "blank"});
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.err, noPort(file, "es un fichero normal, no un puerto paralelo"));
  run = runCli({"--ini", ini, "--port", "/dev/null", "blank"});
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.err, noPort(QStringLiteral("/dev/null"), mute));
  EXPECT_EQ(tmp.read(QStringLiteral("fw.hex")), ":0400000000308A0042\n:00000001FF\n");
  ::close(terminal);
}

// Opening a node can have effects of its own (a watchdog starts): a node of another driver is
// refused without being opened at all. A private copy of the null device is watched for opens.
// (A node another program holds is refused as held: that needs a parallel port, and is tried
// on the fake kernel of the link's tests.)
TEST(HostileCli, NodeOfAnotherDriverIsNeverOpened) {
  TempFiles tmp;
  const QString node = tmp.path(QStringLiteral("null"));
  if (::mknod(QFile::encodeName(node).constData(), S_IFCHR | 0666, makedev(1, 3)) != 0)
    GTEST_SKIP() << "no device nodes can be made here";
  const int watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  ASSERT_GE(watch, 0);
  ASSERT_GE(::inotify_add_watch(watch, QFile::encodeName(node).constData(), IN_OPEN), 0);
  const CliRun run = runCli(shippedIni() << "--port" << node << "blank");
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.err, noPort(node,
                            "es un dispositivo de caracteres del controlador «mem», no un "
                            "puerto paralelo; solo se abren los nodos de lp y de ppdev"));
  char events[256];
  EXPECT_LT(::read(watch, events, sizeof events), 0) << "the node was opened";
  // The watch itself sees opens: one from here is reported.
  ::close(::open(QFile::encodeName(node).constData(), O_RDONLY));
  EXPECT_GT(::read(watch, events, sizeof events), 0);
  ::close(watch);
}

// An escape sequence in a device file, a device name or a path reaches the terminal as control
// pictures, never as a sequence the terminal obeys; the tool's own line ends stay.
TEST(HostileCli, ControlCharactersReachTheTerminalAsPictures) {
  TempFiles tmp;
  const QString ini = tmp.write(QStringLiteral("t.ini"),
                                "[PIC\x1b[31mR\x07"
                                "ED]\n[PIC16F84A]\n[PIC\xc2\x9b"
                                "2J]\n");
  CliRun run = runCli({"--ini", ini, "devices"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, QStringLiteral("PIC\u241b[31mR\u2407ED\nPIC16F84A\nPIC\\x9B2J\n"));
  run = runCliBytes({"--ini", QFile::encodeName(ini), "--device", "PIC\x1b]0;owned\x07", "blank"});
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.err, QStringLiteral("Error: El dispositivo PIC\u241b]0;owned\u2407 no está en el "
                                    "fichero de configuración %1.\n")
                         .arg(ini));
  run = runCliBytes({"--ini", "no\x1b[2J\nsuch.ini", "devices"});
  EXPECT_EQ(run.status, 2);
  EXPECT_TRUE(run.err.startsWith(
      QStringLiteral("Error: Fichero de configuración no\u241b[2J\u240asuch.ini no encontrado.")))
      << run.err.toStdString();
  EXPECT_FALSE(run.err.contains(QLatin1Char('\x1b')));
}

TEST(HostileCli, AbsurdFirstDeviceIsNamedWhenNoDeviceIsGiven) {
  TempFiles tmp;
  const QString ini = tmp.write(QStringLiteral("t.ini"), "[PICHUGE]\nProgBits=99\n[PIC16F84A]\n");
  const CliRun run = runCli({"--ini", ini, "--virtual", tmp.path("s.hex"), "blank"});
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.err, QStringLiteral("Error: El dispositivo PICHUGE no se puede usar: ProgBits=99 "
                                    "está fuera del rango 0 a 16.\n"));
  EXPECT_FALSE(QFile::exists(tmp.path("s.hex")));
}

// A FIFO planted at the --trace path would hold the run until someone read it; it is refused at
// once, as a folder is, before the chip or its contents file is touched.
TEST(HostileCli, TraceThatIsNeitherAFileNorACharacterDeviceIsRefusedAtOnce) {
  TempFiles tmp;
  const QString fifo = tmp.path(QStringLiteral("fifo"));
  ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
  const QString folder = tmp.path(QStringLiteral("folder"));
  ASSERT_EQ(::mkdir(QFile::encodeName(folder).constData(), 0700), 0);
  const QString state = tmp.path(QStringLiteral("s.hex"));
  for (const auto& [trace, reason] :
       {std::pair{fifo, "no es un fichero regular ni un dispositivo de caracteres"},
        std::pair{folder, "Is a directory"}}) {
    SCOPED_TRACE(trace.toStdString());
    QProcess run;
    run.setStandardInputFile(QProcess::nullDevice());
    run.start(cliBinary(), shippedIni() << "--virtual" << state << "--trace" << trace << "blank");
    if (!run.waitForFinished(20000)) {
      run.kill();
      run.waitForFinished();
      FAIL() << "the run waited on its trace";
    }
    EXPECT_EQ(run.exitCode(), 2);
    EXPECT_EQ(QString::fromUtf8(run.readAllStandardError()),
              QStringLiteral("Error: No se puede crear el fichero de traza %1: %2.\n")
                  .arg(trace, QString::fromUtf8(reason)));
    EXPECT_FALSE(QFile::exists(state));
  }
}

TEST(HostileCli, SaveToAFullDeviceShowsTheSystemError) {
  TempFiles tmp;
  const QString full = fullDevice(tmp);
  const CliRun run = runCli(
      shippedIni() << "hex" << fixturePath(QStringLiteral("gpasm__flash_16f84a.hex")) << full);
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.err, QStringLiteral("Error: No space left on device.\n"));
  EXPECT_TRUE(isCharacterDevice(full));
}

// A file made for a bigger chip: the question is printed once and, with --keep-going, the count
// of the records it covered; without it the load is refused as soon as the question comes.
TEST(HostileCli, RecordsOfABiggerChipAreCountedOnce) {
  TempFiles tmp;
  QByteArray file = ":0400000005280000CF\n";
  for (int i = 0; i < 40; ++i) {
    QByteArray record =
        ":02" + QByteArray::number(0x800 + 2 * i, 16).toUpper().rightJustified(4, '0') + "00FF3F";
    unsigned sum = 0;
    for (int j = 1; j < record.size(); j += 2) sum += record.mid(j, 2).toUInt(nullptr, 16);
    file += record +
            QByteArray::number((256 - sum % 256) % 256, 16).toUpper().rightJustified(2, '0') + '\n';
  }
  const QString in = tmp.write(QStringLiteral("big.hex"), file + ":00000001FF\n");
  const QString out = tmp.path(QStringLiteral("out.hex"));
  const QStringList base = shippedIni() << "--device"
                                        << "PIC16F84A";
  CliRun run = runCli(QStringList(base) << "--keep-going"
                                        << "hex" << in << out);
  EXPECT_EQ(run.status, 0) << run.err.toStdString();
  EXPECT_EQ(run.err, QStringLiteral("Error: Hex File: dirección fuera de rango\n"
                                    "Hex File: 40 registros fuera de rango no se han cargado.\n"));
  EXPECT_TRUE(QFile(out).open(QIODevice::ReadOnly));

  run = runCli(QStringList(base) << "hex" << in << tmp.path(QStringLiteral("no.hex")));
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.err, QStringLiteral("Error: Hex File: dirección fuera de rango\n"
                                    "Carga del fichero HEX detenida: no se ha tocado el PIC.\n"));
}

// A record that claims 16 bytes and carries 5, the last of which passes as its checksum. Nothing
// of it reaches the chip: write and verify refuse the file before the chip is touched, hex saves
// nothing; with --keep-going the record is skipped, so the file has no program words to write
// and the chip keeps the previous program, never the record's bytes.
TEST(HostileCli, RecordShorterThanItsLengthNeverReachesTheChip) {
  TempFiles tmp;
  const QString state = tmp.path(QStringLiteral("chip.hex"));
  const QStringList board = shippedIni() << "--device"
                                         << "PIC16F84A"
                                         << "--virtual" << state;
  const QString previous =
      tmp.write(QStringLiteral("old.hex"),
                hexRecord(0, QByteArray::fromHex("1111222233330404")) + ":00000001FF\n");
  ASSERT_EQ(runCli(QStringList(board) << "write" << previous).status, 0);
  const QByteArray before = tmp.read(QStringLiteral("chip.hex"));
  const QString cut = tmp.write(QStringLiteral("short.hex"), ":1000000001020304E6\n:00000001FF\n");
  const QString question = QStringLiteral("Error: Hex File: registro más corto que su longitud.\n");

  for (const char* command : {"write", "verify"}) {
    const CliRun run = runCli(QStringList(board) << command << cut);
    EXPECT_EQ(run.status, 2) << command;
    EXPECT_EQ(run.err, question + "Carga del fichero HEX detenida: no se ha tocado el PIC.\n");
    EXPECT_EQ(tmp.read(QStringLiteral("chip.hex")), before);
  }
  const QString out = tmp.path(QStringLiteral("out.hex"));
  EXPECT_EQ(runCli(shippedIni() << "hex" << cut << out).status, 2);
  EXPECT_FALSE(QFile::exists(out));

  const CliRun run = runCli(QStringList(board) << "--keep-going"
                                               << "write" << cut);
  EXPECT_EQ(run.status, 0) << run.err.toStdString();
  EXPECT_EQ(run.err, question);
  EXPECT_EQ(hexWordsOfFile(state), hexWords(before));
  EXPECT_EQ(hexWords(before).value(2), 0x3333);
}

// A gigabyte of one line (sparse: no disk used) as the HEX input and as the virtual chip's
// contents file, with the tool allowed 100 MB of data: each is refused with its question or
// message. Before lines were capped, the HEX input ended in std::bad_alloc (status 134).
TEST(HostileCli, GigabyteLinesAreRefusedWithinAHundredMegabytes) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the sanitizer's own memory would not fit the limit";
#endif
  TempFiles tmp;
  const QString huge = tmp.write(QStringLiteral("huge.hex"), ":");
  ASSERT_EQ(::truncate(QFile::encodeName(huge).constData(), off_t{1} << 30), 0);
  const QByteArray ini = QByteArrayLiteral(TAVRIX_SHIPPED_INI);
  const QByteArray hugeName = QFile::encodeName(huge);
  const QByteArray out = QFile::encodeName(tmp.path(QStringLiteral("out.hex")));
  const auto limited = [] {
    const rlimit limit{rlim_t{100} << 20, rlim_t{100} << 20};
    ::setrlimit(RLIMIT_DATA, &limit);
  };

  CliRun run = runCliBytes({"--ini", ini, "hex", hugeName, out}, limited);
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.err, QStringLiteral("Error: Hex File: línea demasiado larga (más de 65536 "
                                    "caracteres).\nCarga del fichero HEX detenida: no se ha "
                                    "tocado el PIC.\n"));

  run = runCliBytes({"--ini", ini, "--virtual", hugeName, "read", out}, limited);
  EXPECT_EQ(run.status, 2);
  EXPECT_TRUE(run.err.contains(QStringLiteral("la línea es más larga que cualquier registro")))
      << run.err.toStdString();
}

}  // namespace
}  // namespace tavrix::test
