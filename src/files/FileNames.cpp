#include "files/FileNames.h"

#include <QFile>

#include "files/VisibleText.h"

#include <dirent.h>
#include <sys/stat.h>

namespace tavrix {

namespace {

constexpr char16_t kEscapeBase = 0xDC00;  // a byte b that is not text is held as U+DC00 + b
constexpr char16_t kReplacement = 0xFFFD;

// The length of the valid UTF-8 sequence at `at` and its code point; 0 when the bytes there do
// not start one (a stray continuation byte, an overlong form, a surrogate, past U+10FFFF or cut
// short).
int utf8Sequence(QByteArrayView bytes, qsizetype at, char32_t* codePoint) {
  const auto byte = [&](qsizetype i) { return static_cast<unsigned char>(bytes[i]); };
  const unsigned char lead = byte(at);
  int length = 0;
  char32_t cp = 0;
  char32_t least = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    cp = lead & 0x1F;
    least = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    cp = lead & 0x0F;
    least = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    cp = lead & 0x07;
    least = 0x10000;
  } else {
    return 0;
  }
  if (at + length > bytes.size()) return 0;
  for (int k = 1; k < length; ++k) {
    const unsigned char c = byte(at + k);
    if ((c & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (c & 0x3F);
  }
  if (cp < least || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  *codePoint = cp;
  return length;
}

bool isEscapedByte(char16_t u) {
  return u >= kEscapeBase + 0x80 && u <= kEscapeBase + 0xFF;
}

// The folder's entries whose names Qt would decode to `decoded`, as names.
QStringList entriesDecodingTo(const QByteArray& folder, const QString& decoded) {
  QStringList found;
  DIR* dir = ::opendir(folder.isEmpty() ? "." : folder.constData());
  if (!dir) return found;
  while (const dirent* entry = ::readdir(dir)) {
    const QByteArray name(entry->d_name);
    if (QFile::decodeName(name) == decoded) found << nameFromBytes(name);
  }
  ::closedir(dir);
  return found;
}

bool exists(const QByteArray& path) {
  struct stat st {};
  return ::lstat(path.constData(), &st) == 0;
}

}  // namespace

QString nameFromBytes(QByteArrayView bytes) {
  QString name;
  name.reserve(bytes.size());
  for (qsizetype i = 0; i < bytes.size();) {
    const auto c = static_cast<unsigned char>(bytes[i]);
    if (c < 0x80) {
      name.append(QChar(c));
      ++i;
      continue;
    }
    char32_t cp = 0;
    const int length = utf8Sequence(bytes, i, &cp);
    if (length == 0) {
      name.append(QChar(char16_t(kEscapeBase + c)));
      ++i;
      continue;
    }
    if (QChar::requiresSurrogates(cp)) {
      name.append(QChar(QChar::highSurrogate(cp)));
      name.append(QChar(QChar::lowSurrogate(cp)));
    } else {
      name.append(QChar(char16_t(cp)));  // a byte-order mark too: in a name it is text
    }
    i += length;
  }
  return name;
}

QByteArray nameToBytes(QStringView name) {
  QByteArray bytes;
  bytes.reserve(name.size());
  for (qsizetype i = 0; i < name.size(); ++i) {
    const char16_t u = name[i].unicode();
    if (u < 0x80) {
      bytes.append(char(u));
    } else if (QChar::isHighSurrogate(u) && i + 1 < name.size() &&
               QChar::isLowSurrogate(name[i + 1].unicode())) {
      bytes.append(name.mid(i, 2).toUtf8());
      ++i;
    } else if (isEscapedByte(u)) {
      bytes.append(char(u - kEscapeBase));
    } else if (QChar::isSurrogate(u)) {
      bytes.append(QString(QChar(kReplacement)).toUtf8());  // no name holds one: it came typed
    } else {
      bytes.append(QString(QChar(u)).toUtf8());
    }
  }
  return bytes;
}

QString visibleName(QStringView name) {
  QString shown;
  shown.reserve(name.size());
  for (qsizetype i = 0; i < name.size(); ++i) {
    const char16_t u = name[i].unicode();
    const bool pairedLow = i > 0 && QChar::isHighSurrogate(name[i - 1].unicode());
    if (isEscapedByte(u) && !pairedLow) {
      shown += QStringLiteral("\\x") +
               QString::number(u - kEscapeBase, 16).toUpper().rightJustified(2, QLatin1Char('0'));
    } else {
      shown.append(QChar(u));
    }
  }
  return visibleText(shown);
}

QStringList namesFromArgv(int argc, const char* const* argv) {
  QStringList names;
  for (int i = 0; i < argc; ++i) names << nameFromBytes(QByteArrayView(argv[i]));
  return names;
}

QString resolveDecodedName(const QString& path) {
  if (!path.contains(QChar(kReplacement)) || exists(nameToBytes(path))) return path;
  const QStringList parts = path.split(QLatin1Char('/'));
  QStringList resolved;
  for (const QString& part : parts) {
    if (part.contains(QChar(kReplacement))) {
      const QString folder = resolved.join(QLatin1Char('/'));
      const QStringList matches = entriesDecodingTo(
          nameToBytes(folder.isEmpty() && path.startsWith(QLatin1Char('/')) ? QStringLiteral("/")
                                                                            : folder),
          part);
      // Several entries decoding alike cannot be told apart: none is chosen.
      resolved << (matches.size() == 1 ? matches.first() : part);
    } else {
      resolved << part;
    }
  }
  return resolved.join(QLatin1Char('/'));
}

}  // namespace tavrix
