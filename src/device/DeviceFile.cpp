#include "device/DeviceFile.h"

#include <QHashFunctions>

#include "device/IniFile.h"

namespace tavrix {

namespace {

constexpr std::uint32_t kEmpty = 0xFFFFFFFF;
constexpr std::uint32_t kReported = 0x80000000;  // a name already said to be repeated

// A name as the file's text reads it, in bytes that compare and hash alike for names that
// read alike: the bytes themselves when they are ASCII, else the text written back as UTF-8.
class Comparable {
 public:
  explicit Comparable(QByteArrayView bytes) : view_(bytes) {
    for (char c : bytes) {
      if (static_cast<unsigned char>(c) >= 0x80) {
        held_ = IniFile::decode(bytes).toUtf8();
        view_ = held_;
        break;
      }
    }
  }
  QByteArrayView view() const { return view_; }

 private:
  QByteArrayView view_;
  QByteArray held_;
};

// The names that more than one device section bears, each once, in the order their second
// section comes, and which sections are the first of their name. An open-addressing table of
// offsets with their names' hashes, so the memory is a few bytes a name and growing the table
// never reads the names again.
QStringList repeatedNames(const QByteArray& text, const std::vector<std::uint32_t>& offsets,
                          std::vector<bool>* firstOfName) {
  struct Slot {
    std::uint32_t offset = kEmpty;
    std::uint32_t hash = 0;
  };
  QStringList repeated;
  firstOfName->assign(offsets.size(), false);
  std::vector<Slot> table(1024);
  std::size_t used = 0;
  for (std::size_t i = 0; i < offsets.size(); ++i) {
    const Comparable name(IniFile::nameAt(text, offsets[i]));
    const auto hash = std::uint32_t(qHash(name.view()));
    std::size_t slot = hash & (table.size() - 1);
    while (
        table[slot].offset != kEmpty &&
        (table[slot].hash != hash ||
         Comparable(IniFile::nameAt(text, table[slot].offset & ~kReported)).view() != name.view()))
      slot = (slot + 1) & (table.size() - 1);
    Slot& found = table[slot];
    if (found.offset == kEmpty) {
      (*firstOfName)[i] = true;
      found = {offsets[i], hash};
      if (4 * ++used > 3 * table.size()) {
        // Grown when three quarters full: probes stay short (the stored hash settles most of
        // them without reading a name), and the table and the one it replaces stay well under
        // the file's size.
        std::vector<Slot> old(2 * table.size());
        old.swap(table);
        for (const Slot& kept : old) {
          if (kept.offset == kEmpty) continue;
          std::size_t to = kept.hash & (table.size() - 1);
          while (table[to].offset != kEmpty) to = (to + 1) & (table.size() - 1);
          table[to] = kept;
        }
      }
    } else if (!(found.offset & kReported)) {
      found.offset |= kReported;
      repeated << IniFile::decode(IniFile::nameAt(text, offsets[i]));
    }
  }
  return repeated;
}

}  // namespace

QString DeviceNames::at(qsizetype i) const {
  return IniFile::decode(IniFile::nameAt(text_, offsets_[std::size_t(i)]));
}

bool DeviceNames::contains(const QString& name) const {
  const IniFile::Name wanted(name);
  for (std::uint32_t offset : offsets_)
    if (wanted.matches(IniFile::nameAt(text_, offset))) return true;
  return false;
}

QStringList DeviceNames::toList() const {
  QStringList names;
  for (const QString& name : *this) names << name;
  return names;
}

DeviceList ReadDeviceList(const QString& configPath) {
  DeviceList list;
  const IniFile ini = IniFile::load(configPath, &list.problem);
  const QString config = QStringLiteral("Config");
  list.port = ini.readInteger(config, QStringLiteral("port"), 888);
  list.lastFile = ini.fileName(config, QStringLiteral("lastfile")).value_or(QString());
  list.portDevice = ini.fileName(config, QStringLiteral("portdevice")).value_or(QString());
  IniFile::Lines lines(ini.text());
  for (IniFile::Lines::Kind k; (k = lines.next()) != IniFile::Lines::Kind::End;)
    if (k == IniFile::Lines::Kind::Section && lines.name().startsWith("PIC"))
      list.devices.offsets_.push_back(std::uint32_t(lines.nameOffset()));
  list.devices.text_ = ini.text();
  list.repeated =
      repeatedNames(list.devices.text_, list.devices.offsets_, &list.devices.firstOfName_);
  return list;
}

namespace {

DeviceDef readDevice(const IniFile& ini, const QString& name) {
  DeviceDef d;
  d.Name = name;
  d.ProgMem = ini.readInteger(name, QStringLiteral("ProgMem"), 1024);
  d.EEProm = ini.readInteger(name, QStringLiteral("EEProm"), 64);
  d.ProgBits = ini.readInteger(name, QStringLiteral("ProgBits"), 14);
  d.RAM = ini.readInteger(name, QStringLiteral("RAM"), 68);
  d.ConfigStart = ini.readInteger(name, QStringLiteral("ConfigStart"), 0x2000);
  d.EEPromStart = ini.readInteger(name, QStringLiteral("EEPromStart"), 0x2100);
  d.PalConfDef = ini.readInteger(name, QStringLiteral("PalConfDef"), 0x3FF1);
  d.PalConf = ini.readString(name, QStringLiteral("PalConf"),
                             QStringLiteral("- - - - - - - - - - - - - -"));
  d.Programming = ini.readString(name, QStringLiteral("Programming"), QStringLiteral("Flash"));
  // Read as every integer key is: a comment after the value makes it no number. That must not
  // turn the identity check off unseen, so the text is kept for the warning.
  const auto id = ini.value(name, QStringLiteral("DeviceID"));
  if (id) {
    d.DeviceID = deviceIdFromKey(IniFile::parseInteger(*id).value_or(kNoDeviceId));
    if (d.DeviceID == kNoDeviceId) d.UnusableDeviceID = *id;
  }
  return d;
}

}  // namespace

DeviceDef ReadDeviceSection(const QString& configPath, const QString& name) {
  return readDevice(IniFile::load(configPath), name);
}

void ForEachDevice(const DeviceList& list, const std::function<bool(const DeviceDef&)>& visit) {
  const DeviceNames& devices = list.devices;
  const IniFile ini = IniFile::parse(devices.text_);
  for (qsizetype i = 0; i < devices.size(); ++i) {
    if (!devices.isFirstOfName(i)) continue;  // its name is answered by an earlier section
    const QString name = devices.at(i);
    ini.focus(name, devices.offsets_[std::size_t(i)]);
    if (!visit(readDevice(ini, name))) return;
  }
}

bool HasUsableDevice(const DeviceList& list) {
  bool usable = false;
  ForEachDevice(list, [&usable](const DeviceDef& device) {
    usable = deviceProblem(device).isEmpty();
    return !usable;
  });
  return usable;
}

}  // namespace tavrix
