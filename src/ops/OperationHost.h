#pragma once

#include <QString>

namespace tavrix {

// What a chip operation needs from its front end besides the prompts: the scope check boxes
// (read when the walk reaches each area), the progress window, the main window's state, the
// status bar and the beep. The GUI's main window implements it; tests and the command-line
// tool have their own.
class OperationHost {
 public:
  virtual ~OperationHost() = default;

  virtual bool scopeProgram() const = 0;  // "Memoria de Programa"
  virtual bool scopeEeprom() const = 0;   // "Memoria (EEPROM)"
  virtual bool scopeConfig() const = 0;   // "Palabra de Configuración"
  virtual bool scopeIdent() const = 0;    // "Identificador"

  virtual void showProgressWindow() = 0;
  virtual void hideProgressWindow() = 0;
  virtual void ShowProgress(const QString& action, const QString& area, qint64 index) = 0;

  virtual void setMainWindowEnabled(bool enabled) = 0;
  virtual void UpdateStatusBar() = 0;
  virtual void beep() = 0;

  // True when the front end can no longer follow the run (what it writes fails): the run stops
  // as a Cancel would stop it, without a question. Asked at each location.
  virtual bool stopRequested() { return false; }
};

}  // namespace tavrix
