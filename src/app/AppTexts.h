#pragma once

#include <QString>

#include "link/LinkTexts.h"

// The main window's user-visible texts.
namespace tavrix::texts {

inline const QString kAppTitle = QStringLiteral("Tavrix");
inline const QString kNoParallelPort =
    QStringLiteral("Imposible comunicar con el puerto paralelo.");

// The last items of "Acción".
inline const QString kBoardTestItem = QStringLiteral("Probar la placa…");
inline const QString kIdentifyItem = QStringLiteral("Identificar PIC");
// The caption of the boxes "Identificar PIC" shows: what ran.
inline const QString kIdentifyCaption = kIdentifyItem;

// "Identificar PIC" chose the device whose identification word the chip answered.
inline QString identifiedAndSelected(const QString& name, int revision, const QString& word) {
  return QStringLiteral(
             "PIC identificado: %1, revisión %2 (palabra de identificación %3). Elegido en el "
             "menú Dispositivo.")
      .arg(name)
      .arg(revision)
      .arg(word);
}

// tavrix-sim: the environment variable that puts faults on the virtual board.
inline const char* const kVirtualFaultVariable = "TAVRIX_VIRTUAL_FAULT";
inline QString virtualFaultProblem(const QString& problem) {
  return QStringLiteral("TAVRIX_VIRTUAL_FAULT: %1").arg(problem);
}

// A windowed program started where no window can be shown (standard error, after its name).
inline const char* const kNoDisplay =
    "no hay pantalla gráfica: no están definidas ni DISPLAY ni WAYLAND_DISPLAY. Tavrix necesita "
    "una sesión gráfica (X11 o Wayland); desde un terminal sin ella, use tavrix-cli.";
inline const char* const kDisplayUnreachable =
    "no se puede abrir la pantalla gráfica: la plataforma de Qt elegida no se puede cargar o no "
    "responde (compruebe DISPLAY, WAYLAND_DISPLAY o QT_QPA_PLATFORM). Tavrix necesita una "
    "sesión gráfica (X11 o Wayland); desde un terminal sin ella, use tavrix-cli.";

// The save dialog's question for a file whose name the dialog could not read as text.
inline QString replaceExistingFile(const QString& name) {
  return QStringLiteral("%1 ya existe.\n¿Desea reemplazarlo?").arg(name);
}

}  // namespace tavrix::texts
