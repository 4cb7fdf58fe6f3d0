#pragma once

#include <QString>
#include <QStringList>

// The command-line tool's texts for the board test, identification, the identity check and the
// development loop (write --watch).
namespace tavrix::cli::texts {

inline QString optNoIdCheck() {
  return QStringLiteral(
      "write y unprotect: no leer antes la palabra de identificación del PIC (por omisión, si el "
      "dispositivo tiene DeviceID, un PIC que responde como otro, o que no responde, se rechaza "
      "sin escribir nada).");
}
inline QString optWatch() {
  return QStringLiteral(
      "write: después de escribir, esperar a que el fichero HEX cambie y escribirlo y "
      "verificarlo de nuevo cada vez, hasta Ctrl+C.");
}

inline QString watchOnlyWithWrite() {
  return QStringLiteral("--watch solo se puede usar con write.");
}
inline QString noIdCheckOnlyWithWriting() {
  return QStringLiteral("--no-id-check solo se puede usar con write y unprotect.");
}

// After the reason an identity check gives.
inline QString identityRefusalTail() {
  return QStringLiteral(
      "No se ha escrito ni borrado nada en el PIC; --no-id-check omite esta comprobación.");
}

// --- write --watch.
inline QString watchNoFolder(const QString& folder) {
  return QStringLiteral("No existe la carpeta %1: no hay nada que vigilar.").arg(folder);
}
inline QString watchStarted(const QString& file) {
  return QStringLiteral("Vigilando %1; Ctrl+C termina.").arg(file);
}
// A figure with two decimals and a decimal comma.
inline QString secondsText(double seconds) {
  return QString::number(seconds, 'f', 2).replace(QLatin1Char('.'), QLatin1Char(',')) +
         QStringLiteral(" s");
}
inline QString roundWritten(const QString& clock, int round, const QString& file, double seconds) {
  return QStringLiteral("[%1] ronda %2: %3 escrito y verificado en %4")
      .arg(clock)
      .arg(round)
      .arg(file, secondsText(seconds));
}
inline QString roundChipErrors(const QString& clock, int round, const QString& file,
                               double seconds) {
  return QStringLiteral(
             "[%1] ronda %2: %3 con errores en el PIC (%4); se espera al siguiente "
             "cambio")
      .arg(clock)
      .arg(round)
      .arg(file, secondsText(seconds));
}
inline QString roundRefused(const QString& clock, int round, const QString& file, double seconds) {
  return QStringLiteral(
             "[%1] ronda %2: %3 no escrito, el PIC no es el elegido (%4); se espera "
             "al siguiente cambio")
      .arg(clock)
      .arg(round)
      .arg(file, secondsText(seconds));
}
// A version of the file that did not load cleanly before it stopped changing.
inline QString watchAbandoned(const QString& clock, const QString& file) {
  return QStringLiteral(
             "[%1] %2 no se carga sin preguntas (¿está a medio escribir?): no se escribe esta "
             "versión; se espera al siguiente cambio.")
      .arg(clock, file);
}
// A version with its end record, unchanged while read, whose records are for addresses the device
// does not have or of types the reader does not take: it will not load better by waiting.
inline QString watchRefused(const QString& clock, const QString& file) {
  return QStringLiteral(
             "[%1] %2 está completo, pero no se carga sin preguntas: no se escribe esta versión; "
             "se espera al siguiente cambio.")
      .arg(clock, file);
}
inline QString watchMissingEndRecord() {
  return QStringLiteral("Falta el registro de fin de fichero (:00000001FF).");
}

}  // namespace tavrix::cli::texts
