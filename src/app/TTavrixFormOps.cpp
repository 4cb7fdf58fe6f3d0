// The main window's chip operations: the command handlers and what the engine asks of the
// window (scope check boxes, progress window, enabling, beep).
#include <QApplication>
#include <QCheckBox>

#include "app/TTavrixForm.h"
#include "ops/Commands.h"
#include "ops/Engine.h"
#include "ops/gui/TProcesaForm.h"

namespace tavrix {

void TTavrixForm::BotonLeerClick() {
  Engine engine(devices(), image(), link(), prompts(), *this);
  readChip(engine);
}

void TTavrixForm::BotonEscribirClick() {
  Engine engine(devices(), image(), link(), prompts(), *this);
  writeChip(engine);
}

void TTavrixForm::BotonVerificarClick() {
  Engine engine(devices(), image(), link(), prompts(), *this);
  verifyChip(engine);
}

void TTavrixForm::BotonBlkChkClick() {
  Engine engine(devices(), image(), link(), prompts(), *this);
  blankCheckChip(engine);
}

void TTavrixForm::BotonDesprotegeClick() {
  Engine engine(devices(), image(), link(), prompts(), *this);
  unprotectChip(engine);
}

bool TTavrixForm::scopeProgram() const {
  return CBmemprog->isChecked();
}
bool TTavrixForm::scopeEeprom() const {
  return CBmemdatos->isChecked();
}
bool TTavrixForm::scopeConfig() const {
  return CBpalconfig->isChecked();
}
bool TTavrixForm::scopeIdent() const {
  return CBident->isChecked();
}

void TTavrixForm::showProgressWindow() {
  if (!ProcesaForm) return;
  ProcesaForm->setImage(&image());
  ProcesaForm->showCentred();
}

void TTavrixForm::hideProgressWindow() {
  if (ProcesaForm) ProcesaForm->hide();
}

void TTavrixForm::ShowProgress(const QString& action, const QString& area, qint64 index) {
  if (ProcesaForm) ProcesaForm->ShowProgress(action, area, index);
}

void TTavrixForm::setMainWindowEnabled(bool enabled) {
  // Disabling the window takes the focus from its control; the run gives it back, so that a
  // keyboard user goes on from the button that started it.
  if (!enabled && isEnabled()) focusBeforeRun_ = focusWidget();
  setEnabled(enabled);
  if (enabled && focusBeforeRun_) {
    if (isVisible()) activateWindow();
    focusBeforeRun_->setFocus(Qt::OtherFocusReason);
    focusBeforeRun_ = nullptr;
  }
}

void TTavrixForm::beep() {
  QApplication::beep();
}

}  // namespace tavrix
