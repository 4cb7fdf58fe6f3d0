#pragma once

#include <QString>

class QTranslator;

namespace tavrix {

// Qt's own texts in Spanish, whatever the user's locale: the file dialogs, the buttons of the
// message boxes (Aceptar, Cancelar, Sí, No), and Spanish as the default locale for what Qt
// formats (the file dialogs' dates). Loads qtbase_es from `folder` (Qt's translations
// folder by default) and installs it in the application, which owns it; deleting it removes it
// again. Returns nullptr, and installs nothing, when the file cannot be loaded: the program then
// starts with Qt's built-in English texts.
QTranslator* installQtSpanish(const QString& folder = QString());

}  // namespace tavrix
