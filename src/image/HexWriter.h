#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace tavrix {

class MemoryImage;
class Prompts;

// How a save ended. Whatever it is, an existing file at the path is replaced only by a save
// that completed.
enum class HexSave {
  Saved,
  Refused,     // a cell or the device cannot be written; the reason was shown, nothing written
  NotCreated,  // "No se puede crear el fichero." was shown
  Failed,      // writing failed; the system's error text was shown
};

// Saves the whole image as an Intel HEX file: every program word, the identifier at byte
// address 0x4000, the configuration word at 0x400E, every EEPROM byte, the end record; one
// record per 16 words or bytes, each line ended by LF. The identifier box is read with
// ReadIdent, which rewrites it in its 4-digit form.
HexSave WriteHexFile(const QString& path, MemoryImage& image, Prompts& prompts);

// The text a save writes, or empty with the reason in `refusal` when the image or its device
// cannot be written.
std::optional<QByteArray> hexFileText(MemoryImage& image, QString* refusal = nullptr);

}  // namespace tavrix
