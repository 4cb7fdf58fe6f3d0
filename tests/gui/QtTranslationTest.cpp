// Qt's own texts (file dialogs, message-box buttons) in Spanish after the start-up step.
#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QLocale>
#include <QMap>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTranslator>

#include <gtest/gtest.h>

#include <clocale>
#include <memory>

#include "app/HexFileDialogs.h"
#include "app/QtTranslation.h"
#include "support/TempFiles.h"

namespace tavrix {
namespace {

QString qtText(const char* context, const char* text) {
  return QCoreApplication::translate(context, text);
}

TEST(QtTranslation, QtsOwnTextsReadInSpanishWhateverTheLocale) {
  QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
  std::unique_ptr<QTranslator> spanish(installQtSpanish());
  ASSERT_NE(spanish, nullptr) << "qtbase_es.qm (qt6-translations-l10n) is not installed";
  EXPECT_EQ(qtText("QFileDialog", "Look in:"), "Ver en:");
  EXPECT_EQ(QLocale().language(), QLocale::Spanish);
  {
    QMessageBox box(QMessageBox::Warning, "Atención", "¿Desea continuar?",
                    QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(box.button(QMessageBox::Yes)->text(), "&Sí");
    EXPECT_EQ(box.button(QMessageBox::No)->text(), "&No");
    QMessageBox error(QMessageBox::Critical, "Error", "x", QMessageBox::Ok | QMessageBox::Cancel);
    EXPECT_EQ(error.button(QMessageBox::Ok)->text(), "Aceptar");
    EXPECT_EQ(error.button(QMessageBox::Cancel)->text(), "Cancelar");
  }
  spanish.reset();  // removed from the application with it
  EXPECT_EQ(qtText("QFileDialog", "Look in:"), "Look in:");
}

// What the open dialog lists for a folder and a file: the type, the size and the date
// as the user reads them.
TEST(QtTranslation, FileDialogListsInSpanishToTheLastWord) {
  std::unique_ptr<QTranslator> spanish(installQtSpanish());
  ASSERT_NE(spanish, nullptr);
  test::TempFiles files;
  const QString hex = files.write("fw.hex", QByteArray(40180, 'x'));
  const QString folder = QFileInfo(hex).absolutePath();
  ASSERT_TRUE(QDir().mkdir(files.path("carpeta")));
  QFile file(hex);
  ASSERT_TRUE(file.open(QIODevice::ReadWrite));
  const QDateTime when(QDate(2026, 12, 9), QTime(20, 5));
  ASSERT_TRUE(file.setFileTime(when, QFileDevice::FileModificationTime));
  file.close();

  QFileDialog* dialog = createOpenHexDialog(nullptr);
  dialog->setOption(QFileDialog::DontUseNativeDialog);
  dialog->setNameFilter(QStringLiteral("*"));
  dialog->setDirectory(folder);
  dialog->show();
  auto* model = dialog->findChild<QFileSystemModel*>();
  ASSERT_NE(model, nullptr);
  const QModelIndex root = model->index(folder);
  for (int i = 0; i < 3000 && model->rowCount(root) < 2; ++i) QTest::qWait(10);
  QMap<QString, QStringList> rows;
  for (int r = 0; r < model->rowCount(root); ++r) {
    QStringList columns;
    for (int c = 1; c < 4; ++c) columns << model->index(r, c, root).data().toString();
    rows[model->index(r, 0, root).data().toString()] = columns;
  }
  delete dialog;
  EXPECT_EQ(rows.value("carpeta").value(1), "Carpeta");
  EXPECT_EQ(rows.value("fw.hex").value(0), "39,24 KiB");
  EXPECT_EQ(rows.value("fw.hex").value(2), "9/12/26 20:05");
  // The programs' own C library locale is the environment's.
  EXPECT_EQ(QLocale::system().language(), QLocale::Spanish);
  EXPECT_EQ(QByteArray(std::setlocale(LC_NUMERIC, nullptr)).contains("es_ES"), false);
}

TEST(QtTranslation, MissingTranslationLeavesQtInEnglish) {
  test::TempFiles empty;
  EXPECT_EQ(installQtSpanish(empty.path(QStringLiteral("none"))), nullptr);
  EXPECT_EQ(qtText("QFileDialog", "Look in:"), "Look in:");
  EXPECT_EQ(qtText("QPlatformTheme", "&Yes"), "&Yes");
}

}  // namespace
}  // namespace tavrix
