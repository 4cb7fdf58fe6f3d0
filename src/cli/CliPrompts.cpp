#include "CliPrompts.h"

#include "Console.h"

namespace tavrix::cli {

CliPrompts::CliPrompts(Console& console, bool keepGoing)
    : console_(console), keepGoing_(keepGoing) {}

void CliPrompts::ShowInfo(const QString& text) {
  if (holding_) {
    held_ << text;
    return;
  }
  console_.info(text);
}

void CliPrompts::holdInfo(bool hold, bool show) {
  holding_ = hold;
  if (hold) return;
  if (show)
    for (const QString& text : held_) console_.info(text);
  held_.clear();
}

bool CliPrompts::AskOnError(const QString& text) {
  ++questions_;
  console_.error(QStringLiteral("Error: ") + text);
  // A question nobody can read any more is answered Cancel: the run stops there.
  return !keepGoing_ || console_.failed();
}

void CliPrompts::ShowError(const QString& text) {
  ++failures_;
  console_.error(QStringLiteral("Error: ") + text);
}

void CliPrompts::ShowSummary(const QString& text) {
  if (keepGoing_) console_.error(text);
}

bool CliPrompts::AskYesNo(const QString&, const QString&) {
  return true;
}

}  // namespace tavrix::cli
