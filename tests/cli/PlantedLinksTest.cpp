// Files the tool writes, named in a sticky folder that everyone may write (as /tmp is) where
// another user planted the name as a symbolic link: nothing is written through the link,
// whatever /proc/sys/fs/protected_symlinks says, and the file it points at keeps its bytes and
// its owner. Links the user or the folder's owner made are followed as usual.
#include <QDir>
#include <QFile>

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "cli/CliRun.h"
#include "support/TempFiles.h"

namespace tavrix::test {
namespace {

constexpr uid_t kStranger = 65534;  // the user who plants the links
constexpr uid_t kOwner = 1234;      // the owner of the file they point at

QByteArray bytesOf(const QString& path) {
  return QFile::encodeName(path);
}

struct stat statusOf(const QString& path) {
  struct stat st {};
  ::lstat(bytesOf(path).constData(), &st);
  return st;
}

class PlantedLinks : public ::testing::Test {
 protected:
  void SetUp() override {
    if (::geteuid() != 0) GTEST_SKIP() << "planting another user's link needs root";
    shared = tmp.path(QStringLiteral("shared"));
    ASSERT_TRUE(QDir().mkpath(shared));
    ASSERT_EQ(::chmod(bytesOf(shared).constData(), 01777), 0);
    ASSERT_TRUE(QDir().mkpath(tmp.path(QStringLiteral("private"))));
    victim = tmp.write(QStringLiteral("private/victim.hex"), kVictimText);
    ASSERT_EQ(::chown(bytesOf(victim).constData(), kOwner, kOwner), 0);
    ASSERT_EQ(::chmod(bytesOf(victim).constData(), 0640), 0);
  }

  // A link in the shared folder to `target`, owned by `owner`.
  QString plant(const QString& name, const QString& target, uid_t owner = kStranger) {
    const QString link = shared + QLatin1Char('/') + name;
    EXPECT_EQ(::symlink(bytesOf(target).constData(), bytesOf(link).constData()), 0);
    EXPECT_EQ(::lchown(bytesOf(link).constData(), owner, owner), 0);
    return link;
  }

  void expectVictimUntouched() {
    EXPECT_EQ(tmp.read(victim), kVictimText);
    const struct stat st = statusOf(victim);
    EXPECT_EQ(st.st_uid, kOwner);
    EXPECT_EQ(st.st_gid, kOwner);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
  }

  const QByteArray kVictimText = "someone else's file\n";
  TempFiles tmp;
  QString shared;
  QString victim;
};

TEST_F(PlantedLinks, NoWrittenFileFollowsALinkAnotherUserPlanted) {
  const QString fixture = fixturePath(QStringLiteral("gpasm__flash_16f84a.hex"));
  const QString state = tmp.path(QStringLiteral("state.hex"));
  const QString link = plant(QStringLiteral("out.hex"), victim);
  const QList<QStringList> commands = {
      {"hex", fixture, link},                              // a HEX file saved
      {"--virtual", state, "read", link},                  // a chip read into a HEX file
      {"--virtual", link, "blank"},                        // the chip's contents file
      {"--virtual", state, "--trace", link, "unprotect"},  // the trace
  };
  for (const QStringList& command : commands) {
    SCOPED_TRACE(command.join(' ').toStdString());
    const CliRun run = runCli(shippedIni() << "--device"
                                           << "PIC16F84A" << command);
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(run.err.contains(QStringLiteral("No se puede crear el fichero")));
    EXPECT_TRUE(run.err.contains(link + QStringLiteral(": es un enlace simbólico de otro usuario")))
        << run.err.toStdString();
    expectVictimUntouched();
    EXPECT_TRUE(S_ISLNK(statusOf(link).st_mode));
  }

  // A dangling link makes no file where it points; nor does a planted link to a folder that
  // stands on the way.
  const QString nowhere = tmp.path(QStringLiteral("private/new.hex"));
  const QString dangling = plant(QStringLiteral("dangling.hex"), nowhere);
  const QString folderLink = plant(QStringLiteral("dir"), tmp.path(QStringLiteral("private")));
  for (const QString& out : {dangling, folderLink + QStringLiteral("/new.hex")}) {
    SCOPED_TRACE(out.toStdString());
    const CliRun run = runCli(shippedIni() << "hex" << fixture << out);
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(run.err.startsWith(QStringLiteral("Error: No se puede crear el fichero.\n")));
    EXPECT_FALSE(QFile::exists(nowhere));
  }
}

TEST_F(PlantedLinks, LinksOfTheUserOrOfTheFolderOwnerAreFollowedAndTheFileKeepsItsOwner) {
  const QString fixture = fixturePath(QStringLiteral("gpasm__flash_16f84a.hex"));
  const QString own = plant(QStringLiteral("own.hex"), victim, ::geteuid());
  CliRun run = runCli(shippedIni() << "hex" << fixture << own);
  ASSERT_EQ(run.status, 0) << run.err.toStdString();
  EXPECT_TRUE(tmp.read(victim).startsWith(":20000000"));
  const struct stat st = statusOf(victim);
  EXPECT_EQ(st.st_uid, kOwner);  // the replaced file keeps its owner, group and mode
  EXPECT_EQ(st.st_gid, kOwner);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_TRUE(S_ISLNK(statusOf(own).st_mode));

  // The folder's owner may link in their own folder: the state file is kept through it.
  ASSERT_EQ(::chown(bytesOf(shared).constData(), kStranger, kStranger), 0);
  const QString theirs = plant(QStringLiteral("theirs.hex"), victim, kStranger);
  run = runCli(shippedIni() << "--virtual" << theirs << "unprotect");
  ASSERT_EQ(run.status, 0) << run.err.toStdString();
  EXPECT_TRUE(tmp.read(victim).endsWith(":00000001FF\n"));
  EXPECT_EQ(statusOf(victim).st_uid, kOwner);
}

}  // namespace
}  // namespace tavrix::test
