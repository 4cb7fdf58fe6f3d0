// board-test and identify end to end on the virtual board with every fault, and the identity
// check that write and unprotect make before anything reaches the chip.

#include <QFile>

#include <gtest/gtest.h>

#include "CliRun.h"
#include "support/TempFiles.h"

namespace tavrix::test {
namespace {

QStringList onBoard(const QString& state, const char* device = "PIC16F84A") {
  return shippedIni() << QStringLiteral("--device") << QLatin1String(device)
                      << QStringLiteral("--virtual") << state;
}

QByteArray oneWordProgram() {
  return hexRecord(0, QByteArray::fromHex("0528")) + ":00000001FF\n";
}

TEST(CliBoard, BoardTestAndIdentifyOnEveryFault) {
  TempFiles tmp;
  const QString state = tmp.path(QStringLiteral("chip.hex"));
  const QString fw = tmp.write(QStringLiteral("fw.hex"), oneWordProgram());
  CliRun run = runCli(onBoard(state) << QStringLiteral("write") << fw);
  ASSERT_EQ(run.status, 0) << run.err.toStdString();
  const QByteArray programmed = tmp.read(QStringLiteral("chip.hex"));
  const QString trace = tmp.path(QStringLiteral("trace.txt"));

  struct Case {
    const char* faults;
    int boardStatus;
    const char* boardSays;
    int identifyStatus;
    const char* identifySays;
  };
  const char* const selected = "PIC: PIC16F84A, revisión 1; es el dispositivo elegido";
  const char* const silent = "PIC: no responde ningún PIC (todas las palabras leen 0000)";
  const Case cases[] = {
      {"", 0, "resultado: todo bien", 0, selected},
      {"nochip", 1, silent, 1, silent},
      {"novpp", 1, silent, 1, silent},
      {"data0", 1, "línea de datos: siempre 0", 1, "línea de datos: siempre 0\nPIC: no se lee"},
      {"data1", 1, "línea de datos: siempre 1", 1, "línea de datos: siempre 1\nPIC: no se lee"},
      {"slow", 1, "aviso: cada byte tarda más de 100 µs", 0, selected},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.faults);
    QStringList args = onBoard(state) << QStringLiteral("--trace") << trace;
    if (*c.faults) args << QStringLiteral("--virtual-fault") << QLatin1String(c.faults);
    run = runCli(QStringList(args) << QStringLiteral("board-test"));
    EXPECT_EQ(run.status, c.boardStatus) << run.out.toStdString();
    EXPECT_TRUE(run.err.isEmpty()) << run.err.toStdString();
    EXPECT_TRUE(run.out.startsWith(*c.faults ? QStringLiteral("puerto: placa virtual (fallos: ") +
                                                   QLatin1String(c.faults) + QStringLiteral(")\n")
                                             : QStringLiteral("puerto: placa virtual\n")));
    EXPECT_TRUE(run.out.contains(QLatin1Char('\n') + QString::fromUtf8(c.boardSays)))
        << run.out.toStdString();
    // The virtual board has no driver to choose: no node to set, no device file named.
    EXPECT_FALSE(run.out.contains(QStringLiteral("portdevice"))) << run.out.toStdString();
    EXPECT_FALSE(run.out.contains(QStringLiteral(TAVRIX_SOURCE_DIR))) << run.out.toStdString();
    EXPECT_EQ(fileLines(trace).back(), "W 24");
    EXPECT_EQ(tmp.read(QStringLiteral("chip.hex")), programmed);

    run = runCli(QStringList(args) << QStringLiteral("identify"));
    EXPECT_EQ(run.status, c.identifyStatus) << run.out.toStdString();
    EXPECT_TRUE(run.out.contains(QString::fromUtf8(c.identifySays))) << run.out.toStdString();
    EXPECT_EQ(fileLines(trace).back(), "W 24");
    EXPECT_EQ(tmp.read(QStringLiteral("chip.hex")), programmed);
  }
}

TEST(CliBoard, ChipOfAnotherDeviceAndDeviceWithoutIdentificationWord) {
  TempFiles tmp;
  const QString f876 = tmp.path(QStringLiteral("f876.hex"));
  ASSERT_EQ(runCli(onBoard(f876, "PIC16F876") << QStringLiteral("blank")).status, 0);

  CliRun run = runCli(onBoard(f876, "PIC16F877") << QStringLiteral("board-test"));
  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(run.out.contains(
      QStringLiteral("\nPIC: PIC16F876, revisión 1; no es el dispositivo elegido (PIC16F877)\n")))
      << run.out.toStdString();
  run = runCli(onBoard(f876, "PIC16F877") << QStringLiteral("identify"));
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, QStringLiteral("palabra de configuración: 3FFF\n"
                                    "palabra de identificación: 09E1 (revisión 1)\n"
                                    "PIC: PIC16F876, revisión 1; no es el dispositivo elegido "
                                    "(PIC16F877)\n"));

