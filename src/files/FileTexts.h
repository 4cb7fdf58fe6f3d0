#pragma once

#include <QString>

// Why a file is not read or written where a path points: the file layer's user-visible texts.
namespace tavrix::texts {

// Why a file is not written there: a FIFO, a socket, a block device.
inline QString notAFile() {
  return QStringLiteral("no es un fichero regular");
}
// Why a file written as it goes (a trace) is not written there: a FIFO, a socket, a block device.
inline QString notAFileOrCharDevice() {
  return QStringLiteral("no es un fichero regular ni un dispositivo de caracteres");
}

// Why a file is not written: a symbolic link another user planted in a shared folder.
inline QString plantedLink(const QString& link, bool isTheFile) {
  const QString rule = QStringLiteral(
      "de otro usuario en una carpeta compartida (sticky y con escritura para todos), que no se "
      "sigue");
  if (isTheFile) return QStringLiteral("es un enlace simbólico ") + rule;
  return QStringLiteral("pasa por el enlace simbólico ") + link + QStringLiteral(", ") + rule;
}

}  // namespace tavrix::texts
