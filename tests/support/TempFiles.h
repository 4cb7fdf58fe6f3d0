#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

namespace tavrix::test {

// A temporary folder that lives as long as the object, with a helper to write files in it.
class TempFiles {
 public:
  TempFiles();
  QString path(const QString& name) const;
  // Writes the bytes to `name` inside the folder and returns the full path.
  QString write(const QString& name, const QByteArray& bytes) const;
  QByteArray read(const QString& name) const;

 private:
  QTemporaryDir dir_;
};

// A fixture file of tests/fixtures.
QString fixturePath(const QString& name);

}  // namespace tavrix::test
