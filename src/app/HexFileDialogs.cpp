#include "app/HexFileDialogs.h"

#include <QFileDialog>

namespace tavrix {

namespace {

QFileDialog* createHexDialog(QWidget* parent, const QString& title, const QString& hexFilter) {
  auto* dialog = new QFileDialog(parent, title);
  dialog->setDefaultSuffix(QStringLiteral("hex"));
  dialog->setNameFilters({hexFilter, QStringLiteral("Todos los ficheros (*)")});
  dialog->selectNameFilter(hexFilter);
  return dialog;
}

}  // namespace

QFileDialog* createOpenHexDialog(QWidget* parent) {
  QFileDialog* dialog = createHexDialog(parent, QStringLiteral("Abre fichero HEX"),
                                        QStringLiteral("Hex File (*.hex *.HEX)"));
  dialog->setAcceptMode(QFileDialog::AcceptOpen);
  // Only an existing file can be chosen; a path that cannot be read is still reported by the
  // reader.
  dialog->setFileMode(QFileDialog::ExistingFile);
  return dialog;
}

QFileDialog* createSaveHexDialog(QWidget* parent) {
  QFileDialog* dialog =
      createHexDialog(parent, QStringLiteral("Save As"), QStringLiteral("Hex Files (*.hex *.HEX)"));
  dialog->setAcceptMode(QFileDialog::AcceptSave);
  dialog->setFileMode(QFileDialog::AnyFile);
  // Replacing an existing file is confirmed first (the dialog's own question).
  return dialog;
}

QString execFileDialog(QFileDialog* dialog) {
  QString path;
  if (dialog->exec() == QDialog::Accepted) path = dialog->selectedFiles().value(0);
  delete dialog;
  return path;
}

QString chooseOpenHexPath(QWidget* parent) {
  return execFileDialog(createOpenHexDialog(parent));
}

QString chooseSaveHexPath(QWidget* parent) {
  return execFileDialog(createSaveHexDialog(parent));
}

std::optional<HexLoad> openHexWithDialog(QWidget* parent, MemoryImage& image, Prompts& prompts,
                                         const HexFileOpened& opened, const HexPathChooser& choose,
                                         const HexFileLoaded& loaded) {
  const QString path = choose(parent);
  if (path.isEmpty()) return std::nullopt;
  return ReadHexFile(path, image, prompts, opened, loaded);
}

std::optional<HexSave> saveHexWithDialog(QWidget* parent, MemoryImage& image, Prompts& prompts,
                                         const HexPathChooser& choose) {
  const QString path = choose(parent);
  if (path.isEmpty()) return std::nullopt;
  return WriteHexFile(path, image, prompts);
}

}  // namespace tavrix
