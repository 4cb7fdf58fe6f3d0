// Qt's own texts (file dialogs, message-box buttons) in Spanish after the start-up step.
#include <QApplication>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QTranslator>

#include <gtest/gtest.h>

#include <memory>

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

TEST(QtTranslation, MissingTranslationLeavesQtInEnglish) {
  test::TempFiles empty;
  EXPECT_EQ(installQtSpanish(empty.path(QStringLiteral("none"))), nullptr);
  EXPECT_EQ(qtText("QFileDialog", "Look in:"), "Look in:");
  EXPECT_EQ(qtText("QPlatformTheme", "&Yes"), "&Yes");
}

}  // namespace
}  // namespace tavrix
