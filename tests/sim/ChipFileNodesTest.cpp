// The virtual chip's contents file on paths that are not regular files: loading never waits on
// a FIFO nor reads /dev/zero without end, and saving never replaces a device or a FIFO.
#include <QDir>
#include <QFile>

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include "device/DeviceDef.h"
#include "link/VirtualClock.h"
#include "sim/VirtualChip.h"
#include "support/TempFiles.h"

namespace tavrix::test {
namespace {

DeviceDef flashDevice() {
  DeviceDef d;
  d.Name = QStringLiteral("PIC16F84A");
  d.ProgMem = 1024;
  d.EEProm = 64;
  d.ProgBits = 14;
  d.ConfigStart = 0x2000;
  d.EEPromStart = 0x2100;
  d.Programming = QStringLiteral("Flash");
  return d;
}

mode_t nodeType(const QString& path) {
  struct stat st {};
  if (::stat(QFile::encodeName(path).constData(), &st) != 0) return 0;
  return st.st_mode & S_IFMT;
}

TEST(ChipFileNodes, LoadRefusesWhatIsNotARegularFile) {
  TempFiles tmp;
  const QString fifo = tmp.path(QStringLiteral("fifo"));
  ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
  const QString folder = tmp.path(QStringLiteral("folder"));
  ASSERT_TRUE(QDir().mkdir(folder));
  const DeviceDef d = flashDevice();
  VirtualClock clock;
  VirtualChip chip(d, clock);
  chip.setProgramWord(0, 0x2805);
  for (const QString& path : {QStringLiteral("/dev/zero"), fifo, folder}) {
    SCOPED_TRACE(path.toStdString());
    QString error;
    EXPECT_FALSE(chip.loadHex(path, &error));
    EXPECT_EQ(error, QStringLiteral("No se puede abrir el fichero %1.").arg(path));
    EXPECT_EQ(chip.programWord(0), 0x2805);  // the chip is as it was
  }
}

TEST(ChipFileNodes, SaveNeverReplacesADeviceOrAFifo) {
  TempFiles tmp;
  const QString fifo = tmp.path(QStringLiteral("fifo"));
  ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
  QStringList targets = {fifo, tmp.path(QString())};
  // A private copy of /dev/full where the system allows it.
  const QString full = tmp.path(QStringLiteral("full"));
  if (::mknod(QFile::encodeName(full).constData(), S_IFCHR | 0666, makedev(1, 7)) == 0)
    targets << full;
  const DeviceDef d = flashDevice();
  VirtualClock clock;
  const VirtualChip chip(d, clock);
  for (const QString& path : targets) {
    SCOPED_TRACE(path.toStdString());
    const mode_t before = nodeType(path);
    QString error;
    EXPECT_FALSE(chip.saveHex(path, &error));
    EXPECT_TRUE(error.startsWith(QStringLiteral("No se puede crear el fichero %1: ").arg(path)))
        << error.toStdString();
    EXPECT_EQ(nodeType(path), before);
  }
}

}  // namespace
}  // namespace tavrix::test
