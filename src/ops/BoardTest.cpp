#include "ops/BoardTest.h"

#include <QRegularExpression>

#include <algorithm>

#include "files/FileNames.h"
#include "link/Clock.h"
#include "link/Link.h"
#include "link/PortOpening.h"
#include "ops/BoardTexts.h"

namespace tavrix {

namespace {

enum PortOperation { kPortWrite = 0, kPortStatus = 2 };

// Supply cut, data driver released, VPP off.
constexpr int kIdle = 0x24;
// Supply cut, MCLR held at ground and the data driver on (release bit clear), data high then
// low: status bit 0x40 follows the host's own bit, with or without a chip in the socket, and a
// chip there is not powered through its pins.
constexpr int kLoopHigh = 0x31;
constexpr int kLoopLow = 0x30;
constexpr int kStatusData = 0x40;
// Each level is driven this many times, alternately, and read this many times after each
// settling time: an input that changes by itself disagrees with itself somewhere.
constexpr int kAlternations = 3;
constexpr int kReadsPerLevel = 2;
constexpr std::int64_t kSettleUs = 50;

// The ppdev node of the same port as a printer node (/dev/lp1 -> /dev/parport1).
QString ppdevNodeFor(const BoardPortInfo& port) {
  static const QRegularExpression printerNode(QStringLiteral("^(.*/)lp([0-9]+)$"));
  const QRegularExpressionMatch m = printerNode.match(port.node);
  if (!port.virtualBoard && m.hasMatch())
    return m.captured(1) + QStringLiteral("parport") + m.captured(2);
  return QStringLiteral("/dev/parport0");
}

QString portLine(const BoardPortInfo& port) {
  if (port.virtualBoard) return texts::virtualPortLine(port.note);
  return texts::boardPortLine(port.node, QString::fromUtf8(portKindName(port.kind).c_str()));
}

QString dataLineLine(DataLine line) {
  switch (line) {
    case DataLine::Good:
      return texts::dataLineGood();
    case DataLine::Inverted:
      return texts::dataLineInverted();
    case DataLine::Always0:
    case DataLine::NotChecked:
      return texts::dataLineAlways(0);
    case DataLine::Always1:
      return texts::dataLineAlways(1);
    case DataLine::Unstable:
      return texts::dataLineUnstable();
  }
  return {};
}

// The port's own reason for refusing a write, when it gave one, as a line of the report.
void addPortProblem(QStringList& lines, Link& link) {
  if (const std::string why = link.port().writeProblem(); !why.empty())
    lines << visibleName(nameFromBytes(QByteArrayView(why)));
}

}  // namespace

bool identificationProblem(const Identification& chip, const DeviceDef& selected) {
  if (chip.words.portFailed) return true;
  if (chip.dataLine != DataLine::NotChecked && chip.dataLine != DataLine::Good) return true;
  const bool selectedHasId = selected.DeviceID != kNoDeviceId;
  switch (chip.answer) {
    case ChipAnswer::Silent:
    case ChipAnswer::Unknown:
      return true;
    case ChipAnswer::AllBlank:  // an erased part without the word, as the selected one is
    case ChipAnswer::NoIdWord:
      return selectedHasId;
    case ChipAnswer::Known:
      return !chip.selectedMatches;
  }
  return true;
}

DataLine checkDataLine(Link& link) {
  int readsOf[2][2] = {};  // [level driven][status bit read]
  for (int round = 0; round < kAlternations; ++round) {
    for (const int level : {1, 0}) {
      link.PortOp(kPortWrite, level ? kLoopHigh : kLoopLow);
      for (int read = 0; read < kReadsPerLevel; ++read) {
        link.clock().waitUs(kSettleUs);  // the line settles before each sample
        ++readsOf[level][(link.PortOp(kPortStatus, 0) & kStatusData) ? 1 : 0];
      }
    }
  }
  link.PortOp(kPortWrite, kIdle);
  // One answer per level, or the input moves by itself.
  if ((readsOf[1][0] && readsOf[1][1]) || (readsOf[0][0] && readsOf[0][1]))
    return DataLine::Unstable;
  const bool high = readsOf[1][1] > 0;
  const bool low = readsOf[0][1] > 0;
  if (high && !low) return DataLine::Good;
  return high ? DataLine::Always1 : (low ? DataLine::Inverted : DataLine::Always0);
}

Identification identifyOnBoard(Link& link, const DeviceDef& selected,
                               const QList<DeviceDef>& catalogue) {
  const std::uint64_t failedBefore = link.failedWrites();
  const DataLine line = checkDataLine(link);
  Identification id;
  if (link.failedWrites() != failedBefore) {
    id.words.portFailed = true;
    id.lines << texts::chipNotReadWithoutPort();
    addPortProblem(id.lines, link);
    return id;
  }
  if (line != DataLine::Good) {
    id.dataLine = line;
    id.lines << dataLineLine(line) << texts::chipNotReadWithBadDataLine();
    return id;
  }
  id = identifyChip(link, selected, catalogue);
  id.dataLine = line;
  return id;
}

BoardPortInfo boardPortInfo(const ParallelPort* real, const QString& virtualNote) {
  BoardPortInfo info;
  if (real) {
    info.node = QString::fromStdString(real->portPath());
    info.kind = real->kind();
  } else {
    info.virtualBoard = true;
    info.note = virtualNote;
  }
  return info;
}

BoardTestReport runBoardTest(Link& link, Clock& timer, const BoardTestSetup& setup) {
  BoardTestReport report;
  report.lines << portLine(setup.port);

  // The port's speed: idle bytes, which the board takes as "supply cut" whatever it holds.
  const std::uint64_t failedBefore = link.failedWrites();
  const int bytes = std::max(setup.timingBytes, 1);
  const std::int64_t start = timer.nowUs();
  std::int64_t elapsed = 0;
  while (report.timedBytes < bytes) {
    link.PortOp(kPortWrite, kIdle);
    ++report.timedBytes;
    elapsed = timer.nowUs() - start;
    if (elapsed > setup.timingBudgetUs) break;
  }
  if (link.failedWrites() != failedBefore) {
    report.portRefused = true;
    report.problem = true;
    report.lines << texts::portRefusesWrites();
    addPortProblem(report.lines, link);
    report.lines << texts::chipNotReadWithoutPort() << texts::boardResultProblems();
    link.PortOp(kPortWrite, kIdle);
    return report;
  }
  report.usPerByte = double(elapsed) / double(report.timedBytes);
  report.lines << texts::byteTimeLine(report.usPerByte, report.timedBytes, elapsed / 1000.0);
  if (report.usPerByte > kSlowByteLimitUs) {
    report.slowPort = true;
    report.problem = true;
    // The virtual board has no driver to change and its device file may be anywhere; on the
    // parallel-port driver already there is no other to take.
    if (setup.port.virtualBoard)
      report.lines << texts::slowVirtualBoardWarning();
    else if (setup.port.kind == PortKind::Ppdev)
      report.lines << texts::slowPpdevPortWarning();
    else
      report.lines << texts::slowPortWarning(ppdevNodeFor(setup.port),
                                             visibleName(setup.configPath));
  }

  // The data path, without the chip: the board drives the line and the status bit reads it.
  report.dataLine = checkDataLine(link);
  report.lines << dataLineLine(report.dataLine);
  if (report.dataLine != DataLine::Good) {
    // Every word would read as the line stands: the chip cannot be heard.
    report.problem = true;
    report.lines << texts::chipNotReadWithBadDataLine() << texts::boardResultProblems();
    return report;
  }

  // The chip: two words read, nothing written; Program Mode Off leaves the board idle.
  report.chipRead = true;
  report.chip = identifyChip(link, setup.selected, setup.catalogue);
  report.lines << report.chip.lines;
  if (identificationProblem(report.chip, setup.selected)) report.problem = true;
  if (report.problem)
    report.lines << texts::boardResultProblems();
  else if (report.chip.answer == ChipAnswer::AllBlank)
    report.lines << texts::boardResultChipUnknown();
  else
    report.lines << texts::boardResultGood();
  return report;
}

}  // namespace tavrix
