#include "app/QtTranslation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <cstring>

namespace tavrix {

namespace {

// Texts of Qt 6 that Debian's Spanish translation does not have (the file icon provider's moved
// to a new context).
struct Missing {
  const char* context;
  const char* source;
  const char* spanish;
};
constexpr Missing kMissing[] = {
    {"QAbstractFileIconProvider", "Folder", "Carpeta"},
    {"QAbstractFileIconProvider", "Drive", "Unidad"},
    {"QAbstractFileIconProvider", "Shortcut", "Acceso directo"},
    {"QAbstractFileIconProvider", "Unknown", "Desconocido"},
    {"QFileSystemModel",
     "<b>The name \"%1\" cannot be used.</b><p>Try using another name, with fewer characters or "
     "no punctuation marks.",
     "<b>No se puede usar el nombre «%1».</b><p>Pruebe con otro nombre, con menos caracteres o "
     "sin signos de puntuación."},
};

class MissingSpanish : public QTranslator {
 public:
  using QTranslator::QTranslator;
  bool isEmpty() const override { return false; }
  QString translate(const char* context, const char* source, const char*, int) const override {
    if (!context || !source) return {};
    for (const Missing& m : kMissing)
      if (std::strcmp(context, m.context) == 0 && std::strcmp(source, m.source) == 0)
        return QString::fromUtf8(m.spanish);
    return {};
  }
};

}  // namespace

QTranslator* installQtSpanish(const QString& folder) {
  QLocale::setDefault(QLocale(QLocale::Spanish, QLocale::Spain));
  const QString where =
      folder.isEmpty() ? QLibraryInfo::path(QLibraryInfo::TranslationsPath) : folder;
  auto* translator = new QTranslator(QCoreApplication::instance());
  if (!translator->load(QStringLiteral("qtbase_es"), where) ||
      !QCoreApplication::installTranslator(translator)) {
    delete translator;
    return nullptr;
  }
  // Installed last, so asked first; it goes with the translator it completes.
  QCoreApplication::installTranslator(new MissingSpanish(translator));
  return translator;
}

void takeSpanishFormatting() {
  // Qt reads its system locale from the environment once, at its first use, and keeps it; the
  // C library reads it again when the application is built, by then without the change.
  const QByteArray before = qgetenv("LC_ALL");
  const bool wasSet = qEnvironmentVariableIsSet("LC_ALL");
  qputenv("LC_ALL", "es_ES.UTF-8");
  (void)QLocale::system();
  if (wasSet)
    qputenv("LC_ALL", before);
  else
    qunsetenv("LC_ALL");
}

}  // namespace tavrix
