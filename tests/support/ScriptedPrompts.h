#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include "device/Prompts.h"

namespace tavrix::test {

// Prompts that answer from a script and record every box shown, in order.
class ScriptedPrompts : public Prompts {
 public:
  enum class Kind { Info, Error, Failure, Question, Warning };
  struct Box {
    Kind kind;
    QString caption;
    QString text;
  };

  void ShowInfo(const QString& text) override;
  bool AskOnError(const QString& text) override;
  void ShowError(const QString& text) override;
  bool AskYesNo(const QString& caption, const QString& text) override;
  // Recorded with its caption, as Warning when `problem`, else as Info.
  void ShowReport(const QString& caption, const QString& text, bool problem) override;

  // Answers for AskOnError, taken in order; when they run out, `cancelByDefault` answers.
  QList<bool> cancelAnswers;
  bool cancelByDefault = false;
  // Answers for AskYesNo, taken in order; then `yesByDefault`.
  QList<bool> yesAnswers;
  bool yesByDefault = true;

  QList<Box> boxes;
  QStringList texts() const;
  QStringList texts(Kind kind) const;
  void clear() { boxes.clear(); }
};

}  // namespace tavrix::test
