#pragma once

#include <QString>
#include <QStringView>

#include <functional>
#include <optional>

namespace tavrix {

class MemoryImage;
class Prompts;

// Checksum of a HEX line: the characters from the second on, taken in pairs (the last may be a
// single character), each read as hexadecimal and added up; the two's complement of the sum's
// low byte as 2 upper-case digits. A whole correct record gives "00"; a record without its
// checksum field gives the field to append. Empty when a group does not read as hexadecimal;
// `failedGroup` then receives that group.
std::optional<QString> HexChecksum(QStringView line, QString* failedGroup = nullptr);

// How a load ended.
enum class HexLoad {
  NotOpened,  // "No se puede leer el fichero HEX." was shown; nothing changed
  Completed,  // read to its end, its end record or a Cancel; the caller refreshes the status bar
  Abandoned,  // stopped at a text that is not a number; the records before it stay loaded
};

// Called once the file is open and before any record is read, with the path given: the main
// window sets its caption (texts::hexWindowCaption) and the last-file item there.
using HexFileOpened = std::function<void(const QString& path)>;

// Called when a load has been read to its end (HexLoad::Completed), after the file was closed
// and before the boxes that close the load: the main window refreshes its status bar there.
using HexFileLoaded = std::function<void()>;

// Loads an Intel HEX file into the image: program memory, EEPROM, identifier and, when the file
// has one, the configuration word; both extents end at the data loaded. Only regular files are
// read, in bounded memory whatever their lines' lengths (LineReader). Bad records (a line too
// long or shorter than its record's length among them) are reported through `prompts` and
// skipped; each question text is asked once per load, and one box at the end counts the records
// a repeated question covered, each under one cause.
HexLoad ReadHexFile(const QString& path, MemoryImage& image, Prompts& prompts,
                    const HexFileOpened& opened = {}, const HexFileLoaded& loaded = {});

}  // namespace tavrix
