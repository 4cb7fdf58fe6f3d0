// The main window's chip operations: the command handlers and what the engine asks of the
// window (scope check boxes, progress window, enabling, beep).
#include <QApplication>
#include <QCheckBox>

#include "app/TTavrixForm.h"
#include "link/StopSignals.h"
#include "ops/Commands.h"
#include "ops/Engine.h"
#include "ops/OpTexts.h"
#include "ops/gui/TProcesaForm.h"

namespace tavrix {

namespace {

// The main window's prompts for a run: the progress window shows where the run stands before a
// box opens over it.
class RunPrompts : public Prompts {
 public:
  explicit RunPrompts(TTavrixForm& form) : form_(form) {}
  void ShowInfo(const QString& text) override {
    form_.flushProgress();
    form_.prompts().ShowInfo(text);
  }
  bool AskOnError(const QString& text) override {
    form_.flushProgress();
    return form_.prompts().AskOnError(text);
  }
  void ShowError(const QString& text) override {
    form_.flushProgress();
    form_.prompts().ShowError(text);
  }
  bool AskYesNo(const QString& caption, const QString& text) override {
    form_.flushProgress();
    return form_.prompts().AskYesNo(caption, text);
  }
  void ShowSummary(const QString& text) override {
    form_.flushProgress();
    form_.prompts().ShowSummary(text);
  }
  void ShowReport(const QString& caption, const QString& text, bool problem) override {
    form_.flushProgress();
    form_.prompts().ShowReport(caption, text, problem);
  }

 private:
  TTavrixForm& form_;
};

}  // namespace

bool TTavrixForm::onBoard(const std::function<void()>& command) {
  bool suspended = false;
  {
    StopSignals::Operation operation;
    operationRunning_ = true;
    command();
    operationRunning_ = false;
    suspended = operation.boardReleased();
  }
  // A close asked for during the command comes now, the board idle.
  if (closePending_) {
    closePending_ = false;
    close();
    return false;
  }
  if (suspended) prompts_.ShowError(texts::operationSuspended());
  return !suspended;
}

bool TTavrixForm::stopRequested() {
  return closePending_;
}

void TTavrixForm::BotonLeerClick() {
  onBoard([this] {
    RunPrompts boxes(*this);
    Engine engine(devices(), image(), link(), boxes, *this);
    readChip(engine);
  });
}

void TTavrixForm::BotonEscribirClick() {
  onBoard([this] {
    RunPrompts boxes(*this);
    Engine engine(devices(), image(), link(), boxes, *this);
    writeChip(engine);
  });
}

void TTavrixForm::BotonVerificarClick() {
  onBoard([this] {
    RunPrompts boxes(*this);
    Engine engine(devices(), image(), link(), boxes, *this);
    verifyChip(engine);
  });
}

void TTavrixForm::BotonBlkChkClick() {
  onBoard([this] {
    RunPrompts boxes(*this);
    Engine engine(devices(), image(), link(), boxes, *this);
    blankCheckChip(engine);
  });
}

void TTavrixForm::BotonDesprotegeClick() {
  onBoard([this] {
    RunPrompts boxes(*this);
    Engine engine(devices(), image(), link(), boxes, *this);
    unprotectChip(engine);
  });
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
  flushProgress();  // a hidden window keeps the captions of the run's last location
  if (ProcesaForm) ProcesaForm->hide();
}

// The progress window's updates cost the run nothing they need not: between its refresh points
// nothing is drawn, so the captions of those locations are set only before a box opens over the
// window and at the end of the run (after a programming wait, with the caches cold, setting them
// cost more than the rest of the location's work); and the events of a refresh point are
// processed at the start of the chip's next wait, which they would otherwise lengthen (1.5 ms
// each under X), or at the next update when no wait comes first.
void TTavrixForm::ShowProgress(const QString& action, const QString& area, qint64 index) {
  if (!ProcesaForm) return;
  runDueEvents();
  if (!TProcesaForm::refreshes(index)) {
    pendingProgress_ = {action, area, index};
    progressPending_ = true;
    return;
  }
  progressPending_ = false;
  ProcesaForm->setCaptions(action, area, index);
  eventsDue_ = true;
}

void TTavrixForm::flushProgress() {
  eventsDue_ = false;  // the box's loop, or the main loop, processes them
  if (!progressPending_ || !ProcesaForm) return;
  progressPending_ = false;
  ProcesaForm->setCaptions(pendingProgress_.action, pendingProgress_.area, pendingProgress_.index);
}

bool TTavrixForm::runDueEvents() {
  if (!eventsDue_) return false;
  eventsDue_ = false;
  QCoreApplication::processEvents();
  return true;
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
