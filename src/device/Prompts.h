#pragma once

#include <QString>

namespace tavrix {

// How the core asks the user. The GUI answers with modal message boxes, tests with scripted
// answers that also record every text, the command-line tool on stderr with an answer policy.
class Prompts {
 public:
  virtual ~Prompts() = default;

  // Caption "Mensaje", information icon, OK.
  virtual void ShowInfo(const QString& text) = 0;
  // Caption "Error", OK (default) and Cancel (also Escape). True when the user chose Cancel.
  virtual bool AskOnError(const QString& text) = 0;
  // Error box with only OK: a conversion failure ("'$x' is not a valid integer value.") or a
  // system error that abandons the running command.
  virtual void ShowError(const QString& text) = 0;
  // Caption "Atención", warning icon, Yes (default) and No (Escape). True for Yes.
  virtual bool AskYesNo(const QString& caption, const QString& text) = 0;
  // Information that closes a run in which a question was asked once for many cases: how many
  // it covered. A box like ShowInfo unless the front end reports it elsewhere.
  virtual void ShowSummary(const QString& text) { ShowInfo(text); }
  // What a check of the board or the chip found, titled by what ran: a warning when `problem`
  // (something is wrong), information otherwise. Like ShowInfo unless the front end titles it.
  virtual void ShowReport(const QString& caption, const QString& text, bool problem) {
    (void)caption;
    (void)problem;
    ShowInfo(text);
  }
};

}  // namespace tavrix
