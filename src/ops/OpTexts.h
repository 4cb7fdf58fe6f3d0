#pragma once

#include <QString>

#include <string>

#include "files/FileNames.h"
#include "image/HexText.h"
#include "link/LinkTexts.h"

// The programming operations' user-visible texts.
namespace tavrix::texts {

// The port message, followed on the next line by the port's own reason when it gave one (its
// node's name shown, never obeyed by a terminal).
inline QString portFailure(const std::string& problem) {
  QString text = QString::fromUtf8(kNoParallelPortUtf8);
  if (!problem.empty())
    text += QLatin1Char('\n') + visibleName(nameFromBytes(QByteArrayView(problem)));
  return text;
}

// Action words the progress window shows for each kind of run.
inline QString actionRead() {
  return QStringLiteral("Leyendo");
}
inline QString actionWrite() {
  return QStringLiteral("Escribiendo");
}
inline QString actionVerify() {
  return QStringLiteral("Verificando");
}
inline QString actionBlankCheck() {
  return QStringLiteral("Comprobando Borrado");
}

// Areas as the progress window names them.
inline QString areaProgram() {
  return QStringLiteral("Programa");
}
inline QString areaIdent() {
  return QStringLiteral("Identificador");
}
inline QString areaConfig() {
  return QStringLiteral("Pal_Conf");
}
inline QString areaEeprom() {
  return QStringLiteral("EEPROM");
}

// The progress window's action line: "Leyendo Programa...", "Escribiendo EEPROM mientras
// verifica..." (the write wording is the same whether or not the run reads back).
inline QString progressCaption(const QString& action, const QString& area) {
  if (action == actionWrite())
    return QStringLiteral("Escribiendo ") + area + QStringLiteral(" mientras verifica...");
  return action + QLatin1Char(' ') + area + QStringLiteral("...");
}

inline QString operationCompleted() {
  return QStringLiteral("Operación Completada.");
}

// Instead of the completion, when what a run read could have come from an empty socket and the
// identification word says that it did.
inline QString noChipAnswers(qint64 idWord, const QString& device) {
  return QStringLiteral(
             "No responde ningún PIC: lo leído no se distingue de un zócalo vacío, y la palabra "
             "de identificación lee %1, cuando un %2 respondería con la suya; compruebe el "
             "zócalo, la alimentación (VDD), la tensión de programación (VPP) y el cable, o "
             "pruebe la placa.")
      .arg(hexText(idWord, 4), device);
}

inline QString programOutOfRange(qint64 address) {
  return QStringLiteral("Error en los códigos de programa (fuera de rango), dir: ") +
         hexText(address, 4) + QStringLiteral(" fila: ") + hexText(address / 16, 4) +
         QStringLiteral(" col: ") + hexText(address % 16, 2);
}

inline QString programVerifyError(qint64 address) {
  return QStringLiteral("Error de verificación en dir: ") + hexText(address, 4) +
         QStringLiteral("¿Está la tarjeta en modo programación?");
}

// Also used for a data EEPROM byte that is not erased.
inline QString programBlankError(qint64 address) {
  return QStringLiteral("Error de borrado en dir: ") + hexText(address, 4);
}

inline QString identVerifyError(int position, qint64 expected, qint64 read) {
  return QStringLiteral("Error de verificación de ID pos ") + hexText(position, 2) +
         QLatin1Char(' ') + hexText(expected, 4) + QStringLiteral("==") + hexText(read, 4);
}

inline QString identBlankError(int position, qint64 expected, qint64 read) {
  return QStringLiteral("Error de borrado en ID pos ") + hexText(position, 2) + QLatin1Char(' ') +
         hexText(expected, 4) + QStringLiteral("==") + hexText(read, 4);
}

inline QString configVerifyError() {
  return QStringLiteral("Error al verificar palabra de configuración.");
}

inline QString configBlankError() {
  return QStringLiteral("Error de borrado de la palabra de configuración");
}

inline QString eepromOutOfRange(qint64 address) {
  return QStringLiteral("Error en los códigos de datos (fuera de rango), dir: ") +
         hexText(address, 4) + QStringLiteral(" fila: ") + hexText(address / 16, 4) +
         QStringLiteral(" col: ") + hexText(address % 16, 2);
}

inline QString eepromVerifyError(qint64 address) {
  return QStringLiteral("Error de verificación en dir: ") + hexText(address, 4);
}

// Unprotect.
inline QString unprotectFlashOnly() {
  return QStringLiteral("Esta función solo funciona con dispositivos FLASH");
}
inline QString unprotectCaption() {
  return QStringLiteral("Atención");
}
inline QString unprotectQuestion() {
  return QStringLiteral("Esta acción borrará todo el contenido del PIC. ¿Desea continuar?");
}
inline QString unprotectDone() {
  return QStringLiteral("PIC desprotegido.");
}
inline QString unprotectNotSupported() {
  return QStringLiteral(
      "El algoritmo de programación de este dispositivo no tiene secuencia de borrado. No se ha "
      "enviado nada al PIC.");
}

// An operation stopped by Ctrl+Z (a stop signal): the board was left idle before the program
// stopped.
inline QString operationSuspended() {
  return QStringLiteral(
      "Operación cancelada: el programa se detuvo (Ctrl+Z) en medio de ella y el PIC se quedó "
      "sin alimentación; repítala.");
}

}  // namespace tavrix::texts
