// The device file as tavrix-cli meets it: a file that cannot be read, a file whose every device
// is refused, and names given to more than one section.
#include <QFile>

#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "cli/CliRun.h"
#include "support/TempFiles.h"

namespace tavrix::test {
namespace {

// The file exists and this user may not read it: the system's reason, not "no encontrado".
TEST(DeviceFileCli, FileThatCannotBeReadSaysWhy) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to run the tool as another user";
  TempFiles tmp;
  ASSERT_EQ(::chmod(QFile::encodeName(tmp.path(QString())).constData(), 0755), 0);
  QString why;
  const QString tool = cliCopyForOthers(tmp.path(QString()), &why);
  if (tool.isEmpty())
    GTEST_SKIP() << "tavrix-cli cannot be run as another user: " << why.toStdString();
  const QString ini = tmp.write(QStringLiteral("t.ini"), "[PIC16F84A]\n");
  ASSERT_EQ(::chmod(QFile::encodeName(ini).constData(), 0600), 0);
  const auto asNobody = [] {
    ::setgroups(0, nullptr);
    if (::setresgid(65534, 65534, 65534) != 0 || ::setresuid(65534, 65534, 65534) != 0)
      ::_exit(126);
  };
  const QString message =
      "Error: No se puede leer el fichero de configuración " + ini + ": Permission denied.\n";
  for (const QList<QByteArray>& command :
       {QList<QByteArray>{"devices"}, QList<QByteArray>{"hex", "in.hex", "out.hex"}}) {
    const CliRun run =
        runCliBytes(QList<QByteArray>{"--ini", QFile::encodeName(ini)} + command, asNobody, tool);
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err, message);
  }
  // A folder is no device file either, and says so.
  const CliRun run = runCli({"--ini", tmp.path(QString()), "devices"});
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.err, "Error: No se puede leer el fichero de configuración " + tmp.path(QString()) +
                         ": Is a directory.\n");
}

// Without --device the first device is the one, and it is refused; as no other device of the
// file could be used either, the last message says so.
TEST(DeviceFileCli, FileWhoseEveryDeviceIsRefusedSaysSoLast) {
  TempFiles tmp;
  const QString ini =
      tmp.write(QStringLiteral("t.ini"), "[PICHUGE]\nProgMem=99999\n[PICWIDE]\nProgBits=40\n");
  const CliRun run = runCli({"--ini", ini, "--virtual", tmp.path("s.hex"), "blank"});
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.err,
            "Error: El dispositivo PICHUGE no se puede usar: ProgMem=99999 está fuera del rango 0 "
            "a 32768.\nError: Fichero de configuración " +
                ini +
                ": ningún dispositivo del fichero se puede usar. Corrija el fichero o instale de "
                "nuevo el programa.\n");
  EXPECT_FALSE(QFile::exists(tmp.path("s.hex")));
}

TEST(DeviceFileCli, DevicesWarnsOnceAboutEachNameOfSeveralSections) {
  TempFiles tmp;
  const QString ini = tmp.write(QStringLiteral("t.ini"),
                                "[PICA]\nProgMem=1\n[PICB]\n[PICA]\n[Config]\n[PICA]\n[PICB]\n"
                                "[PICC]\n");
  const CliRun run = runCli({"--ini", ini, "devices"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, QStringLiteral("PICA\nPICB\nPICA\nPICA\nPICB\nPICC\n"));
  const QString warning = QStringLiteral(
      "Aviso: el dispositivo %1 aparece en más de una sección del fichero %2; se usa la "
      "primera.\n");
  EXPECT_EQ(run.err, warning.arg("PICA", ini) + warning.arg("PICB", ini));
}

}  // namespace
}  // namespace tavrix::test
