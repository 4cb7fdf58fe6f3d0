// The board test and the identity check on the virtual board, byte for byte: what they send,
// that they write nothing to the chip, that the board ends idle, and what each answer means.
#include <gtest/gtest.h>

#include <algorithm>

#include "ChipRig.h"
#include "link/Recording.h"
#include "ops/BoardTest.h"
#include "ops/ChipIdentity.h"
#include "support/TraceLines.h"
#include "support/WireTrace.h"

namespace tavrix::test {
namespace {

// The data-line check as the trace shows it, the status read after each level, three times in
// turn, two reads a time.
std::vector<std::string> dataLineTrace(const char* high, const char* low) {
  return concat({repeat({"W 31", high, high, "W 30", low, low}, 3), {"W 24"}});
}

// Passes everything to `inner`, noting the time of each access on `clock`; with `toggleEvery`,
// the status input also flips by itself after that many reads, as a floating ACK does.
class WatchedPort : public Port {
 public:
  WatchedPort(Port& inner, Clock& clock) : inner_(inner), clock_(clock) {}
  bool writeByte(std::uint8_t value) override {
    events.push_back({'W', clock_.nowUs()});
    return inner_.writeByte(value);
  }
  std::uint8_t readStatus() override {
    events.push_back({'R', clock_.nowUs()});
    const bool flipped = toggleEvery > 0 && (reads_++ / toggleEvery) % 2 == 1;
    return inner_.readStatus() ^ (flipped ? 0x40 : 0);
  }
  // The shortest time from a write to a status read after it, over events [from, to).
  std::int64_t shortestSettleUs(std::size_t from, std::size_t to) const {
    std::int64_t shortest = INT64_MAX;
    std::int64_t written = -1;
    for (std::size_t i = from; i < to && i < events.size(); ++i) {
      if (events[i].first == 'W') written = events[i].second;
      if (events[i].first == 'R') shortest = std::min(shortest, events[i].second - written);
    }
    return shortest;
  }

  int toggleEvery = 0;
  std::vector<std::pair<char, std::int64_t>> events;

 private:
  Port& inner_;
  Clock& clock_;
  int reads_ = 0;
};

// A board holding a chip made as `chipDevice` (the selected device by default), every port
// event and wait recorded. The port is timed on the virtual clock, which a slow board moves on
// by 200 µs a byte, so the figures are exact.
struct BoardRig {
  explicit BoardRig(const char* selected, const char* chipDevice = nullptr)
      : chip(shippedDevice(QLatin1String(chipDevice ? chipDevice : selected)), clock),
        board(&chip),
        watched(board, clock),
        recordingPort(watched, sink),
        recordingClock(clock, sink),
        link(recordingPort, recordingClock, [] { return 14; }) {
    board.setVirtualClock(&clock);
    board.setRealWait([](std::int64_t) {});
    setup.selected = shippedDevice(QLatin1String(selected));
    setup.catalogue = readDeviceCatalogue(QStringLiteral(TAVRIX_SHIPPED_INI));
    setup.configPath = QStringLiteral("/etc/Tavrix.ini");
    setup.port.virtualBoard = true;
    setup.timingBytes = 4;
  }
  BoardTestReport run() { return runBoardTest(link, clock, setup); }