  // An erased PIC16F84 has no identification word: it answers like an empty socket on a board
  // that reads ones, and the test says so without calling it a fault.
  const QString f84 = tmp.path(QStringLiteral("f84.hex"));
  run = runCli(onBoard(f84, "PIC16F84") << QStringLiteral("board-test"));
  EXPECT_EQ(run.status, 0) << run.out.toStdString();
  EXPECT_TRUE(run.out.endsWith(QStringLiteral(
      "resultado: la placa responde bien; no se puede saber si hay un PIC en el zócalo\n")));
  run = runCli(onBoard(f84, "PIC16F84") << QStringLiteral("identify"));
  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(run.out.contains(
      QStringLiteral("el dispositivo elegido, PIC16F84, no tiene palabra de identificación")));
}

TEST(CliBoard, IdentityCheckRefusesBeforeWritingAndNoIdCheckSkipsIt) {
  TempFiles tmp;
  const QString state = tmp.path(QStringLiteral("chip.hex"));
  ASSERT_EQ(runCli(onBoard(state, "PIC16F876") << QStringLiteral("blank")).status, 0);
  const QByteArray blank876 = tmp.read(QStringLiteral("chip.hex"));
  const QString fw = tmp.write(QStringLiteral("fw.hex"), oneWordProgram());
  const QString tail = QStringLiteral(
      " No se ha escrito ni borrado nada en el PIC; --no-id-check omite esta "
      "comprobación.\n");

  // A 16F876 in a board set to PIC16F877: neither written nor erased.
  for (const QStringList& command :
       {QStringList{QStringLiteral("write"), fw}, QStringList{QStringLiteral("unprotect")}}) {
    const CliRun run = runCli(onBoard(state, "PIC16F877") + command);
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(run.out.isEmpty()) << run.out.toStdString();
    EXPECT_EQ(run.err, QStringLiteral("Error: El PIC del zócalo es un PIC16F876 (palabra de "
                                      "identificación 09E1, revisión 1), no un PIC16F877.") +
                           tail);
    EXPECT_EQ(tmp.read(QStringLiteral("chip.hex")), blank876);
  }

  // No chip: reported as such.
  CliRun run = runCli(onBoard(state, "PIC16F876")
                      << QStringLiteral("--virtual-fault") << QStringLiteral("nochip")
                      << QStringLiteral("write") << fw);
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.err, QStringLiteral("Error: No responde ningún PIC (las palabras de "
                                    "identificación y de configuración leen 0000): compruebe el "
                                    "zócalo, VDD, VPP y el cable.") +
                         tail);
  EXPECT_EQ(tmp.read(QStringLiteral("chip.hex")), blank876);

  // The user knows better: written as asked.
  run = runCli(onBoard(state, "PIC16F877")
               << QStringLiteral("--no-id-check") << QStringLiteral("write") << fw);
  EXPECT_EQ(run.status, 0) << run.err.toStdString();
  EXPECT_EQ(hexWordsOfFile(state).value(0), 0x2805);
  EXPECT_EQ(hexWordsOfFile(state).value(0x2006), 0x09E1);
}

// A comment after the DeviceID's value makes it no number, as for every key of the file: the
// identity check cannot run, and write says so (once) instead of turning it off unseen.
TEST(CliBoard, DeviceIdThatReadsAsNoneIsToldWhereTheCheckWouldRun) {
  TempFiles tmp;
  QFile shipped(QStringLiteral(TAVRIX_SHIPPED_INI));
  ASSERT_TRUE(shipped.open(QIODevice::ReadOnly));
  QByteArray text = shipped.readAll();
  ASSERT_TRUE(text.contains("\nDeviceID=$0560\n"));
  text.replace("\nDeviceID=$0560\n", "\nDeviceID=$0560 ;PIC16F84A\n");
  const QString ini = tmp.write(QStringLiteral("t.ini"), text);
  const QString state = tmp.path(QStringLiteral("chip.hex"));
  const QString fw = tmp.write(QStringLiteral("fw.hex"), oneWordProgram());
  const QStringList board = {QStringLiteral("--ini"),     ini,
                             QStringLiteral("--device"),  QStringLiteral("PIC16F84A"),
                             QStringLiteral("--virtual"), state};

  CliRun run = runCli(QStringList(board) << QStringLiteral("write") << fw);
  EXPECT_EQ(run.status, 0) << run.err.toStdString();
  EXPECT_EQ(run.err, QStringLiteral("Aviso: El dispositivo PIC16F84A tiene DeviceID=$0560 "
                                    ";PIC16F84A, que no es una palabra de identificación: no se "
                                    "comprueba qué PIC hay en el zócalo. Escriba el valor solo "
                                    "(por ejemplo DeviceID=$0560) y los comentarios en una "
                                    "línea propia que empiece por \";\".\n"));
  run = runCli(QStringList(board) << QStringLiteral("--no-id-check") << QStringLiteral("write")
                                  << fw);
  EXPECT_EQ(run.status, 0);
  EXPECT_TRUE(run.err.isEmpty()) << run.err.toStdString();
}

}  // namespace
}  // namespace tavrix::test
