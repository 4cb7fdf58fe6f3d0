#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include "device/DeviceDef.h"

namespace tavrix {

class Link;

// The two configuration words that tell what sits in the socket, as read over the wire.
struct IdentityWords {
  qint32 idWord = 0;        // 0x2006: device code in bits 13-5, silicon revision in bits 4-0
  qint32 configWord = 0;    // 0x2007
  bool portFailed = false;  // the port refused a write: the words did not come from the chip
};

// Reads both words without writing anything to the chip: Program Mode On, Load Configuration
// (any data; 3FFF), six Increment Address, Read Data (0x2006), Increment Address, Read Data
// (0x2007), Program Mode Off, which leaves the board idle with the supply cut.
IdentityWords readIdentityWords(Link& link);

// What the words say about the socket.
enum class ChipAnswer {
  Silent,    // every word 0000: nothing drives the data line (no chip, no supply, no VPP)
  AllBlank,  // every word 3FFF: no chip on a board that reads ones, or an erased part without
             // an identification word; the two cannot be told apart
  NoIdWord,  // a chip answers (its configuration word) with no identification word (3FFF)
  Known,     // the identification word names at least one device of the device file
  Unknown,   // an identification word no device of the file has
};

ChipAnswer classifyAnswer(const IdentityWords& words, const QStringList& matches);

// Every device of the device file (the first section of each name), in file order, with its
// keys read.
QList<DeviceDef> readDeviceCatalogue(const QString& configPath);

// Names of the devices whose identification word `word` is one of the revisions of.
QStringList devicesAnswering(const QList<DeviceDef>& catalogue, qint32 word);

// The data line looped back without the chip: it follows the host's bit, stays at one level or
// reads the other level.
enum class DataLine { NotChecked, Good, Always0, Always1, Inverted, Unstable };

// What the identification word says, in the terms the user reads: the word, the revision, the
// device(s) of the file it names and whether the selected device is among them.
struct Identification {
  // Checked first on a board ("Identificar PIC", `identify`): with a line that does not follow,
  // no word is read, since every word would read as the line stands.
  DataLine dataLine = DataLine::NotChecked;
  IdentityWords words;
  ChipAnswer answer = ChipAnswer::Silent;
  QStringList matches;
  bool selectedMatches = false;
  // The report: one line each, ready for a terminal or a box.
  QStringList lines;
};

Identification identifyChip(Link& link, const DeviceDef& selected,
                            const QList<DeviceDef>& catalogue);

// The identity check before a write or an unprotect: empty when the chip in the socket answers
// as `selected` (or `selected` has no identification word, in which case nothing is sent);
// otherwise why nothing will be written. `link` is used only when `selected` has a DeviceID.
QString identityRefusal(Link& link, const DeviceDef& selected, const QList<DeviceDef>& catalogue);

}  // namespace tavrix
