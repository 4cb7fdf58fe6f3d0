#include "app/HexFileDialogs.h"

#include <QFileDialog>
#include <QMessageBox>

#include "app/AppTexts.h"
#include "files/FileNames.h"

namespace tavrix {

namespace {

// The file dialog lists names as Qt decodes them, so a name holding bytes that are not UTF-8
// shows, and comes back, with U+FFFD in their place: a path that names no file. Such a choice
// is taken to the folder's real entry (resolveDecodedName), before the dialog's own checks
// would report the file as missing or skip the question about replacing it.
class HexFileDialog : public QFileDialog {
 public:
  using QFileDialog::QFileDialog;
  QString chosen() const { return chosen_; }

  void accept() override {
    const QStringList files = selectedFiles();
    const QString picked = files.value(0);
    const QString real = files.size() == 1 ? resolveDecodedName(picked) : picked;
    chosen_.clear();
    if (real == picked) {
      QFileDialog::accept();
      return;
    }
    if (acceptMode() == AcceptSave &&
        QMessageBox::question(this, windowTitle(),
                              texts::replaceExistingFile(visibleName(real.mid(
                                  real.lastIndexOf(QLatin1Char('/')) + 1)))) != QMessageBox::Yes)
      return;
    chosen_ = real;
    QDialog::accept();
  }

 private:
  QString chosen_;
};

QFileDialog* createHexDialog(QWidget* parent, const QString& title, const QString& hexFilter) {
  auto* dialog = new HexFileDialog(parent, title);
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
  if (dialog->exec() == QDialog::Accepted) {
    const auto* own = dynamic_cast<const HexFileDialog*>(dialog);
    path = own && !own->chosen().isEmpty() ? own->chosen() : dialog->selectedFiles().value(0);
  }
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
