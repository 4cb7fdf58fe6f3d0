// The command-line tool against hostile paths and devices: a state file that is a device, a
// port node that refuses every write, a device file whose first device is absurd, and a HEX
// file saved to a full device.
#include <gtest/gtest.h>

#include <QFile>

#include <sys/stat.h>
#include <sys/sysmacros.h>

#include "cli/CliRun.h"
#include "support/TempFiles.h"

namespace tavrix::test {
namespace {

// A private copy of /dev/full where the system allows one, so that a fault cannot replace the
// machine's own node; /dev/full itself otherwise.
QString fullDevice(const TempFiles& tmp) {
  const QString own = tmp.path(QStringLiteral("full"));
  if (::mknod(QFile::encodeName(own).constData(), S_IFCHR | 0666, makedev(1, 7)) == 0) return own;
  return QStringLiteral("/dev/full");
}

bool isCharacterDevice(const QString& path) {
  struct stat st {};
  return ::stat(QFile::encodeName(path).constData(), &st) == 0 && S_ISCHR(st.st_mode);
}

TEST(HostileCli, StateFileThatIsADeviceIsRefusedBeforeTheChip) {
  const CliRun run = runCli(shippedIni() << "--virtual"
                                         << "/dev/zero"
                                         << "blank");
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.err, QStringLiteral("Error: Fichero de estado /dev/zero: No se puede abrir el "
                                    "fichero /dev/zero.\n"));
}

// A node that takes no byte (a full device): the run says the port cannot be reached instead of
// reporting what a dead line reads.
TEST(HostileCli, PortThatRefusesWritesIsNamed) {
  TempFiles tmp;
  const QString full = fullDevice(tmp);
  const CliRun run = runCli(shippedIni() << "--port" << full << "blank");
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, QStringLiteral("Error: Imposible comunicar con el puerto paralelo.\n"));
  EXPECT_TRUE(isCharacterDevice(full));
}

TEST(HostileCli, AbsurdFirstDeviceIsNamedWhenNoDeviceIsGiven) {
  TempFiles tmp;
  const QString ini = tmp.write(QStringLiteral("t.ini"), "[PICHUGE]\nProgBits=99\n[PIC16F84A]\n");
  const CliRun run = runCli({"--ini", ini, "--virtual", tmp.path("s.hex"), "blank"});
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.err, QStringLiteral("Error: El dispositivo PICHUGE no se puede usar: ProgBits=99 "
                                    "está fuera del rango 0 a 16.\n"));
  EXPECT_FALSE(QFile::exists(tmp.path("s.hex")));
}

TEST(HostileCli, SaveToAFullDeviceShowsTheSystemError) {
  TempFiles tmp;
  const QString full = fullDevice(tmp);
  const CliRun run = runCli(
      shippedIni() << "hex" << fixturePath(QStringLiteral("gpasm__flash_16f84a.hex")) << full);
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.err, QStringLiteral("Error: No space left on device.\n"));
  EXPECT_TRUE(isCharacterDevice(full));
}

// A file made for a bigger chip: the question is printed once and, with --keep-going, the count
// of the records it covered; without it the load is refused as soon as the question comes.
TEST(HostileCli, RecordsOfABiggerChipAreCountedOnce) {
  TempFiles tmp;
  QByteArray file = ":0400000005280000CF\n";
  for (int i = 0; i < 40; ++i) {
    QByteArray record =
        ":02" + QByteArray::number(0x800 + 2 * i, 16).toUpper().rightJustified(4, '0') + "00FF3F";
    unsigned sum = 0;
    for (int j = 1; j < record.size(); j += 2) sum += record.mid(j, 2).toUInt(nullptr, 16);
    file += record +
            QByteArray::number((256 - sum % 256) % 256, 16).toUpper().rightJustified(2, '0') + '\n';
  }
  const QString in = tmp.write(QStringLiteral("big.hex"), file + ":00000001FF\n");
  const QString out = tmp.path(QStringLiteral("out.hex"));
  const QStringList base = shippedIni() << "--device"
                                        << "PIC16F84A";
  CliRun run = runCli(QStringList(base) << "--keep-going"
                                        << "hex" << in << out);
  EXPECT_EQ(run.status, 0) << run.err.toStdString();
  EXPECT_EQ(run.err, QStringLiteral("Error: Hex File: dirección fuera de rango\n"
                                    "Hex File: 40 registros fuera de rango no se han cargado.\n"));
  EXPECT_TRUE(QFile(out).open(QIODevice::ReadOnly));

  run = runCli(QStringList(base) << "hex" << in << tmp.path(QStringLiteral("no.hex")));
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.err, QStringLiteral("Error: Hex File: dirección fuera de rango\n"
                                    "Carga del fichero HEX detenida: no se ha tocado el PIC.\n"));
}

}  // namespace
}  // namespace tavrix::test
