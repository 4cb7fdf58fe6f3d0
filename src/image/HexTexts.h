#pragma once

#include <QString>
#include <QStringList>

#include "image/LineReader.h"

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
// A data record whose line ends before its length field's bytes and checksum.
inline QString hexShortRecord() {
  return QStringLiteral("Hex File: registro más corto que su longitud.");
}
// A line past the reader's cap, read past without being held.
inline QString hexLongLine() {
  return QStringLiteral("Hex File: línea demasiado larga (más de %1 caracteres).")
      .arg(LineReader::kMaxLine);
}
// The closing box of a load in which a question covered several records: "Hex File: " and one
// sentence per cause of that question, each with its count.
inline QString hexTally(const QStringList& sentences) {
  return QStringLiteral("Hex File: ") + sentences.join(QLatin1Char(' '));
}
inline QString hexChecksumTally(int n) {
  return n == 1 ? QStringLiteral("1 registro con checksum erróneo se ha cargado igualmente.")
                : QStringLiteral("%1 registros con checksum erróneo se han cargado igualmente.")
                      .arg(n);
}
inline QString hexMissingColonTally(int n) {
  return n == 1 ? QStringLiteral("1 registro sin \":\" al inicio no se ha cargado.")
                : QStringLiteral("%1 registros sin \":\" al inicio no se han cargado.").arg(n);
}
inline QString hexUnknownRecordTally(int n) {
  return n == 1 ? QStringLiteral("1 registro de tipo no reconocido no se ha cargado.")
                : QStringLiteral("%1 registros de tipo no reconocido no se han cargado.").arg(n);
}
inline QString hexShortRecordTally(int n) {
  return n == 1
             ? QStringLiteral("1 registro más corto que su longitud no se ha cargado.")
             : QStringLiteral("%1 registros más cortos que su longitud no se han cargado.").arg(n);
}
inline QString hexLongLineTally(int n) {
  return n == 1 ? QStringLiteral("1 línea demasiado larga no se ha cargado.")
                : QStringLiteral("%1 líneas demasiado largas no se han cargado.").arg(n);
}
inline QString hexOutOfRangeTally(int n) {
  return n == 1 ? QStringLiteral("1 registro fuera de rango no se ha cargado.")
                : QStringLiteral("%1 registros fuera de rango no se han cargado.").arg(n);
}
inline QString hexPastAreaEndTally(int n) {
  return n == 1 ? QStringLiteral(
                      "1 registro que pasa del final de su área se ha cargado solo en parte.")
                : QStringLiteral(
                      "%1 registros que pasan del final de su área se han cargado solo en parte.")
                      .arg(n);
}

// The box's text, then the path and why on a line of their own.
inline QString hexCannotCreate(const QString& path, const QString& reason) {
  return QStringLiteral("No se puede crear el fichero.\n") +
         (path.isEmpty() ? reason : path + QStringLiteral(": ") + reason) + QLatin1Char('.');
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
