#pragma once

#include <QString>

// The HEX reader's and writer's user-visible texts.
namespace tavrix::texts {

inline QString hexCannotRead() {
  return QStringLiteral("No se puede leer el fichero HEX.");
}
inline QString hexChecksumError() {
  return QStringLiteral("Checksum error en el fichero HEX ¿Continuar leyendo?");
}
inline QString hexMissingColon() {
  return QStringLiteral("Hex File: falta \":\" al inicio.");
}
inline QString hexUnknownRecord() {
  return QStringLiteral("Hex File: comando HEX no reconocido.");
}
inline QString hexAddressOutOfRange() {
  return QStringLiteral("Hex File: dirección fuera de rango");
}
inline QString hexCannotCreate() {
  return QStringLiteral("No se puede crear el fichero.");
}

// Main-window caption after a HEX file was opened: "Tavrix - " and the file-name part of path.
inline QString hexWindowCaption(const QString& path) {
  return QStringLiteral("Tavrix - ") + path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

inline QString hexBadProgramCell(const QString& address, const QString& text) {
  return QStringLiteral(
             "No se ha guardado el fichero: la celda de programa %1 contiene \"%2\", que no es "
             "una palabra hexadecimal válida para este dispositivo.")
      .arg(address, text);
}

inline QString hexBadEEPromCell(const QString& offset, const QString& text) {
  return QStringLiteral(
             "No se ha guardado el fichero: la celda de EEPROM %1 contiene \"%2\", que no es un "
             "byte hexadecimal válido.")
      .arg(offset, text);
}

inline QString hexDeviceTooLarge(const QString& name) {
  return QStringLiteral(
             "No se ha guardado el fichero: las direcciones del dispositivo %1 no caben en las 4 "
             "cifras hexadecimales de un registro HEX.")
      .arg(name);
}

inline QString hexDeviceOverlap(const QString& name) {
  return QStringLiteral(
             "No se ha guardado el fichero: en el dispositivo %1 la memoria de programa o la "
             "EEPROM ocupan direcciones del fichero HEX que comparten entre sí o con las "
             "posiciones ID y la palabra de configuración (4000 a 400F).")
      .arg(name);
}

}  // namespace tavrix::texts
