#include "FuzzSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace tavrix::fuzz {

QString writeInput(const char* name, const std::uint8_t* data, std::size_t size) {
  static QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/tavrix-fuzz-XXXXXX"));
  const QString path = dir.filePath(QString::fromLatin1(name));
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) __builtin_trap();
  if (size > 0 && file.write(reinterpret_cast<const char*>(data), qint64(size)) != qint64(size))
    __builtin_trap();
  return path;
}

}  // namespace tavrix::fuzz
