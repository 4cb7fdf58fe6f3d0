// File names are bytes: names that are not UTF-8 are opened, created and shown as they are.
#include <QFile>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "cli/CliRun.h"
#include "support/TempFiles.h"

namespace tavrix::test {
namespace {

bool existsAsBytes(const QByteArray& path) {
  struct stat st {};
  return ::lstat(path.constData(), &st) == 0;
}

void writeBytes(const QByteArray& path, const QByteArray& bytes) {
  const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::write(fd, bytes.constData(), size_t(bytes.size())), bytes.size());
  ::close(fd);
}

QByteArray readBytes(const QByteArray& path) {
  QByteArray bytes;
  const int fd = ::open(path.constData(), O_RDONLY);
  if (fd < 0) return bytes;
  char buffer[4096];
  for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;) bytes.append(buffer, n);
  ::close(fd);
  return bytes;
}

TEST(ByteNames, HexFilesAndStateFilesKeepTheirExactNames) {
  TempFiles tmp;
  const QByteArray dir = QFile::encodeName(tmp.path(QString())) + '/';
  const QByteArray in = dir + "\xff.hex";
  const QByteArray out = dir + "out\xfe.hex";
  TempFiles files;
  writeBytes(in, files.read(fixturePath(QStringLiteral("gpasm__flash_16f84a.hex"))));
  const QByteArray ini = TAVRIX_SHIPPED_INI;
  CliRun run = runCliBytes({"--ini", ini, "--device", "PIC16F84A", "hex", in, out});
  ASSERT_EQ(run.status, 0) << run.err.toStdString();
  ASSERT_TRUE(existsAsBytes(out));
  EXPECT_FALSE(existsAsBytes(dir + "out\xEF\xBF\xBD.hex"));  // not the name Qt would make of it
  EXPECT_EQ(hexWords(readBytes(out)).value(0), 0x2805);      // the fixture's first word

  const QByteArray state = dir + "chip\xfd.hex";
  run = runCliBytes({"--ini", ini, "--virtual", state, "write", in});
  ASSERT_EQ(run.status, 0) << run.err.toStdString();
  EXPECT_EQ(hexWords(readBytes(state)).value(0), 0x2805);
}

TEST(ByteNames, MessagesShowTheBytesThatAreNotText) {
  TempFiles tmp;
  const QByteArray dir = QFile::encodeName(tmp.path(QString())) + '/';
  const CliRun run =
      runCliBytes({"--ini", dir + "none\xff.ini", "--virtual", dir + "s.hex", "blank"});
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.err, QStringLiteral("Error: Fichero de configuración %1none\\xFF.ini no "
                                    "encontrado. Vuelva a copiar este fichero o instale de nuevo "
                                    "el programa.\n")
                         .arg(QString::fromUtf8(dir)));
}

}  // namespace
}  // namespace tavrix::test
