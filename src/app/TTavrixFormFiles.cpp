#include <QAction>

#include "app/HexFileDialogs.h"
#include "app/TTavrixForm.h"
#include "files/FileNames.h"
#include "image/HexReader.h"
#include "image/HexTexts.h"

// The main window's HEX file commands: "Abrir HEX", "Guardar como", "Reabre Hex" and the last
// file item of "Archivo".
namespace tavrix {

void TTavrixForm::hexFileOpened(const QString& path) {
  setWindowTitle(texts::hexWindowCaption(visibleName(path)) + options_.boardNote);
  LastFileItem->setText(visibleName(path).replace(QLatin1Char('&'), QLatin1String("&&")));
  LastFileItem->setData(path);
  if (path.isEmpty()) LastFileItem->setVisible(false);
}

void TTavrixForm::loadHexFile(const QString& path) {
  // A completed load refreshes the status bar before any box that closes the load.
  ReadHexFile(
      path, image_, prompts_, [this](const QString& opened) { hexFileOpened(opened); },
      [this] { UpdateStatusBar(); });
}

void TTavrixForm::Open1Click() {
  openHexWithDialog(
      this, image_, prompts_, [this](const QString& path) { hexFileOpened(path); },
      hexPathChooser_ ? hexPathChooser_ : chooseOpenHexPath, [this] { UpdateStatusBar(); });
}

void TTavrixForm::SaveAs1Click() {
  saveHexWithDialog(this, image_, prompts_, hexPathChooser_ ? hexPathChooser_ : chooseSaveHexPath);
}

void TTavrixForm::ReopenLastFile() {
  const QString path = LastFileItem->data().toString();
  // No file recorded yet: nothing to reload, and an empty path names no file.
  if (path.isEmpty()) {
    prompts_.AskOnError(texts::hexCannotRead());
    return;
  }
  loadHexFile(path);
}

}  // namespace tavrix
