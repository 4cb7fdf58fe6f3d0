// One file, one role: a command whose files (the device file, the HEX file read, the HEX file
// written, the virtual chip's contents file, the trace) name one file twice, whatever the
// spelling, is refused before anything is read or written.
#include <QFile>

#include <gtest/gtest.h>
#include <unistd.h>

#include "CliRun.h"
#include "support/TempFiles.h"

namespace tavrix::test {
namespace {

const QString kIn = QStringLiteral("el fichero HEX de entrada");
const QString kOut = QStringLiteral("el fichero HEX de salida");
const QString kState = QStringLiteral("el fichero de estado de la placa virtual (--virtual)");
const QString kTrace = QStringLiteral("el fichero de traza (--trace)");
const QString kIni = QStringLiteral("el fichero de dispositivos (--ini)");

QString refusal(QString role, const QString& other, const QString& names) {
  role[0] = role[0].toUpper();
  return QStringLiteral(
             "Error: %1 y %2 son el mismo fichero, %3: un fichero no puede tener dos papeles; no "
             "se ha escrito nada.\n")
      .arg(role, other, names);
}

TEST(FileRoles, OneFileInTwoRolesIsRefusedBeforeAnythingIsWritten) {
  TempFiles tmp;
  const QByteArray firmware = ":0400000005280000CF\n:00000001FF\n";
  const QString fw = tmp.write(QStringLiteral("fw.hex"), firmware);
  const QString ini = tmp.write(QStringLiteral("t.ini"), "[PIC16F84A]\nProgMem=1024\n");
  ASSERT_EQ(::symlink("fw.hex", QFile::encodeName(tmp.path("link.hex")).constData()), 0);
  ASSERT_EQ(::link(QFile::encodeName(fw).constData(),
                   QFile::encodeName(tmp.path("hard.hex")).constData()),
            0);
  const QString dir = tmp.path(QString());
  const QString state = tmp.path(QStringLiteral("state.hex"));
  struct Case {
    QStringList args;
    QString err;
  };
  const Case cases[] = {
      // The trace over the firmware it writes.
      {{"--virtual", state, "--trace", fw, "write", fw}, refusal(kIn, kTrace, fw)},
      // The firmware as the chip's contents, in the development loop (which would run for
      // ever), spelled through a link.
      {{"--virtual", tmp.path("link.hex"), "write", "--watch", fw},
       refusal(kIn, kState, fw + " y " + tmp.path("link.hex"))},
      // A hard link is the same file too.
      {{"--virtual", state, "verify", tmp.path("hard.hex"), "--trace", fw},
       refusal(kIn, kTrace, tmp.path("hard.hex") + " y " + fw)},
      // Files not made yet: the same name in the same folder, however spelled.
      {{"--virtual", state, "--trace", dir + "/./new.hex", "read", tmp.path("new.hex")},
       refusal(kOut, kTrace, tmp.path("new.hex") + " y " + dir + "/./new.hex")},
      {{"--virtual", state, "read", state}, refusal(kOut, kState, state)},
      {{"hex", fw, ini}, refusal(kIni, kOut, ini)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args.join(' ').toStdString());
    const CliRun run = runCli(QStringList{"--ini", ini, "--device", "PIC16F84A"} + c.args);
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err, c.err);
    EXPECT_TRUE(run.out.isEmpty());
    EXPECT_EQ(tmp.read(QStringLiteral("fw.hex")), firmware);
    EXPECT_EQ(tmp.read(QStringLiteral("t.ini")), "[PIC16F84A]\nProgMem=1024\n");
    EXPECT_FALSE(QFile::exists(state));
    EXPECT_FALSE(QFile::exists(tmp.path("new.hex")));
  }

  // Rewriting a file in place stays allowed, and so do two writers on /dev/null.
  CliRun run = runCli({"--ini", ini, "hex", fw, tmp.path("link.hex")});
  EXPECT_EQ(run.status, 0) << run.err.toStdString();
  run = runCli({"--ini", ini, "--virtual", state, "--trace", "/dev/null", "read", "/dev/null"});
  EXPECT_EQ(run.status, 0) << run.err.toStdString();
}

}  // namespace
}  // namespace tavrix::test
