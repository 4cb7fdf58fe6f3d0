#pragma once

#include <QString>
#include <QStringList>

#include "image/HexText.h"

// The user-visible texts of the board test, of chip identification and of the identity check.
namespace tavrix::texts {

// A figure with two decimals, written with a decimal comma.
inline QString decimalText(double value) {
  return QString::number(value, 'f', 2).replace(QLatin1Char('.'), QLatin1Char(','));
}

// --- Chip identification (board test, "Identificar PIC", tavrix-cli identify).
inline QString configWordLine(qint64 word) {
  return QStringLiteral("palabra de configuración: ") + hexText(word, 4);
}
inline QString idWordLine(qint64 word) {
  return QStringLiteral("palabra de identificación: ") + hexText(word, 4);
}
inline QString idWordWithRevisionLine(qint64 word, int revision) {
  return idWordLine(word) + QStringLiteral(" (revisión %1)").arg(revision);
}
inline QString deviceNames(const QStringList& names) {
  return names.join(QStringLiteral(" o "));
}
inline QString chipIsSelected(const QStringList& names, int revision) {
  return QStringLiteral("PIC: %1, revisión %2; es el dispositivo elegido")
      .arg(deviceNames(names))
      .arg(revision);
}
inline QString chipIsNotSelected(const QStringList& names, int revision, const QString& selected) {
  return QStringLiteral("PIC: %1, revisión %2; no es el dispositivo elegido (%3)")
      .arg(deviceNames(names))
      .arg(revision)
      .arg(selected);
}
inline QString chipUnknownWord(qint64 word) {
  return QStringLiteral(
             "PIC: la palabra de identificación %1 no es la de ningún dispositivo del fichero de "
             "configuración")
      .arg(hexText(word, 4));
}
inline QString chipSilent() {
  return QStringLiteral(
      "PIC: no responde ningún PIC (todas las palabras leen 0000): compruebe el zócalo, la "
      "alimentación (VDD), la tensión de programación (VPP) y el cable");
}
// Every word 3FFF: an empty socket on a board that reads ones, or an erased part without an
// identification word; said as such, since the two answer alike.
inline QString chipAllBlank(const QString& selected, bool selectedHasId) {
  return QStringLiteral(
             "PIC: todas las palabras leen 3FFF: o no responde ningún PIC (compruebe el zócalo, "
             "VDD, VPP y el cable) o hay un PIC borrado sin palabra de identificación, que "
             "responde igual; ") +
         (selectedHasId
              ? QStringLiteral("un %1 respondería con su palabra de identificación").arg(selected)
              : QStringLiteral("el dispositivo elegido, %1, no tiene palabra de identificación")
                    .arg(selected));
}
inline QString chipWithoutIdWord(const QString& selected, bool selectedHasId) {
  return QStringLiteral(
             "PIC: responde, pero no tiene palabra de identificación (lee 3FFF), como el "
             "PIC16F84 o los PIC16C; ") +
         (selectedHasId ? QStringLiteral("no es un %1, que sí la tiene").arg(selected)
                        : QStringLiteral("puede ser el dispositivo elegido, %1").arg(selected));
}

// --- The identity check of a write or an unprotect: why nothing will be written.
inline QString refusalSilent() {
  return QStringLiteral(
      "No responde ningún PIC (las palabras de identificación y de configuración leen 0000): "
      "compruebe el zócalo, VDD, VPP y el cable.");
}
inline QString refusalAllBlank(const QString& selected) {
  return QStringLiteral(
             "No responde ningún PIC como %1 (todas las palabras leen 3FFF): compruebe el "
             "zócalo, VDD, VPP y el cable; un PIC borrado sin palabra de identificación "
             "respondería igual, y no sería un %1.")
      .arg(selected);
}
inline QString refusalNoIdWord(const QString& selected) {
  return QStringLiteral(
             "El PIC del zócalo no tiene palabra de identificación (lee 3FFF) y un %1 sí la "
             "tiene: no es un %1.")
      .arg(selected);
}
inline QString refusalOtherDevice(const QStringList& names, qint64 word, int revision,
                                  const QString& selected) {
  return QStringLiteral(
             "El PIC del zócalo es un %1 (palabra de identificación %2, revisión %3), no un %4.")
      .arg(deviceNames(names), hexText(word, 4))
      .arg(revision)
      .arg(selected);
}
inline QString refusalUnknownWord(qint64 word, const QString& selected) {
  return QStringLiteral(
             "El PIC del zócalo no es un %1: su palabra de identificación, %2, no es la de "
             "ningún dispositivo del fichero de configuración.")
      .arg(selected, hexText(word, 4));
}

// --- The board test.
inline QString boardPortLine(const QString& node, const QString& kind) {
  return QStringLiteral("puerto: %1, %2").arg(node, kind);
}
inline QString virtualBoardName() {
  return QStringLiteral("placa virtual");
}
// The virtual board's faults, as the board test names the board.
inline QString virtualFaultsNote(const QString& names) {
  return QStringLiteral("fallos: %1").arg(names);
}
inline QString virtualPortLine(const QString& note) {
  return QStringLiteral("puerto: ") + virtualBoardName() +
         (note.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(note));
}
inline QString byteTimeLine(double usPerByte, qint64 bytes, double ms) {
  return QStringLiteral("tiempo por byte escrito: %1 µs (%2 bytes en %3 ms)")
      .arg(decimalText(usPerByte))
      .arg(bytes)
      .arg(decimalText(ms));
}
inline QString slowPortWarning(const QString& ppdevNode, const QString& configPath) {
  return QStringLiteral(
             "aviso: cada byte tarda más de 100 µs, como con el controlador de impresora, que "
             "espera en cada byte a las líneas de protocolo de una impresora; ponga "
             "portdevice=%1 en la sección [Config] de %2 para usar el controlador de puerto "
             "paralelo (ppdev)")
      .arg(ppdevNode, configPath);
}
// Slow through the parallel-port driver, which has no handshake to wait for: the port itself.
inline QString slowPpdevPortWarning() {
  return QStringLiteral(
      "aviso: cada byte tarda más de 100 µs con el controlador de puerto paralelo, que no espera "
      "a ninguna línea: el puerto es lento (una tarjeta o una máquina virtual lentas, o un "
      "equipo muy cargado); las órdenes tardarán más, con los mismos tiempos para el PIC");
}
// The virtual board made slow on purpose: nothing to change in the device file.
inline QString slowVirtualBoardWarning() {
  return QStringLiteral(
      "aviso: cada byte tarda más de 100 µs: la placa virtual imita así un puerto lento, como el "
      "controlador de impresora con una placa real");
}
inline QString portRefusesWrites() {
  return QStringLiteral("el puerto rechaza las escrituras: la placa no recibe nada");
}
inline QString dataLineGood() {
  return QStringLiteral("línea de datos: bien");
}
inline QString dataLineAlways(int level) {
  return QStringLiteral("línea de datos: siempre %1").arg(level);
}
inline QString dataLineUnstable() {
  return QStringLiteral(
      "línea de datos: inestable (cambia sola: con el mismo nivel enviado, unas lecturas dan 0 "
      "y otras 1)");
}
inline QString dataLineInverted() {
  return QStringLiteral("línea de datos: invertida (lee 0 al enviar 1 y 1 al enviar 0)");
}
inline QString chipNotReadWithBadDataLine() {
  return QStringLiteral(
      "PIC: no se lee con la línea de datos así; revise el cable, la alimentación de la placa y "
      "la unión de PGD con la entrada ACK (patilla 10 del conector)");
}
inline QString chipNotReadWithoutPort() {
  return QStringLiteral("PIC: no se lee, el puerto no llega a la placa");
}
inline QString boardResultGood() {
  return QStringLiteral("resultado: todo bien");
}
// Every word 3FFF with a device selected that has no identification word: nothing is wrong
// that the test can see, and it cannot see whether a chip is there.
inline QString boardResultChipUnknown() {
  return QStringLiteral(
      "resultado: la placa responde bien; no se puede saber si hay un PIC en el zócalo");
}
inline QString boardResultProblems() {
  return QStringLiteral("resultado: hay problemas (vea las líneas anteriores)");
}

}  // namespace tavrix::texts
