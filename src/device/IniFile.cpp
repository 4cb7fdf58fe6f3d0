#include "device/IniFile.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace tavrix {

namespace {

// The largest device file we read; anything bigger is not a device file.
constexpr qint64 kMaxIniBytes = 64 * 1024 * 1024;
constexpr qint64 kIniReadPiece = 64 * 1024;

// Trimming drops white space and control characters at both ends.
QString trimmed(QStringView s) {
  qsizetype b = 0;
  qsizetype e = s.size();
  while (b < e && s[b].unicode() <= 0x20) ++b;
  while (e > b && s[e - 1].unicode() <= 0x20) --e;
  return s.mid(b, e - b).toString();
}

}  // namespace

IniFile IniFile::load(const QString& path) {
  const QFileInfo info(path);
  // Only regular files are read: a FIFO or a device node would block or never end.
  if (path.isEmpty() || !info.isFile() || info.size() > kMaxIniBytes) return {};
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  // Read in pieces up to the limit: asking for the limit at once would reserve all of it for
  // every file, however small.
  QByteArray text;
  while (text.size() < kMaxIniBytes) {
    const QByteArray piece = file.read(std::min<qint64>(kIniReadPiece, kMaxIniBytes - text.size()));
    if (piece.isEmpty()) break;
    text += piece;
  }
  return parse(text);
}

IniFile IniFile::parse(const QByteArray& text) {
  IniFile ini;
  Section* current = nullptr;
  qsizetype start = 0;
  while (start <= text.size()) {
    qsizetype end = text.indexOf('\n', start);
    if (end < 0) end = text.size();
    const QString line = trimmed(QString::fromUtf8(text.constData() + start, end - start));
    start = end + 1;
    if (line.isEmpty() || line.startsWith(QLatin1Char(';'))) continue;
    if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']')) && line.size() >= 2) {
      ini.sections_.append(Section{trimmed(QStringView(line).mid(1, line.size() - 2)), {}});
      current = &ini.sections_.last();
      continue;
    }
    if (!current) continue;  // lines before the first section header
    const qsizetype eq = line.indexOf(QLatin1Char('='));
    if (eq < 0) continue;  // a key with no value matches no read
    current->entries.append(
        Entry{trimmed(QStringView(line).left(eq)), trimmed(QStringView(line).mid(eq + 1))});
  }
  return ini;
}

QStringList IniFile::sectionNames() const {
  QStringList names;
  names.reserve(sections_.size());
  for (const Section& s : sections_) names.append(s.name);
  return names;
}

const IniFile::Section* IniFile::find(const QString& name) const {
  for (const Section& s : sections_)
    if (s.name == name) return &s;
  return nullptr;
}

std::optional<QString> IniFile::value(const QString& section, const QString& key) const {
  const Section* s = find(section);
  if (!s) return std::nullopt;
  for (const Entry& e : s->entries)
    if (e.key == key) return e.value;
  return std::nullopt;
}

std::optional<qint32> IniFile::parseInteger(const QString& text) {
  QStringView digits(text);
  int base = 10;
  bool negative = false;
  if (digits.startsWith(QLatin1Char('$'))) {
    base = 16;
    digits = digits.mid(1);
  } else if (digits.startsWith(QLatin1String("0x")) || digits.startsWith(QLatin1String("0X"))) {
    base = 16;
    digits = digits.mid(2);
  } else if (digits.startsWith(QLatin1Char('-'))) {
    negative = true;
    digits = digits.mid(1);
  }
  if (digits.isEmpty()) return std::nullopt;
  quint64 v = 0;
  for (QChar c : digits) {
    int d = -1;
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9')
      d = u - '0';
    else if (base == 16 && u >= 'a' && u <= 'f')
      d = u - 'a' + 10;
    else if (base == 16 && u >= 'A' && u <= 'F')
      d = u - 'A' + 10;
    if (d < 0) return std::nullopt;
    v = v * base + d;
    if (v > 0xFFFFFFFFull) return std::nullopt;
  }
  if (base == 16) return static_cast<qint32>(static_cast<quint32>(v));  // $FFFFFFFF is -1
  if (negative) {
    if (v > 0x80000000ull) return std::nullopt;
    return static_cast<qint32>(-static_cast<qint64>(v));
  }
  if (v > 0x7FFFFFFFull) return std::nullopt;
  return static_cast<qint32>(v);
}

qint32 IniFile::readInteger(const QString& section, const QString& key, qint32 def) const {
  const auto text = value(section, key);
  if (!text) return def;
  return parseInteger(*text).value_or(def);
}

QString IniFile::readString(const QString& section, const QString& key, const QString& def) const {
  return value(section, key).value_or(def);
}

}  // namespace tavrix
