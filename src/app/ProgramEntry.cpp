#include "app/ProgramEntry.h"

#include <QApplication>
#include <QTimer>

namespace tavrix {

int RunProgram(TTavrixForm& form) {
  form.Principal();
  if (form.endRequested()) {
    // Every start-up box has been shown; nothing further is shown or asked, and the program
    // ends as a failure.
    QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(1); });
    return QApplication::exec();
  }
  form.show();
  return QApplication::exec();
}

}  // namespace tavrix
