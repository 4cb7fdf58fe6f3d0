#pragma once

#include "image/Prompts.h"
#include "ops/OperationHost.h"

namespace tavrix::bench {

// Prompts that answer OK to every question and count the error boxes.
class SilentPrompts : public Prompts {
 public:
  void ShowInfo(const QString&) override {}
  bool AskOnError(const QString&) override {
    ++errors;
    return false;
  }
  void ShowError(const QString&) override {}
  bool AskYesNo(const QString&, const QString&) override { return true; }
  int errors = 0;
};

// A front end with every area in scope and nothing to show.
class AllAreasHost : public OperationHost {
 public:
  bool scopeProgram() const override { return true; }
  bool scopeEeprom() const override { return true; }
  bool scopeConfig() const override { return true; }
  bool scopeIdent() const override { return true; }
  void showProgressWindow() override {}
  void hideProgressWindow() override {}
  void ShowProgress(const QString&, const QString&, qint64) override {}
  void setMainWindowEnabled(bool) override {}
  void UpdateStatusBar() override {}
  void beep() override {}
};

}  // namespace tavrix::bench
