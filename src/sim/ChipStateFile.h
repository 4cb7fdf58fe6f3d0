#pragma once

#include <QByteArray>
#include <QString>

#include <memory>
#include <vector>

#include "device/PathWalk.h"

namespace tavrix {

class FileSave;
class VirtualChip;

// The virtual chip's contents file, held for the whole of a run. From open() until the object
// goes the file is locked (an exclusive flock), so a second program on the same file is told
// that it is in use instead of one run's writes being lost. A save writes a new file, locked
// before it takes the file's name, so the lock holds across the save as well. A file that does
// not exist yet is created by open(), holding the erased chip and locked from the start.
//
// The path is walked as WalkedPath walks it: a link another user planted in a shared folder is
// not followed. Only regular files are used.
class ChipStateFile {
 public:
  ChipStateFile();
  ~ChipStateFile();
  ChipStateFile(const ChipStateFile&) = delete;
  ChipStateFile& operator=(const ChipStateFile&) = delete;

  // Opens and locks the file at `path`, creating it from `chip` (erased) when it does not
  // exist. False with the message when it cannot be used or another program holds it.
  bool open(const QString& path, const VirtualChip& chip, QString* error);
  // Loads the locked file into the chip; false with the message on a malformed file.
  bool load(VirtualChip& chip, QString* error);
  // Saves the chip over the file; false with the message (the system's reason), the previous
  // file then intact. A chip that holds what was loaded leaves the file as it is, byte for
  // byte. The same in two steps: prepare() writes the new file beside the old one, locked;
  // commit() syncs it and puts it in place, unless a signal that ends the program came
  // meanwhile (the run is then ending as killed, and the previous file stays).
  bool save(const VirtualChip& chip, QString* error);
  bool prepare(const VirtualChip& chip, QString* error);
  bool commit(QString* error);
  // For a run that stops before it touched the chip: a file open() created is removed again.
  void discardCreated();

 private:
  QString path_;
  WalkedPath place_;
  int fd_ = -1;
  std::vector<int> saved_;  // the files saves put in place, kept open for their locks
  bool created_ = false;
  QByteArray held_;                 // the chip's contents as the file holds them now
  std::unique_ptr<FileSave> save_;  // prepared, not yet put in place
  QByteArray saving_;
};

}  // namespace tavrix
