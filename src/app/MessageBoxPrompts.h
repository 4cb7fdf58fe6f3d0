#pragma once

#include <QPointer>
#include <QWidget>

#include "device/Prompts.h"

namespace tavrix {

// The prompts as modal message boxes over the main window.
class MessageBoxPrompts : public Prompts {
 public:
  void setParent(QWidget* parent) { parent_ = parent; }

  void ShowInfo(const QString& text) override;
  bool AskOnError(const QString& text) override;
  void ShowError(const QString& text) override;
  bool AskYesNo(const QString& caption, const QString& text) override;
  void ShowReport(const QString& caption, const QString& text, bool problem) override;

 private:
  QPointer<QWidget> parent_;
};

}  // namespace tavrix
