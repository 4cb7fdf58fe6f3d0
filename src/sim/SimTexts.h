#pragma once

#include <QString>

#include "files/FileNames.h"

// User-visible texts of the virtual chip's contents file and of the virtual board's faults.
namespace tavrix::texts {

// Each with the reason after the path when there is one (the system's text, or why a link was
// not followed).
inline QString chipFileOpen(const QString& path, const QString& reason = {}) {
  if (reason.isEmpty())
    return QStringLiteral("No se puede abrir el fichero %1.").arg(visibleName(path));
  return QStringLiteral("No se puede abrir el fichero %1: %2.").arg(visibleName(path), reason);
}

inline QString chipFileCreate(const QString& path, const QString& reason) {
  return QStringLiteral("No se puede crear el fichero %1: %2.").arg(visibleName(path), reason);
}

inline QString chipFileWrite(const QString& path, const QString& reason) {
  return QStringLiteral("Error al escribir el fichero %1: %2.").arg(visibleName(path), reason);
}

inline QString chipFileInUse() {
  return QStringLiteral("el fichero de estado está en uso por otro programa.");
}

inline QString chipFileOverlap(const QString& name) {
  return QStringLiteral(
             "El dispositivo %1 no se puede usar con la placa virtual: su memoria de programa y "
             "su EEPROM ocupan direcciones del fichero de estado que comparten entre sí o con "
             "las posiciones ID y la palabra de configuración (4000 a 400F).")
      .arg(name);
}

inline QString hexLongLine(int line) {
  return QStringLiteral("Línea %1: la línea es más larga que cualquier registro.").arg(line);
}

inline QString hexNoColon(int line) {
  return QStringLiteral("Línea %1: el registro no empieza por ':'.").arg(line);
}

inline QString hexBadDigit(int line) {
  return QStringLiteral("Línea %1: carácter no hexadecimal.").arg(line);
}

inline QString hexOddDigits(int line) {
  return QStringLiteral("Línea %1: número impar de dígitos.").arg(line);
}

inline QString hexShortRecord(int line) {
  return QStringLiteral("Línea %1: registro demasiado corto.").arg(line);
}

inline QString hexBadLength(int line) {
  return QStringLiteral("Línea %1: la longitud no coincide con los datos.").arg(line);
}

inline QString hexBadChecksum(int line) {
  return QStringLiteral("Línea %1: suma de control incorrecta.").arg(line);
}

inline QString hexBadType(int line, int type) {
  return QStringLiteral("Línea %1: tipo de registro %2 no admitido.")
      .arg(line)
      .arg(QString::number(type, 16).toUpper().rightJustified(2, QLatin1Char('0')));
}

inline QString hexPastEnd(int line) {
  return QStringLiteral("Línea %1: los datos pasan de la dirección FFFF.").arg(line);
}

inline QString hexNoEnd() {
  return QStringLiteral("Falta el registro de fin de fichero.");
}

inline QString hexOutsideChip(int line, int byteAddress) {
  return QStringLiteral("Línea %1: la dirección %2 está fuera de la memoria del chip.")
      .arg(line)
      .arg(QString::number(byteAddress, 16).toUpper().rightJustified(4, QLatin1Char('0')));
}

inline QString hexEEPromDoesNotFit() {
  return QStringLiteral("La EEPROM del dispositivo no cabe en un fichero HEX.");
}

inline QString unknownBoardFault(const QString& name) {
  return QStringLiteral(
             "fallo de placa desconocido: «%1» (se admiten nochip, novpp, data0, data1, slow).")
      .arg(name);
}

inline QString stuckBothWays() {
  return QStringLiteral(
      "data0 y data1 no pueden ir juntos: la línea de datos se queda fija en "
      "un solo nivel.");
}

}  // namespace tavrix::texts
