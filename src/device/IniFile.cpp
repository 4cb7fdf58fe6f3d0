#include "device/IniFile.h"

#include <QStringDecoder>

#include <fcntl.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <cstring>

#include "device/DeviceTexts.h"
#include "files/FileNames.h"
#include "files/FileTexts.h"
#include "files/PathWalk.h"

namespace tavrix {

namespace {

// The largest device file we read; anything bigger is not a device file.
constexpr qsizetype kMaxIniBytes = 64 * 1024 * 1024;

bool isBlank(char c) {
  return static_cast<unsigned char>(c) <= 0x20;
}

// Trimming drops white space and control characters at both ends. A byte up to 0x20 is always
// a character of its own in UTF-8, so trimming bytes trims the text.
QByteArrayView trimmed(const char* b, const char* e) {
  while (b < e && isBlank(*b)) ++b;
  while (e > b && isBlank(e[-1])) --e;
  return QByteArrayView(b, e - b);
}

bool isAscii(QByteArrayView bytes) {
  for (char c : bytes)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

// Reads the whole file; empty with `problem` set when it exists and cannot be read.
QByteArray readFile(const QString& path, QString* problem) {
  const QByteArray name = nameToBytes(path);
  if (name.isEmpty()) return {};  // names no file
  const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  const auto failed = [&](const QString& why) {
    if (problem) *problem = why;
    if (fd >= 0) ::close(fd);
    return QByteArray();
  };
  if (fd < 0) return errno == ENOENT ? QByteArray() : failed(systemReason(errno));
  // Only regular files are read: a FIFO or a device node would block or never end.
  struct stat st {};
  if (::fstat(fd, &st) != 0) return failed(systemReason(errno));
  if (S_ISDIR(st.st_mode)) return failed(systemReason(EISDIR));
  if (!S_ISREG(st.st_mode)) return failed(texts::notAFile());
  if (st.st_size > kMaxIniBytes) return failed(texts::deviceFileTooLarge());
  // Room for the file as it is and one byte more, in which the end of the file shows.
  QByteArray text(qsizetype(st.st_size) + 1, Qt::Uninitialized);
  qsizetype got = 0;
  for (;;) {
    if (got == text.size()) {
      if (text.size() > kMaxIniBytes) return failed(texts::deviceFileTooLarge());
      text.resize(std::min(2 * text.size(), kMaxIniBytes + 1));  // it grew while being read
    }
    const ssize_t n = ::read(fd, text.data() + got, size_t(text.size() - got));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return failed(systemReason(errno));
    if (n == 0) break;
    got += n;
  }
  ::close(fd);
  text.truncate(got);
  return text;
}

}  // namespace

IniFile::Lines::Kind IniFile::Lines::next() {
  const char* const data = text_.data();
  const qsizetype size = text_.size();
  while (at_ < size) {
    lineStart_ = at_;
    const char* b = data + at_;
    const void* newline = std::memchr(b, '\n', size_t(size - at_));
    const char* e = newline ? static_cast<const char*>(newline) : data + size;
    at_ = (e - data) + 1;
    // Each line is read as text on its own, and reading drops a byte-order mark at its start.
    if (e - b >= 3 && std::memcmp(b, "\xEF\xBB\xBF", 3) == 0) b += 3;
    const QByteArrayView line = trimmed(b, e);
    if (line.isEmpty() || line.front() == ';') continue;
    if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
      name_ = trimmed(line.data() + 1, line.data() + line.size() - 1);
      inSection_ = true;
      return Kind::Section;
    }
    if (!inSection_) continue;  // lines before the first section header
    const void* eq = std::memchr(line.data(), '=', size_t(line.size()));
    if (!eq) continue;  // a key with no value matches no read
    const char* at = static_cast<const char*>(eq);
    key_ = trimmed(line.data(), at);
    value_ = trimmed(at + 1, line.data() + line.size());
    return Kind::Entry;
  }
  return Kind::End;
}

QByteArrayView IniFile::nameAt(QByteArrayView text, qsizetype offset) {
  const char* b = text.data() + offset;
  const void* newline = std::memchr(b, '\n', size_t(text.size() - offset));
  const char* e = newline ? static_cast<const char*>(newline) : text.data() + text.size();
  while (e > b && isBlank(e[-1])) --e;
  if (e > b) --e;  // the closing bracket
  while (e > b && isBlank(e[-1])) --e;
  return QByteArrayView(b, e - b);
}

QString IniFile::decode(QByteArrayView bytes) {
  // Stateless, and keeping a byte-order mark: one inside a line is text.
  QStringDecoder decoder(QStringDecoder::Utf8,
                         QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
  return decoder.decode(bytes);
}

IniFile::Name::Name(const QString& name)
    : text_(name), utf8_(name.toUtf8()), exact_(decode(utf8_) == name) {}

bool IniFile::Name::matches(QByteArrayView bytes) const {
  if (bytes == QByteArrayView(utf8_)) return exact_;
  // Other ASCII bytes read as themselves; only bytes beyond ASCII need reading.
  if (isAscii(bytes)) return false;
  return decode(bytes) == text_;
}

IniFile IniFile::load(const QString& path, QString* problem) {
  IniFile ini;
  ini.text_ = readFile(path, problem);
  return ini;
}

IniFile IniFile::parse(const QByteArray& text) {
  IniFile ini;
  ini.text_ = text;
  return ini;
}

QStringList IniFile::sectionNames() const {
  QStringList names;
  Lines lines(text_);
  for (Lines::Kind k; (k = lines.next()) != Lines::Kind::End;)
    if (k == Lines::Kind::Section) names.append(decode(lines.name()));
  return names;
}

IniFile::Body IniFile::body(const QString& section) const {
  if (lastBody_ && lastBody_->section == section) return *lastBody_;
  Body found{section, false, 0, 0};
  const Name wanted(section);
  Lines lines(text_);
  for (Lines::Kind k; (k = lines.next()) != Lines::Kind::End;) {
    if (k != Lines::Kind::Section) continue;
    if (found.present) {
      found.end = lines.lineStart();
      break;
    }
    if (wanted.matches(lines.name())) {
      found.present = true;
      found.begin = std::min(lines.position(), text_.size());
      found.end = text_.size();
    }
  }
  lastBody_ = found;
  return found;
}

void IniFile::focus(const QString& section, qsizetype nameOffset) const {
  const void* newline =
      std::memchr(text_.constData() + nameOffset, '\n', size_t(text_.size() - nameOffset));
  Body found{section, true, text_.size(), text_.size()};
  if (newline) {
    found.begin = static_cast<const char*>(newline) - text_.constData() + 1;
    Lines lines(text_, found.begin);
    for (Lines::Kind k; (k = lines.next()) != Lines::Kind::End;) {
      if (k == Lines::Kind::Section) {
        found.end = lines.lineStart();
        break;
      }
    }
  }
  lastBody_ = found;
}

std::optional<QByteArrayView> IniFile::find(const QString& section, const QString& key) const {
  const Body b = body(section);
  if (!b.present) return std::nullopt;
  const QByteArrayView lines = QByteArrayView(text_).sliced(b.begin, b.end - b.begin);
  const QByteArray k = key.toUtf8();
  const bool plain = !k.isEmpty() && isAscii(k) && !isBlank(k.front()) && !isBlank(k.back());
  if (!plain) {
    // Keys of other shapes, read line by line as the rules say.
    const Name wanted(key);
    Lines reader(lines, 0);
    for (Lines::Kind kind; (kind = reader.next()) == Lines::Kind::Entry;)
      if (wanted.matches(reader.key())) return reader.value();
    return std::nullopt;
  }
  // A key read from a line is the text before its first "=", and a line that starts with ";"
  // is a comment: such keys are never found.
  if (k.contains('=') || k.front() == ';') return std::nullopt;
  // Found where the key's text stands at the start of a line, with only blanks before the
  // line's first "=". The body holds no section header, so every such line is an entry.
  const char* const data = lines.data();
  const char* const end = data + lines.size();
  for (const char* at = data; at < end;) {
    const void* hit = ::memmem(at, size_t(end - at), k.constData(), size_t(k.size()));
    if (!hit) break;
    const char* p = static_cast<const char*>(hit);
    at = p + 1;
    const void* newline = ::memrchr(data, '\n', size_t(p - data));
    const char* line = newline ? static_cast<const char*>(newline) + 1 : data;
    if (end - line >= 3 && std::memcmp(line, "\xEF\xBB\xBF", 3) == 0) line += 3;
    while (line < p && isBlank(*line) && *line != '\n') ++line;
    if (line != p) continue;
    const char* eq = p + k.size();
    while (eq < end && isBlank(*eq) && *eq != '\n') ++eq;
    if (eq == end || *eq != '=') continue;
    const void* lineEnd = std::memchr(eq, '\n', size_t(end - eq));
    return trimmed(eq + 1, lineEnd ? static_cast<const char*>(lineEnd) : end);
  }
  return std::nullopt;
}

std::optional<QString> IniFile::value(const QString& section, const QString& key) const {
  const auto found = find(section, key);
  if (!found) return std::nullopt;
  return decode(*found);
}

std::optional<QString> IniFile::fileName(const QString& section, const QString& key) const {
  const auto found = find(section, key);
  if (!found) return std::nullopt;
  return nameFromBytes(*found);
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
