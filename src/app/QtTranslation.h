#pragma once

#include <QString>

class QTranslator;

namespace tavrix {

// Qt's own texts in Spanish, whatever the user's locale: the file dialogs, the buttons of the
// message boxes (Aceptar, Cancelar, Sí, No), and Spanish as the default locale. Loads qtbase_es
// from `folder` (Qt's translations folder by default) and installs it in the application, which
// owns it, with the few texts it lacks (the file dialogs' "Folder"); deleting it removes both
// again. Returns nullptr, and installs nothing, when the file cannot be loaded: the program then
// starts with Qt's built-in English texts.
QTranslator* installQtSpanish(const QString& folder = QString());

// What Qt formats after its system locale (the file dialogs' dates and sizes) in Spanish,
// whatever the user's locale: to be called before the application object exists. The C
// library's locale is left as the environment sets it.
void takeSpanishFormatting();

}  // namespace tavrix
