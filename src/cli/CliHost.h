#pragma once

#include <functional>

#include "CliOptions.h"
#include "ops/OperationHost.h"

namespace tavrix {
class MemoryImage;
}

namespace tavrix::cli {

class Console;

// The engine's front end on a terminal: the scope comes from --areas, progress is one line on
// stderr (terminals only), and there is no window to enable, status bar to refresh or bell.
class CliHost : public OperationHost {
 public:
  CliHost(Console& console, const Areas& areas, const MemoryImage& image);

  bool scopeProgram() const override { return areas_.prog; }
  bool scopeEeprom() const override { return areas_.eeprom; }
  bool scopeConfig() const override { return areas_.config; }
  bool scopeIdent() const override { return areas_.id; }

  void showProgressWindow() override {}
  void hideProgressWindow() override;
  // "Leyendo Programa... dir 0012 / 0400", drawn as the progress window would be updated.
  void ShowProgress(const QString& action, const QString& area, qint64 index) override;

  void setMainWindowEnabled(bool) override {}
  void UpdateStatusBar() override {}
  void beep() override {}

  // The run stops once the console has failed, or `also` says so (a trace that cannot be
  // written).
  void stopWhen(std::function<bool()> also) { stopWhen_ = std::move(also); }
  bool stopRequested() override;

 private:
  Console& console_;
  std::function<bool()> stopWhen_;
  Areas areas_;
  const MemoryImage& image_;
};

}  // namespace tavrix::cli
