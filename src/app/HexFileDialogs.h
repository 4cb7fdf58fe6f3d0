#pragma once

#include <QString>

#include <functional>
#include <optional>

#include "image/HexReader.h"
#include "image/HexWriter.h"

class QFileDialog;
class QWidget;

namespace tavrix {

class MemoryImage;
class Prompts;

// The open dialog `OpenHex`, set up but not shown: "Abre fichero HEX", an existing file,
// default suffix "hex", HEX files or all files.
QFileDialog* createOpenHexDialog(QWidget* parent);
// The save dialog `SaveHexDialogo`, set up but not shown: "Save As", default suffix "hex".
QFileDialog* createSaveHexDialog(QWidget* parent);

// Shows a dialog modally and deletes it; the chosen path, or an empty text when cancelled.
QString execFileDialog(QFileDialog* dialog);
QString chooseOpenHexPath(QWidget* parent);
QString chooseSaveHexPath(QWidget* parent);

// Asks for a path; empty when the user cancelled. Tests put their own in place of the dialog.
using HexPathChooser = std::function<QString(QWidget* parent)>;

// "Abrir HEX": asks for a file and loads it. Nothing happens, and the result is empty, when
// the dialog is cancelled. `loaded` runs when the load completes (the status bar's refresh).
std::optional<HexLoad> openHexWithDialog(QWidget* parent, MemoryImage& image, Prompts& prompts,
                                         const HexFileOpened& opened,
                                         const HexPathChooser& choose = chooseOpenHexPath,
                                         const HexFileLoaded& loaded = {});

// "Guardar como": asks for a path and saves the whole image there. Empty when cancelled.
std::optional<HexSave> saveHexWithDialog(QWidget* parent, MemoryImage& image, Prompts& prompts,
                                         const HexPathChooser& choose = chooseSaveHexPath);

}  // namespace tavrix
