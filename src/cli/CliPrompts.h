#pragma once

#include <QStringList>

#include "device/Prompts.h"

namespace tavrix::cli {

class Console;

// The prompt seam on a terminal: information on stdout, every error on stderr as
// "Error: " + text. Error questions are answered by policy: Cancel at the first one, or OK to
// every one with --keep-going; Cancel always once the console has failed. The count of errors shown
// lets the tool choose its exit status.
class CliPrompts : public Prompts {
 public:
  CliPrompts(Console& console, bool keepGoing);

  void ShowInfo(const QString& text) override;
  bool AskOnError(const QString& text) override;
  void ShowError(const QString& text) override;
  // Only unprotect asks, and the tool runs it without the question; a command given on the
  // command line is its own confirmation, so any such question is answered Yes.
  bool AskYesNo(const QString& caption, const QString& text) override;
  // How many cases a question asked once covered, on stderr with --keep-going; without it the
  // first question has already refused the load.
  void ShowSummary(const QString& text) override;

  // Error questions and OK-only error boxes shown since the last reset.
  int questions() const { return questions_; }
  int failures() const { return failures_; }
  int errors() const { return questions_ + failures_; }
  void resetCounts() { questions_ = failures_ = 0; }

  // While held, information is kept back instead of shown. Releasing shows what was kept, or
  // drops it when `show` is false.
  void holdInfo(bool hold, bool show = true);
  // Drops the held copies of `text`.
  void dropHeld(const QString& text) { held_.removeAll(text); }

 private:
  Console& console_;
  bool keepGoing_;
  bool holding_ = false;
  QStringList held_;
  int questions_ = 0;
  int failures_ = 0;
};

}  // namespace tavrix::cli
