#include "app/QtTranslation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace tavrix {

QTranslator* installQtSpanish(const QString& folder) {
  // Dates and sizes that Qt's widgets format (the file dialogs' columns) follow as well.
  QLocale::setDefault(QLocale(QLocale::Spanish, QLocale::Spain));
  const QString where =
      folder.isEmpty() ? QLibraryInfo::path(QLibraryInfo::TranslationsPath) : folder;
  auto* translator = new QTranslator(QCoreApplication::instance());
  if (!translator->load(QStringLiteral("qtbase_es"), where) ||
      !QCoreApplication::installTranslator(translator)) {
    delete translator;
    return nullptr;
  }
  return translator;
}

}  // namespace tavrix
