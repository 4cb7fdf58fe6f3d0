#include "support/TempFiles.h"

#include <QFile>

#include <stdexcept>

namespace tavrix::test {

TempFiles::TempFiles() {
  if (!dir_.isValid()) throw std::runtime_error("cannot create a temporary folder");
}

QString TempFiles::path(const QString& name) const { return dir_.filePath(name); }

QString TempFiles::write(const QString& name, const QByteArray& bytes) const {
  const QString p = path(name);
  QFile f(p);
  if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
    throw std::runtime_error("cannot write a temporary file");
  return p;
}

QByteArray TempFiles::read(const QString& name) const {
  QFile f(name.startsWith(QLatin1Char('/')) ? name : path(name));
  if (!f.open(QIODevice::ReadOnly)) return {};
  return f.readAll();
}

QString fixturePath(const QString& name) {
  return QStringLiteral(TAVRIX_FIXTURES_DIR "/") + name;
}

}  // namespace tavrix::test
