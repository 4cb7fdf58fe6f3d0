#include "sim/BoardFaults.h"

#include <QStringList>

#include "sim/SimTexts.h"

namespace tavrix {

namespace {

struct FaultName {
  const char* name;
  bool BoardFaults::*flag;
};

constexpr FaultName kFaultNames[] = {
    {"nochip", &BoardFaults::noChip}, {"novpp", &BoardFaults::noVpp},
    {"data0", &BoardFaults::data0},   {"data1", &BoardFaults::data1},
    {"slow", &BoardFaults::slow},
};

}  // namespace

QString BoardFaults::names() const {
  QStringList list;
  for (const FaultName& f : kFaultNames)
    if (this->*f.flag) list.append(QLatin1String(f.name));
  return list.join(QLatin1Char(','));
}

bool parseBoardFaults(const QString& list, BoardFaults* faults, QString* problem) {
  BoardFaults chosen;
  for (const QString& raw : list.split(QLatin1Char(','))) {
    const QString name = raw.trimmed();
    const FaultName* known = nullptr;
    for (const FaultName& f : kFaultNames)
      if (name == QLatin1String(f.name)) known = &f;
    if (!known) {
      *problem = texts::unknownBoardFault(name);
      return false;
    }
    chosen.*known->flag = true;
  }
  if (chosen.data0 && chosen.data1) {
    *problem = texts::stuckBothWays();
    return false;
  }
  *faults = chosen;
  return true;
}

}  // namespace tavrix
