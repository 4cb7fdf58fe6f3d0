#pragma once

#include <QString>

#include "device/FileNames.h"

// The command-line tool's own texts: usage, help and the few errors that only it reports.
// Messages that the rest of the system defines (HEX files, chip errors, device file) are
// printed as those layers word them.
namespace tavrix::cli::texts {

inline QString appName() {
  return QStringLiteral("tavrix-cli");
}
inline QString version() {
  return QStringLiteral(TAVRIX_VERSION);
}

inline QString description() {
  return QStringLiteral(
      "Programador de PIC de gama media por el puerto paralelo, desde la línea de órdenes.");
}

inline QString commandsHelp() {
  return QStringLiteral(
      "Órdenes:\n"
      "  devices             lista los dispositivos del fichero, uno por línea\n"
      "  read OUT.hex        lee el PIC (las áreas elegidas) y guarda la imagen entera\n"
      "                      en OUT.hex\n"
      "  write IN.hex        carga IN.hex y lo escribe como \"Escribir\" (OTP: antes\n"
      "                      comprueba el borrado; Flash1: después compara)\n"
      "  verify IN.hex       carga IN.hex y compara el PIC con él\n"
      "  blank               comprueba que todo el PIC está borrado\n"
      "  unprotect           borra el PIC para quitar la protección (\"Desproteger\"),\n"
      "                      sin preguntar\n"
      "  hex IN.hex OUT.hex  carga IN.hex y guarda la imagen entera en OUT.hex; no abre\n"
      "                      el puerto\n"
      "  board-test          prueba la placa: el puerto, su velocidad, la línea de datos\n"
      "                      y, si hay un PIC, sus palabras de configuración e\n"
      "                      identificación; no escribe nada en el PIC\n"
      "  identify            lee la palabra de identificación del PIC y dice qué\n"
      "                      dispositivo es\n"
      "  write --watch IN.hex\n"
      "                      escribe IN.hex y lo vuelve a escribir y verificar cada\n"
      "                      vez que cambia, hasta Ctrl+C\n"
      "\n"
      "Estado de salida:\n"
      "  0  la orden llegó al final sin que se informara de ningún error\n"
      "  1  se informó de un error en el PIC o se detuvo la operación\n"
      "  2  error de uso; fichero de dispositivos, HEX o de estado ilegible o\n"
      "     inservible; dispositivo desconocido o rechazado; no hay puerto; un fichero\n"
      "     no se pudo guardar; write o unprotect con un PIC que no es el elegido\n"
      "\n"
      "board-test sale con 1 si encuentra algún problema; identify, con 1 si la\n"
      "palabra de identificación no es la de ningún dispositivo del fichero.\n");
}

// Option descriptions.
inline QString optIni() {
  return QStringLiteral("Fichero de dispositivos (por omisión /etc/Tavrix.ini).");
}
inline QString optDevice() {
  return QStringLiteral("Sección del dispositivo (por omisión, el primero del fichero).");
}
inline QString optPort() {
  return QStringLiteral(
      "Nodo del puerto paralelo que se usa, del controlador de impresora (/dev/lpN) o del de "
      "puerto paralelo (/dev/parportN); tiene prioridad sobre la clave portdevice del fichero de "
      "dispositivos. Sin ninguna de las dos se prueban /dev/lp0, lp1, lp2 y después "
      "/dev/parport0, 1, 2.");
}
inline QString optVirtual() {
  return QStringLiteral(
      "Placa virtual con reloj virtual; el contenido del PIC se carga del fichero HEX ESTADO si "
      "existe (si no, un PIC borrado) y se guarda en él al acabar la orden.");
}
inline QString optAreas() {
  return QStringLiteral(
      "Lista de áreas separadas por comas: prog,eeprom,config,id (por omisión, las cuatro).");
}
inline QString optKeepGoing() {
  return QStringLiteral(
      "Responde Aceptar a cada pregunta de error (informa de todos y sigue); por omisión se "
      "cancela en el primero.");
}
inline QString optTrace() {
  return QStringLiteral(
      "Registra cada escritura en el puerto, lectura de estado y espera, en el formato de traza "
      "del enlace.");
}
inline QString optVirtualFault() {
  return QStringLiteral(
      "Fallos de la placa virtual, separados por comas: nochip (zócalo vacío), novpp (sin "
      "tensión de programación), data0 o data1 (línea de datos fija a 0 o a 1), slow (cada "
      "byte tarda 200 µs). Solo con --virtual.");
}
inline QString argCommand() {
  return QStringLiteral("Orden y sus argumentos.");
}

// Usage errors: printed as "tavrix-cli: " + text, then the hint.
inline QString usageHint() {
  return QStringLiteral("Pruebe «tavrix-cli --help» para más información.");
}
inline QString noCommand() {
  return QStringLiteral("falta la orden.");
}
inline QString unknownCommand(const QString& command) {
  return QStringLiteral("orden desconocida: %1.").arg(command);
}
inline QString wrongArgumentCount(const QString& command, const QString& usage) {
  return QStringLiteral("número de argumentos incorrecto para %1; uso: %2").arg(command, usage);
}
inline QString unknownArea(const QString& area) {
  return QStringLiteral("área desconocida en --areas: «%1» (se admiten prog, eeprom, config, id).")
      .arg(area);
}
inline QString emptyOption(const QString& option) {
  return QStringLiteral("la opción --%1 necesita un valor no vacío.").arg(option);
}
inline QString portAndVirtual() {
  return QStringLiteral("--port y --virtual no se pueden usar a la vez.");
}
inline QString faultWithoutVirtual() {
  return QStringLiteral("--virtual-fault solo se puede usar con --virtual.");
}
inline QString badFaultList(const QString& problem) {
  return QStringLiteral("--virtual-fault: %1").arg(problem);
}

// Errors only the command-line tool meets.
inline QString unknownDevice(const QString& name, const QString& path) {
  return QStringLiteral("El dispositivo %1 no está en el fichero de configuración %2.")
      .arg(name, visibleName(path));
}
inline QString cannotCreateTrace(const QString& path, const QString& reason) {
  return QStringLiteral("No se puede crear el fichero de traza %1: %2.")
      .arg(visibleName(path), reason);
}
inline QString cannotWriteTrace(const QString& path, const QString& reason) {
  return QStringLiteral("Error al escribir el fichero de traza %1: %2.")
      .arg(visibleName(path), reason);
}
// A write to standard output that failed (a pipe whose reader is gone, a full disk).
inline QString cannotWriteOutput(const QString& reason) {
  return QStringLiteral("Error al escribir en la salida estándar: %1.").arg(reason);
}
inline QString stateFileProblem(const QString& path, const QString& problem) {
  return QStringLiteral("Fichero de estado %1: %2").arg(visibleName(path), problem);
}
inline QString repeatedDevice(const QString& name, const QString& path) {
  return QStringLiteral(
             "Aviso: el dispositivo %1 aparece en más de una sección del fichero %2; se usa la "
             "primera.")
      .arg(name, visibleName(path));
}
inline QString hexLoadStopped() {
  return QStringLiteral("Carga del fichero HEX detenida: no se ha tocado el PIC.");
}

// QCommandLineParser's own texts, by the English text it has translated; empty for any other
// (it is then shown as it is).
inline QString parserText(const char* english) {
  static const struct {
    const char* english;
    const char* spanish;
  } kTexts[] = {
      {"Displays help on commandline options.",
       "Muestra la ayuda de las opciones de la línea de órdenes."},
      {"Displays help including Qt specific options.",
       "Muestra la ayuda con las opciones propias de Qt."},
      {"Displays version information.", "Muestra la versión del programa."},
      {"Unknown option '%1'.", "opción desconocida: «%1»."},
      {"Unknown options: %1.", "opciones desconocidas: %1."},
      {"Missing value after '%1'.", "la opción %1 necesita un valor."},
      {"Unexpected value after '%1'.", "la opción %1 no lleva valor."},
      {"[options]", "[opciones]"},
      {"Usage: %1", "Uso: %1"},
      {"Options:", "Opciones:"},
      {"Arguments:", "Argumentos:"},
  };
  for (const auto& t : kTexts)
    if (qstrcmp(t.english, english) == 0) return QString::fromUtf8(t.spanish);
  return {};
}

// One file named in two roles.
inline QString roleDeviceFile() {
  return QStringLiteral("el fichero de dispositivos (--ini)");
}
inline QString roleHexInput() {
  return QStringLiteral("el fichero HEX de entrada");
}
inline QString roleHexOutput() {
  return QStringLiteral("el fichero HEX de salida");
}
inline QString roleContentsFile() {
  return QStringLiteral("el fichero de estado de la placa virtual (--virtual)");
}
inline QString roleTrace() {
  return QStringLiteral("el fichero de traza (--trace)");
}
inline QString sharedFile(const QString& role, const QString& otherRole, const QString& path,
                          const QString& otherPath) {
  QString role1 = role;
  role1[0] = role1[0].toUpper();
  const QString names =
      path == otherPath ? visibleName(path)
                        : QStringLiteral("%1 y %2").arg(visibleName(path), visibleName(otherPath));
  return QStringLiteral(
             "%1 y %2 son el mismo fichero, %3: un fichero no puede tener dos papeles; no se ha "
             "escrito nada.")
      .arg(role1, otherRole, names);
}

// Progress line on a terminal.
inline QString progressAddress() {
  return QStringLiteral(" dir ");
}

}  // namespace tavrix::cli::texts
