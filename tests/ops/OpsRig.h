#pragma once

#include <QString>
#include <QStringList>

#include "WireDecoder.h"
#include "device/DeviceDef.h"
#include "image/MemoryImage.h"
#include "link/Link.h"
#include "ops/Engine.h"
#include "ops/OperationHost.h"
#include "support/ScriptedPrompts.h"

#include <ostream>

// Readable QString values in test failures.
inline void PrintTo(const QString& text, std::ostream* out) {
  *out << '"' << text.toStdString() << '"';
}

namespace tavrix::test {

// A 14-bit device of the given algorithm.
DeviceDef makeDevice(const QString& name, const QString& programming, int progMem, int eeprom);

// The front end as the engine sees it: scope choices, and a log of every call, e.g.
// "show", "enabled 0", "progress Leyendo|Programa|0000", "hide", "status", "beep", "enabled 1".
class FakeHost : public OperationHost {
 public:
  explicit FakeHost(QStringList* journal = nullptr) : journal_(journal) {}

  bool program = true;
  bool eeprom = false;
  bool config = false;
  bool ident = false;
  void scope(bool p, bool e, bool c, bool i) {
    program = p;
    eeprom = e;
    config = c;
    ident = i;
  }

  bool scopeProgram() const override { return program; }
  bool scopeEeprom() const override { return eeprom; }
  bool scopeConfig() const override { return config; }
  bool scopeIdent() const override { return ident; }
  void showProgressWindow() override;
  void hideProgressWindow() override;
  void ShowProgress(const QString& action, const QString& area, qint64 index) override;
  void setMainWindowEnabled(bool enabled) override;
  void UpdateStatusBar() override;
  void beep() override;

  QStringList log;
  bool windowShown = false;
  bool mainEnabled = true;
  // The progress entries only ("Leyendo|Programa|0000").
  QStringList progress() const;

 private:
  void note(const QString& entry);
  QStringList* journal_;
};

// Scripted prompts that also note every box in a shared journal ("info: ...", "error: ...").
class JournalPrompts : public ScriptedPrompts {
 public:
  explicit JournalPrompts(QStringList* journal) : journal_(journal) {}
  void ShowInfo(const QString& text) override;
  bool AskOnError(const QString& text) override;
  bool AskYesNo(const QString& caption, const QString& text) override;

 private:
  QStringList* journal_;
};

// Everything an engine run needs, over the decoding board and its own virtual time.
struct Rig {
  explicit Rig(const DeviceDef& device);

  QStringList journal;  // commands, host calls and boxes, in the order they happened
  DeviceContext devices;
  MemoryImage image;
  WireDecoder wire;
  Link link;
  JournalPrompts prompts;
  FakeHost host;
  Engine engine;

  // Fills program cells from address 0 and sets ProgEnd to their count.
  void loadProgram(const QList<int>& words);
  void loadEeprom(const QList<int>& bytes);
  // The decoded commands and sleeps.
  const QStringList& commands() const { return wire.log; }
};

// "Sleep 1" etc. removed, for comparisons that only care about commands.
QStringList withoutSleeps(const QStringList& log);
// The commands that follow an empty-scope configuration pass and close a run without EEPROM.
QStringList closingTail();

}  // namespace tavrix::test
