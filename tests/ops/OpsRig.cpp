#include "OpsRig.h"

#include "image/HexText.h"

namespace tavrix::test {

DeviceDef makeDevice(const QString& name, const QString& programming, int progMem, int eeprom) {
  DeviceDef d;
  d.Name = name;
  d.ProgMem = progMem;
  d.EEProm = eeprom;
  d.ProgBits = 14;
  d.RAM = 68;
  d.ConfigStart = 0x2000;
  d.EEPromStart = 0x2100;
  d.PalConfDef = 0x3FF1;
  d.PalConf = QStringLiteral("CP CP CP CP CP CP CP CP CP CP _PWRTE WDTE FOSC1 FOSC0");
  d.Programming = programming;
  return d;
}

void FakeHost::note(const QString& entry) {
  log.append(entry);
  if (journal_) journal_->append(QStringLiteral("host: ") + entry);
}

void FakeHost::showProgressWindow() {
  windowShown = true;
  note(QStringLiteral("show"));
}

void FakeHost::hideProgressWindow() {
  windowShown = false;
  note(QStringLiteral("hide"));
}

void FakeHost::ShowProgress(const QString& action, const QString& area, qint64 index) {
  note(QStringLiteral("progress ") + action + QLatin1Char('|') + area + QLatin1Char('|') +
       hexText(index, 4));
}

void FakeHost::setMainWindowEnabled(bool enabled) {
  mainEnabled = enabled;
  note(enabled ? QStringLiteral("enabled 1") : QStringLiteral("enabled 0"));
}

void FakeHost::UpdateStatusBar() {
  note(QStringLiteral("status"));
}

void FakeHost::beep() {
  note(QStringLiteral("beep"));
}

QStringList FakeHost::progress() const {
  QStringList out;
  for (const QString& e : log)
    if (e.startsWith(QLatin1String("progress "))) out.append(e.mid(9));
  return out;
}

void JournalPrompts::ShowInfo(const QString& text) {
  journal_->append(QStringLiteral("info: ") + text);
  ScriptedPrompts::ShowInfo(text);
}

bool JournalPrompts::AskOnError(const QString& text) {
  journal_->append(QStringLiteral("error: ") + text);
  return ScriptedPrompts::AskOnError(text);
}

bool JournalPrompts::AskYesNo(const QString& caption, const QString& text) {
  journal_->append(QStringLiteral("question: ") + text);
  return ScriptedPrompts::AskYesNo(caption, text);
}

Rig::Rig(const DeviceDef& device)
    : devices{QString(), device},
      image(devices.CurrentDevice),
      wire([this] { return devices.CurrentDevice.ProgBits; }, &journal),
      link(wire, wire, [this] { return devices.CurrentDevice.ProgBits; }),
      prompts(&journal),
      host(&journal),
      engine(devices, image, link, prompts, host) {
  image.ResetProgramGrid();
  if (device.EEProm > 0) image.ResetEEPromGrid();
  image.SetPalConf(device.PalConfDef);
  image.ShowIdent(0xFFFF);
}

void Rig::loadProgram(const QList<int>& words) {
  for (int a = 0; a < words.size(); ++a) image.storeProgValue(a, words[a]);
  image.setProgEnd(int(words.size()));
}

void Rig::loadEeprom(const QList<int>& bytes) {
  for (int a = 0; a < bytes.size(); ++a) image.storeEeValue(a, bytes[a]);
  image.setEEPromEnd(int(bytes.size()));
}

QStringList withoutSleeps(const QStringList& log) {
  QStringList out;
  for (const QString& e : log)
    if (!e.startsWith(QLatin1String("Sleep "))) out.append(e);
  return out;
}

QStringList closingTail() {
  QStringList tail{QStringLiteral("ProgModeOff"), QStringLiteral("ProgModeOn")};
  for (int i = 0; i < 7; ++i) tail.append(QStringLiteral("IncAddress"));
  tail << QStringLiteral("ProgModeOff") << QStringLiteral("ProgModeOff");
  return tail;
}

}  // namespace tavrix::test
