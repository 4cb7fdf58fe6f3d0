#pragma once

#include <QString>

#include "device/FileNames.h"

// The device layer's user-visible texts.
namespace tavrix::texts {

inline QString configFileMissing(const QString& path) {
  return QStringLiteral("Fichero de configuración ") + visibleName(path) +
         QStringLiteral(
             " no encontrado. Vuelva a copiar este fichero o instale de nuevo el programa.");
}

// A device file that exists and cannot be read, with the reason.
inline QString configFileUnreadable(const QString& path, const QString& reason) {
  return QStringLiteral("No se puede leer el fichero de configuración %1: %2.")
      .arg(visibleName(path), reason);
}

// A device file that was read, every one of whose devices was refused.
inline QString noUsableDevice(const QString& path) {
  return QStringLiteral("Fichero de configuración ") + visibleName(path) +
         QStringLiteral(
             ": ningún dispositivo del fichero se puede usar. Corrija el fichero o instale de "
             "nuevo el programa.");
}

inline QString deviceFileTooLarge() {
  return QStringLiteral("pasa de 64 MB, más que cualquier fichero de dispositivos");
}

inline QString badProgBits(const QString& name, qint32 bits, qint32 max) {
  return QStringLiteral(
             "El dispositivo %1 no se puede usar: ProgBits=%2 está fuera del rango 0 a %3.")
      .arg(name)
      .arg(bits)
      .arg(max);
}

inline QString badProgMem(const QString& name, qint32 words, qint32 max) {
  return QStringLiteral(
             "El dispositivo %1 no se puede usar: ProgMem=%2 está fuera del rango 0 a %3.")
      .arg(name)
      .arg(words)
      .arg(max);
}

inline QString badEEProm(const QString& name, qint32 bytes, qint32 max) {
  return QStringLiteral("El dispositivo %1 no se puede usar: EEProm=%2 es mayor que %3.")
      .arg(name)
      .arg(bytes)
      .arg(max);
}

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

// A DeviceID key that gives no identification word, so no identity check can run.
inline QString unusableDeviceId(const QString& name, const QString& value) {
  return QStringLiteral(
             "El dispositivo %1 tiene DeviceID=%2, que no es una palabra de identificación: no "
             "se comprueba qué PIC hay en el zócalo. Escriba el valor solo (por ejemplo "
             "DeviceID=$0560) y los comentarios en una línea propia que empiece por \";\".")
      .arg(name, value);
}

}  // namespace tavrix::texts
