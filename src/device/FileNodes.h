#pragma once

#include <QFile>
#include <QString>

namespace tavrix {

// Opens `path` for reading only when it names a regular file (symbolic links followed). A FIFO
// is refused without waiting for a writer, a device such as /dev/zero without reading endless
// data, and a folder. False when the path cannot be read that way.
bool openRegularFile(const QString& path, QFile& file);

// What a save finds at its path.
enum class SaveNode {
  File,     // nothing yet, or a regular file: a new file replaces it once it is complete
  Device,   // a character device such as /dev/null or /dev/full: written in place, never replaced
  Refused,  // an empty path, a folder, FIFO, socket or block device: nothing is written
};
SaveNode saveNodeAt(const QString& path);

// Opens the character device at `path` for writing, without creating, truncating or waiting.
bool openDeviceForWriting(const QString& path, QFile& file);

}  // namespace tavrix
