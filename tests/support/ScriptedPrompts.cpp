#include "support/ScriptedPrompts.h"

namespace tavrix::test {

void ScriptedPrompts::ShowInfo(const QString& text) {
  boxes.append({Kind::Info, QStringLiteral("Mensaje"), text});
}

bool ScriptedPrompts::AskOnError(const QString& text) {
  boxes.append({Kind::Error, QStringLiteral("Error"), text});
  return cancelAnswers.isEmpty() ? cancelByDefault : cancelAnswers.takeFirst();
}

void ScriptedPrompts::ShowError(const QString& text) {
  boxes.append({Kind::Failure, QStringLiteral("Error"), text});
}

bool ScriptedPrompts::AskYesNo(const QString& caption, const QString& text) {
  boxes.append({Kind::Question, caption, text});
  return yesAnswers.isEmpty() ? yesByDefault : yesAnswers.takeFirst();
}

void ScriptedPrompts::ShowReport(const QString& caption, const QString& text, bool problem) {
  boxes.append({problem ? Kind::Warning : Kind::Info, caption, text});
}

QStringList ScriptedPrompts::texts() const {
  QStringList out;
  for (const Box& b : boxes) out.append(b.text);
  return out;
}

QStringList ScriptedPrompts::texts(Kind kind) const {
  QStringList out;
  for (const Box& b : boxes)
    if (b.kind == kind) out.append(b.text);
  return out;
}

}  // namespace tavrix::test