  VirtualClock clock;
  VirtualChip chip;
  VirtualBoard board;
  WatchedPort watched;
  TraceSink sink;
  RecordingPort recordingPort;
  RecordingClock recordingClock;
  Link link;
  BoardTestSetup setup;
};

TEST(BoardTest, SendsExactlyItsSequenceWritesNothingAndEndsIdle) {
  BoardRig rig("PIC16F84A");
  rig.chip.setConfigWord(0x3FF1);
  const QByteArray before = rig.chip.hexText();
  const BoardTestReport report = rig.run();

  EXPECT_EQ(rig.sink.lines(),
            concat({writesTrace("24 24 24 24"),  // the port timed
                    dataLineTrace("R 40", "R 00"), identityReadTrace(0x0561, 0x3FF1)}));
  // Every sample of the data line is taken once the line has settled.
  EXPECT_GE(rig.watched.shortestSettleUs(4, 4 + 19), 50);
  EXPECT_EQ(rig.chip.hexText(), before);
  EXPECT_EQ(rig.chip.timingViolations(), 0);
  EXPECT_EQ(rig.board.lines(), 0x24);
  EXPECT_FALSE(report.problem);
  EXPECT_EQ(report.lines, QStringList({
                              "puerto: placa virtual",
                              "tiempo por byte escrito: 0,00 µs (4 bytes en 0,00 ms)",
                              "línea de datos: bien",
                              "palabra de configuración: 3FF1",
                              "palabra de identificación: 0561 (revisión 1)",
                              "PIC: PIC16F84A, revisión 1; es el dispositivo elegido",
                              "resultado: todo bien",
                          }));
}

// The board's faults are run end to end in the command-line tests; here, what each answer of the
// chip means for the selected device.
TEST(BoardTest, DiagnosesEachChipAnswer) {
  struct Case {
    const char* name;
    const char* selected;
    const char* chipDevice;
    int configWord;  // -1: the chip as new
    int idWord;      // -1: the chip's own
    ChipAnswer answer;
    bool problem;
    const char* says;  // a line of the report begins with this
  };
  const Case cases[] = {
      {"good", "PIC16F84A", nullptr, -1, -1, ChipAnswer::Known, false,
       "PIC: PIC16F84A, revisión 1; es el dispositivo elegido"},
      {"another device", "PIC16F877", "PIC16F876", -1, -1, ChipAnswer::Known, true,
       "PIC: PIC16F876, revisión 1; no es el dispositivo elegido (PIC16F877)"},
      {"erased, no DeviceID", "PIC16F84", nullptr, -1, -1, ChipAnswer::AllBlank, false,
       "resultado: la placa responde bien; no se puede saber si hay un PIC"},
      {"programmed, no DeviceID", "PIC16F84", nullptr, 0x3FF1, -1, ChipAnswer::NoIdWord, false,
       "PIC: responde, pero no tiene palabra de identificación"},
      {"no ID word, selected has one", "PIC16F84A", "PIC16F84", 0x3FF1, -1, ChipAnswer::NoIdWord,
       true,
       "PIC: responde, pero no tiene palabra de identificación (lee 3FFF), como el PIC16F84 o "
       "los PIC16C; no es un PIC16F84A, que sí la tiene"},
      {"erased, selected has an ID", "PIC16F84A", "PIC16F84", -1, -1, ChipAnswer::AllBlank, true,
       "PIC: todas las palabras leen 3FFF"},
      {"unknown word", "PIC16F84A", nullptr, -1, 0x1234, ChipAnswer::Unknown, true,
       "PIC: la palabra de identificación 1234 no es la de ningún"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BoardRig rig(c.selected, c.chipDevice);
    if (c.configWord >= 0) rig.chip.setConfigWord(std::uint16_t(c.configWord));
    if (c.idWord >= 0) rig.chip.setDeviceIdWord(std::uint16_t(c.idWord));
    const QByteArray before = rig.chip.hexText();

    const BoardTestReport report = rig.run();
    EXPECT_EQ(report.chip.answer, c.answer);
    EXPECT_EQ(report.problem, c.problem);
    EXPECT_TRUE(std::any_of(report.lines.begin(), report.lines.end(), [&](const QString& l) {
      return l.startsWith(QString(c.says));
    })) << report.lines.join('\n').toStdString();
    EXPECT_EQ(report.lines.last().startsWith("resultado: hay problemas"), c.problem);
    EXPECT_EQ(rig.sink.lines().back(), "W 24");
    EXPECT_EQ(rig.chip.hexText(), before);
  }
}

// A printer-driver port that takes 150 µs a byte on the virtual clock and whose status bit
// reads the opposite of the data bit driven.
class SlowInvertingPort : public Port {
 public:
  explicit SlowInvertingPort(VirtualClock& clock) : clock_(clock) {}
  bool writeByte(std::uint8_t value) override {
    clock_.advanceUs(150);
    last_ = value;
    return true;
  }
  std::uint8_t readStatus() override { return (last_ & 1) ? 0x00 : 0x40; }

 private:
  VirtualClock& clock_;
  std::uint8_t last_ = 0;
};

TEST(BoardTest, SlowPrinterPortIsToldItsPpdevNodeAndAnInvertedLineStopsTheChipRead) {
  VirtualClock clock;
  SlowInvertingPort inner(clock);
  TraceSink sink;
  RecordingPort port(inner, sink);
  Link link(port, clock, [] { return 14; });
  BoardTestSetup setup;
  setup.port.node = QStringLiteral("/dev/lp1");
  setup.port.kind = PortKind::Printer;
  setup.selected = shippedDevice(QStringLiteral("PIC16F84A"));
  setup.configPath = QStringLiteral("/etc/Tavrix.ini");
  setup.timingBudgetUs = 1000;  // 1000 bytes would not fit: timed over 7 of them

  const BoardTestReport report = runBoardTest(link, clock, setup);
  EXPECT_EQ(report.timedBytes, 7);
  EXPECT_EQ(sink.lines(),
            concat({writesTrace("24 24 24 24 24 24 24"), dataLineTrace("R 00", "R 40")}));
  EXPECT_TRUE(report.slowPort);
  EXPECT_EQ(report.dataLine, DataLine::Inverted);
  EXPECT_EQ(report.lines, QStringList({
                              "puerto: /dev/lp1, controlador de impresora (lp)",
                              "tiempo por byte escrito: 150,00 µs (7 bytes en 1,05 ms)",
                              "aviso: cada byte tarda más de 100 µs, como con el controlador de "
                              "impresora, que espera en cada byte a las líneas de protocolo de "
                              "una impresora; ponga portdevice=/dev/parport1 en la sección "
                              "[Config] de /etc/Tavrix.ini para usar el controlador de puerto "
                              "paralelo (ppdev)",
                              "línea de datos: invertida (lee 0 al enviar 1 y 1 al enviar 0)",
                              "PIC: no se lee con la línea de datos así; revise el cable, la "
                              "alimentación de la placa y la unión de PGD con la entrada ACK "
                              "(patilla 10 del conector)",
                              "resultado: hay problemas (vea las líneas anteriores)",
                          }));

  // As slow through the parallel-port driver: there is no other node to advise.
  setup.port.node = QStringLiteral("/dev/parport1");
  setup.port.kind = PortKind::Ppdev;
  const QStringList ppdev = runBoardTest(link, clock, setup).lines;
  ASSERT_GE(ppdev.size(), 3);
  EXPECT_EQ(ppdev[2],
            "aviso: cada byte tarda más de 100 µs con el controlador de puerto paralelo, que no "
            "espera a ninguna línea: el puerto es lento (una tarjeta o una máquina virtual "
            "lentas, o un equipo muy cargado); las órdenes tardarán más, con los mismos tiempos "
            "para el PIC");
  EXPECT_FALSE(ppdev.join(QLatin1Char('\n')).contains(QStringLiteral("portdevice")));
}

// An acknowledge input that changes by itself (a floating one, or a printer emulation that
// strobes on its own) is not taken for a good line, whichever level it happened to read first.
TEST(BoardTest, StatusLineThatTogglesOnItsOwnIsUnstableAndTheChipIsNotRead) {
  for (const int every : {1, 3, 5}) {
    SCOPED_TRACE(every);
    BoardRig rig("PIC16F84A");
    rig.watched.toggleEvery = every;
    const QByteArray before = rig.chip.hexText();
    const BoardTestReport report = rig.run();
    EXPECT_EQ(report.dataLine, DataLine::Unstable);
    EXPECT_TRUE(report.problem);
    EXPECT_FALSE(report.chipRead);
    EXPECT_EQ(report.lines.mid(2),
              QStringList({"línea de datos: inestable (cambia sola: con el mismo nivel enviado, "
                           "unas lecturas dan 0 y otras 1)",
                           "PIC: no se lee con la línea de datos así; revise el cable, la "
                           "alimentación de la placa y la unión de PGD con la entrada ACK "
                           "(patilla 10 del conector)",
                           "resultado: hay problemas (vea las líneas anteriores)"}));
    EXPECT_EQ(rig.sink.lines().back(), "W 24");
    EXPECT_EQ(rig.board.lines(), 0x24);
    EXPECT_EQ(rig.chip.hexText(), before);
  }
  // Byte for byte, toggling after every third read: high reads 40 40, then 00 00, then 40 00.
  BoardRig rig("PIC16F84A");
  rig.watched.toggleEvery = 3;
  rig.run();
  EXPECT_EQ(rig.sink.lines(),
            concat({writesTrace("24 24 24 24"),
                    {"W 31", "R 40", "R 40", "W 30", "R 00", "R 40", "W 31", "R 00", "R 00", "W 30",
                     "R 00", "R 00", "W 31", "R 40", "R 00", "W 30", "R 40", "R 40", "W 24"}}));
}

// A port whose every write is refused.
class RefusingPort : public Port {
 public:
  bool writeByte(std::uint8_t value) override {
    written.push_back(value);
    return false;
  }
  std::uint8_t readStatus() override { return 0x40; }
  std::vector<std::uint8_t> written;
};

TEST(BoardTest, PortThatRefusesWritesIsSaidSoAndTheChipIsNotRead) {
  VirtualClock clock;
  RefusingPort port;
  Link link(port, clock, [] { return 14; });
  BoardTestSetup setup;
  setup.port.node = QStringLiteral("/dev/parport0");
  setup.port.kind = PortKind::Ppdev;
  setup.timingBytes = 3;
  const BoardTestReport report = runBoardTest(link, clock, setup);
  EXPECT_TRUE(report.portRefused);
  EXPECT_TRUE(report.problem);
  EXPECT_EQ(port.written, std::vector<std::uint8_t>({0x24, 0x24, 0x24, 0x24}));
  EXPECT_EQ(report.lines,
            QStringList({"puerto: /dev/parport0, controlador de puerto paralelo (ppdev)",
                         "el puerto rechaza las escrituras: la placa no recibe nada",
                         "PIC: no se lee, el puerto no llega a la placa",
                         "resultado: hay problemas (vea las líneas anteriores)"}));
}

TEST(BoardTest, IdentificationChecksTheDataLineFirstAndReadsNoWordThroughAStuckOne) {
  // A sound line: the board test's loop back, then the two words.
  BoardRig good("PIC16F84A");
  Identification id = identifyOnBoard(good.link, good.setup.selected, good.setup.catalogue);
  EXPECT_EQ(good.sink.lines(),
            concat({dataLineTrace("R 40", "R 00"), identityReadTrace(0x0561, 0x3FFF)}));
  EXPECT_EQ(id.dataLine, DataLine::Good);
  EXPECT_EQ(id.answer, ChipAnswer::Known);
  EXPECT_FALSE(identificationProblem(id, good.setup.selected));

  // A stuck line is named as the board test names it; nothing blames the socket or the chip.
  for (const bool high : {false, true}) {
    SCOPED_TRACE(high ? "data1" : "data0");
    BoardRig stuck("PIC16F84A");
    stuck.board.setFaults(high ? BoardFaults{.data1 = true} : BoardFaults{.data0 = true});
    id = identifyOnBoard(stuck.link, stuck.setup.selected, stuck.setup.catalogue);
    const char* level = high ? "R 40" : "R 00";
    EXPECT_EQ(stuck.sink.lines(), dataLineTrace(level, level));
    EXPECT_EQ(id.dataLine, high ? DataLine::Always1 : DataLine::Always0);
    EXPECT_EQ(id.lines,
              QStringList({high ? "línea de datos: siempre 1" : "línea de datos: siempre 0",
                           "PIC: no se lee con la línea de datos así; revise el cable, la "
                           "alimentación de la placa y la unión de PGD con la entrada "
                           "ACK (patilla 10 del conector)"}));
    EXPECT_TRUE(identificationProblem(id, stuck.setup.selected));
  }

  // A port that refuses writes: said, nothing read.
  VirtualClock clock;
  RefusingPort refusing;
  Link link(refusing, clock, [] { return 14; });
  id = identifyOnBoard(link, good.setup.selected, good.setup.catalogue);
  EXPECT_TRUE(id.words.portFailed);
  EXPECT_EQ(id.lines, QStringList{"PIC: no se lee, el puerto no llega a la placa"});
  EXPECT_TRUE(identificationProblem(id, good.setup.selected));
}

TEST(IdentityCheck, ReadsOnlyForDevicesWithAnIdentificationWord) {
  // A device without one: nothing is sent, nothing refused.
  BoardRig f84("PIC16F84");
  EXPECT_TRUE(identityRefusal(f84.link, f84.setup.selected, f84.setup.catalogue).isEmpty());
  EXPECT_TRUE(f84.sink.lines().empty());

  // The selected device answering: the two words read, then the board idle.
  BoardRig f877("PIC16F877");
  EXPECT_TRUE(identityRefusal(f877.link, f877.setup.selected, f877.setup.catalogue).isEmpty());
  EXPECT_EQ(f877.sink.lines(), identityReadTrace(0x09A1, 0x3FFF));

  // Another revision of the same device is still that device.
  BoardRig rev("PIC16F877");
  rev.chip.setDeviceIdWord(0x09A7);
  EXPECT_TRUE(identityRefusal(rev.link, rev.setup.selected, rev.setup.catalogue).isEmpty());
}

}  // namespace
}  // namespace tavrix::test
