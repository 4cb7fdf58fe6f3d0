#pragma once

#include <QFile>
#include <QString>

namespace tavrix {

// Opens `path` (a name as FileNames holds it) for reading only when it names a regular file
// (symbolic links followed). A FIFO is refused without waiting for a writer, a device such as
// /dev/zero without reading endless data, and a folder. False when the path cannot be read that
// way, with errno set (EINVAL for a node that is not a regular file).
bool openRegularFile(const QString& path, QFile& file);

}  // namespace tavrix
