// HEX files and save targets no user means to give: a file of many megabytes, lines of ten
// megabytes and of a gigabyte, NUL bytes, and saves to a full device, a device node, a FIFO, a
// folder, a read-only place and a missing folder. Each gets a clear message and loses nothing.
#include <QDir>
#include <QFile>

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include "HexTestSupport.h"
#include "image/HexReader.h"
#include "image/HexText.h"
#include "image/HexWriter.h"
#include "image/LineReader.h"
#include "support/MemoryLimit.h"

namespace tavrix::test {
namespace {

using Kind = ScriptedPrompts::Kind;

const QString kChecksum = QStringLiteral("Checksum error en el fichero HEX ¿Continuar leyendo?");
const QString kCannotCreate = QStringLiteral("No se puede crear el fichero.");

QByteArray rec(const QByteArray& record) {
  return withSum(record) + '\n';
}

// Sixteen program words from `address`, each `base` + its offset.
QByteArray programLine(int address, int base) {
  QByteArray line =
      ":20" + QByteArray::number(2 * address, 16).toUpper().rightJustified(4, '0') + "00";
  for (int k = 0; k < 16; ++k) {
    const int w = (base + k) & 0x3FFF;
    line += QByteArray::number(w & 0xFF, 16).toUpper().rightJustified(2, '0');
    line += QByteArray::number(w >> 8, 16).toUpper().rightJustified(2, '0');
  }
  return rec(line);
}

bool isCharacterDevice(const QString& path) {
  struct stat st {};
  return ::stat(QFile::encodeName(path).constData(), &st) == 0 && S_ISCHR(st.st_mode);
}

class HostileFiles : public ::testing::Test {
 protected:
  HostileFiles() : b(makeDevice(1024, 64)) {}
  HexBench b;
};

// Megabytes of records, rewriting the same program memory again and again: read line by
// line, the last pass wins, and no box is shown. (The 100 MB case is a manual benchmark.)
TEST_F(HostileFiles, ManyMegabytesOfRecordsLoadLikeAnyOther) {
  const QString path = b.files.path(QStringLiteral("big.hex"));
  QFile out(path);
  ASSERT_TRUE(out.open(QIODevice::WriteOnly));
  constexpr int kPasses = 110;  // 110 x 64 lines of 76 bytes: over 0.5 MB per 10 passes
  for (int pass = 0; pass < kPasses; ++pass) {
    QByteArray chunk;
    for (int a = 0; a < 1024; a += 16) chunk += programLine(a, pass * 7 + a);
    for (int i = 0; i < 11; ++i) ASSERT_EQ(out.write(chunk), chunk.size());
  }
  out.write(":00000001FF\n");
  out.close();
  ASSERT_GT(QFileInfo(path).size(), 5'000'000);
  ASSERT_EQ(ReadHexFile(path, b.image, b.prompts), HexLoad::Completed);
  EXPECT_TRUE(b.prompts.boxes.isEmpty());
  EXPECT_EQ(b.image.ProgEnd(), 1024);
  for (int a : {0, 1, 511, 1023}) EXPECT_EQ(b.image.progValue(a), ((kPasses - 1) * 7 + a) & 0x3FFF);
  EXPECT_EQ(b.image.progCount(), 1024);
}

// `record` padded with "00" pairs before its checksum (they do not change the sum) to `size`
// characters, an odd number as for every whole record.
QByteArray padded(const QByteArray& record, qsizetype size) {
  return record + QByteArray(size - record.size() - 2, '0') + withSum(record).right(2);
}

// No line is held whole past the reader's cap: a longer one is one question (no record can be
// that long) and is skipped whatever it holds, and the lines after it are read. A line of
// one character under the cap, CR LF not counted, is an ordinary line whose checksum counts all of
// it; an over-long end record still ends the load.
TEST_F(HostileFiles, LinesLongerThanTheCapAreAskedAboutAndReadingGoesOn) {
  const qsizetype cap = LineReader::kMaxLine;
  b.prompts.cancelByDefault = true;  // the answer does not matter
  const QByteArray text = padded(":020000003412", cap - 1) + "\r\n" +
                          padded(":020002005678", cap + 1) + '\n' +   // not loaded
                          ':' + QByteArray(10'000'000, 'Z') + '\n' +  // not loaded either
                          rec(":02000400BC9A") + padded(":00000001FF", 3 * cap + 1) + '\n' +
                          rec(":02000600DEF0");  // after the end record: never read
  const QString path = b.files.write(QStringLiteral("long.hex"), text);
  ASSERT_EQ(ReadHexFile(path, b.image, b.prompts), HexLoad::Completed);
  EXPECT_EQ(b.prompts.texts(Kind::Error),
            QStringList{"Hex File: línea demasiado larga (más de 65536 caracteres)."});
  EXPECT_EQ(b.prompts.texts(Kind::Info),
            QStringList{"Hex File: 2 líneas demasiado largas no se han cargado."});
  EXPECT_EQ(b.image.progText(0), QStringLiteral("1234"));
  EXPECT_EQ(b.image.progText(1), QStringLiteral("3FFF"));
  EXPECT_EQ(b.image.progText(2), QStringLiteral("9ABC"));
  EXPECT_EQ(b.image.progText(3), QStringLiteral("3FFF"));
  EXPECT_EQ(b.image.ProgEnd(), 3);
}

// A file of one line of 256 MB (sparse, so it takes no disk) is read with 16 MB of memory to
// spare: before lines were capped, it took three times its size.
TEST_F(HostileFiles, HugeLineIsReadInBoundedMemory) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "AddressSanitizer keeps freed memory in quarantine: no limit measures the reader";
#endif
  const QString path = b.files.write(QStringLiteral("sparse.hex"), rec(":020000003412") + ':');
  ASSERT_EQ(::truncate(QFile::encodeName(path).constData(), off_t{1} << 28), 0);
  EXPECT_EQ(runWithDataHeadroom(16,
                                [&] {
                                  return ReadHexFile(path, b.image, b.prompts) ==
                                             HexLoad::Completed &&
                                         b.prompts.boxes.size() == 1 &&
                                         b.image.progText(0) == QStringLiteral("1234");
                                }),
            "");
}

// NUL bytes cannot vanish from the message: they are shown as the NUL control picture.
TEST_F(HostileFiles, NulBytesAreNamedVisiblyInTheMessage) {
  QByteArray damaged = rec(":020000003412");
  damaged += QByteArray(":02000200", 9) + QByteArray(4, '\0') + "00\n";
  const QString path = b.files.write(QStringLiteral("nul.hex"), damaged);
  ASSERT_EQ(ReadHexFile(path, b.image, b.prompts), HexLoad::Abandoned);
  EXPECT_EQ(b.prompts.texts(Kind::Failure),
            QStringList{QStringLiteral("'$\u2400\u2400' is not a valid integer value.")});
  EXPECT_EQ(b.image.progText(0), QStringLiteral("1234"));

  // A file of nothing but NUL bytes, as a zeroed disk block would give.
  b.prompts.clear();
  const QString zeros = b.files.write(QStringLiteral("zeros.hex"), QByteArray(4096, '\0'));
  ASSERT_EQ(ReadHexFile(zeros, b.image, b.prompts), HexLoad::Abandoned);
  EXPECT_EQ(b.prompts.texts(Kind::Failure),
            QStringList{QStringLiteral("'$\u2400\u2400' is not a valid integer value.")});
  EXPECT_EQ(notAnIntegerMessage(u"\t\x7f"),
            QStringLiteral("'$\u2409\u2421' is not a valid integer value."));
}

// A full device is written in place: the system's text is shown, and the node is still the
// device afterwards (it is never replaced by a regular file, even for root).
TEST_F(HostileFiles, SaveToAFullDeviceShowsTheSystemErrorAndKeepsTheDevice) {
  QString full = b.files.path(QStringLiteral("full"));
  // A private copy of /dev/full where the system allows it, so that a fault cannot touch the
  // machine's own node.
  if (::mknod(QFile::encodeName(full).constData(), S_IFCHR | 0666, makedev(1, 7)) != 0)
    full = QStringLiteral("/dev/full");
  ASSERT_TRUE(isCharacterDevice(full));
  EXPECT_EQ(WriteHexFile(full, b.image, b.prompts), HexSave::Failed);
  EXPECT_EQ(b.prompts.texts(Kind::Failure),
            QStringList{QStringLiteral("No space left on device.")});
  EXPECT_TRUE(b.prompts.texts(Kind::Error).isEmpty());
  EXPECT_TRUE(isCharacterDevice(full));
  EXPECT_TRUE(isCharacterDevice(QStringLiteral("/dev/full")));
  EXPECT_EQ(QDir(b.files.path(QString())).entryList(QDir::Files | QDir::Hidden | QDir::System),
            full.startsWith(QLatin1String("/dev")) ? QStringList() : QStringList{"full"});
}

TEST_F(HostileFiles, SaveToTheNullDeviceSucceedsAndKeepsIt) {
  EXPECT_EQ(WriteHexFile(QStringLiteral("/dev/null"), b.image, b.prompts), HexSave::Saved);
  EXPECT_TRUE(b.prompts.boxes.isEmpty());
  EXPECT_TRUE(isCharacterDevice(QStringLiteral("/dev/null")));
}

// Places no file can be created in: each gets "No se puede crear el fichero." and whatever was
// there stays as it was.
TEST_F(HostileFiles, SaveWhereNoFileCanBeCreatedKeepsWhatIsThere) {
  const QString fifo = b.files.path(QStringLiteral("fifo"));
  ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
  const QString folder = b.files.path(QStringLiteral("folder"));
  ASSERT_TRUE(QDir().mkdir(folder));
  b.files.write(QStringLiteral("folder/keep.hex"), "kept\n");

  QFile version(QStringLiteral("/proc/version"));  // an existing file on a read-only file system
  ASSERT_TRUE(version.open(QIODevice::ReadOnly));
  const QByteArray procBefore = version.readAll();
  version.close();

  const QStringList targets = {fifo,
                               folder,
                               b.files.path(QStringLiteral("missing/a.hex")),
                               QStringLiteral("/proc/version"),
                               QStringLiteral("/proc/a.hex"),
                               QString()};
  for (const QString& target : targets) {
    SCOPED_TRACE(target.toStdString());
    b.prompts.clear();
    EXPECT_EQ(WriteHexFile(target, b.image, b.prompts), HexSave::NotCreated);
    ASSERT_EQ(b.prompts.texts().size(), 1);
    EXPECT_TRUE(b.prompts.texts()[0].startsWith(kCannotCreate + '\n' + target))
        << b.prompts.texts()[0].toStdString();
  }
  struct stat st {};
  ASSERT_EQ(::stat(QFile::encodeName(fifo).constData(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));
  EXPECT_EQ(b.files.read(QStringLiteral("folder/keep.hex")), "kept\n");
  EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{"keep.hex"});
  EXPECT_FALSE(QFileInfo::exists(b.files.path(QStringLiteral("missing"))));
  ASSERT_TRUE(version.open(QIODevice::ReadOnly));
  EXPECT_EQ(version.readAll(), procBefore);
}

// A folder without write permission keeps the file it holds (root may write anywhere, so the
// case only means something for other users).
TEST_F(HostileFiles, ReadOnlyFolderKeepsItsFile) {
  if (::geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
  const QString folder = b.files.path(QStringLiteral("ro"));
  ASSERT_TRUE(QDir().mkdir(folder));
  const QString old = b.files.write(QStringLiteral("ro/old.hex"), "old\n");
  ASSERT_TRUE(QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
  EXPECT_EQ(WriteHexFile(old, b.image, b.prompts), HexSave::NotCreated);
  EXPECT_EQ(b.prompts.texts(),
            QStringList{kCannotCreate + '\n' + old + QStringLiteral(": Permission denied.")});
  QFile::setPermissions(folder,
                        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
  EXPECT_EQ(b.files.read(QStringLiteral("ro/old.hex")), "old\n");
}

}  // namespace
}  // namespace tavrix::test
