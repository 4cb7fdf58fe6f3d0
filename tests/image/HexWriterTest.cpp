#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include "HexTestSupport.h"
#include "image/HexReader.h"
#include "image/HexWriter.h"

namespace tavrix::test {
namespace {

using Kind = ScriptedPrompts::Kind;

QByteArray lines(const QList<QByteArray>& records) {
  QByteArray out;
  for (const QByteArray& r : records) out += r + '\n';
  return out;
}

class HexWriter : public ::testing::Test {
 protected:
  HexWriter() : b(makeDevice(1024, 64)) {}
  HexBench b;
};

TEST_F(HexWriter, BlankImageGivesSeventyOneRecords) {
  const QString path = b.files.path(QStringLiteral("blank.hex"));
  ASSERT_EQ(WriteHexFile(path, b.image, b.prompts), HexSave::Saved);
  EXPECT_TRUE(b.prompts.boxes.isEmpty());

  QList<QByteArray> expected;
  const QByteArray blankWords = QByteArray("FF3F").repeated(16);
  for (int p = 0; p < 1024; p += 16) {
    expected << withSum(":20" + QByteArray::number(2 * p, 16).toUpper().rightJustified(4, '0') +
                        "00" + blankWords);
  }
  expected << ":084000000F000F000F000F007C"
           << ":02400E00F13F80";
  const QByteArray blankBytes = QByteArray("FF00").repeated(16);
  for (int e = 0; e < 64; e += 16) {
    expected << withSum(":20" + QByteArray::number(0x4200 + 2 * e, 16).toUpper() + "00" +
                        blankBytes);
  }
  expected << ":00000001FF";
  const QByteArray text = b.files.read(path);
  EXPECT_EQ(text, lines(expected));

  const QList<QByteArray> got = text.split('\n');
  ASSERT_EQ(got.size(), 72);  // 71 records, each ended by LF
  EXPECT_EQ(got[0], ":20000000" + blankWords + "00");
  EXPECT_TRUE(got[1].endsWith("E0"));
  EXPECT_TRUE(got[63].startsWith(":2007E000") && got[63].endsWith("19"));
  EXPECT_EQ(got[66], ":20420000" + blankBytes + "AE");
  EXPECT_TRUE(got[67].startsWith(":20422000"));
  EXPECT_TRUE(got[68].startsWith(":20424000"));
  EXPECT_TRUE(got[69].startsWith(":20426000") && got[69].endsWith("4E"));
  EXPECT_EQ(b.image.ProgEnd(), 0);
  EXPECT_EQ(b.image.EEPromEnd(), 0);
}

TEST(HexWriterSmall, WritesTheSixRecordsOfASmallDevice) {
  HexBench b(makeDevice(20, 16));
  b.image.setProgText(0, QStringLiteral("2805"));
  b.image.setProgText(1, QStringLiteral("0000"));
  b.image.setProgText(5, QStringLiteral("1683"));
  b.image.setIdentText(QStringLiteral("1234"));
  b.image.SetPalConf(0x3FF1);
  b.image.setEeText(0, QStringLiteral("12"));
  b.image.setEeText(1, QStringLiteral("AB"));
  const QString path = b.files.path(QStringLiteral("small.hex"));
  ASSERT_EQ(WriteHexFile(path, b.image, b.prompts), HexSave::Saved);
  EXPECT_EQ(b.files.read(path),
            ":2000000005280000FF3FFF3FFF3F8316FF3FFF3FFF3FFF3FFF3FFF3FFF3FFF3FFF3FFF3FF4\n"
            ":08002000FF3FFF3FFF3FFF3FE0\n"
            ":084000000100020003000400AE\n"
            ":02400E00F13F80\n"
            ":204200001200AB00FF00FF00FF00FF00FF00FF00FF00FF00FF00FF00FF00FF00FF00FF00EF\n"
            ":00000001FF\n");
}

TEST_F(HexWriter, CopiesFourDigitCellsWithTheirLetterCase) {
  b.image.setProgText(0, QStringLiteral("1fab"));
  b.image.setEeText(0, QStringLiteral("cd"));
  const auto text = hexFileText(b.image);
  ASSERT_TRUE(text);
  const QList<QByteArray> got = text->split('\n');
  EXPECT_EQ(got[0], withSum(":20000000ab1f" + QByteArray("FF3F").repeated(15)));
  EXPECT_EQ(got[66], withSum(":20420000cd00" + QByteArray("FF00").repeated(15)));
}

TEST_F(HexWriter, WritesShortCellsInFullDigits) {
  b.image.setProgText(0, QStringLiteral("1"));
  b.image.setProgText(1, QStringLiteral("3f"));
  b.image.setProgText(2, QStringLiteral("00003FFF"));
  b.image.setEeText(3, QStringLiteral("a"));
  const auto text = hexFileText(b.image);
  ASSERT_TRUE(text);
  const QList<QByteArray> got = text->split('\n');
  EXPECT_TRUE(got[0].startsWith(":2000000001003F00FF3FFF3F"));
  EXPECT_TRUE(got[66].startsWith(":20420000FF00FF00FF000A00FF00"));
  EXPECT_EQ(got[0].size(), 1 + 8 + 64 + 2);
}

TEST_F(HexWriter, RefusesCellsThatCannotBeWrittenAndKeepsTheOldFile) {
  const QString path = b.files.write(QStringLiteral("old.hex"), "old contents\n");
  struct Case {
    bool program;
    int index;
    QString text;
    QString message;
  };
  const QList<Case> cases = {
      {true, 0x12, QStringLiteral("12G4"),
       QStringLiteral("No se ha guardado el fichero: la celda de programa 0012 contiene \"12G4\", "
                      "que no es una palabra hexadecimal válida para este dispositivo.")},
      {true, 0, QString(), {}},
      {true, 7, QStringLiteral("04000"), {}},  // above the 14-bit word
      {true, 9, QStringLiteral(" 3FF"), {}},
      {false, 0x21, QStringLiteral("100"),
       QStringLiteral("No se ha guardado el fichero: la celda de EEPROM 0021 contiene \"100\", que "
                      "no es un byte hexadecimal válido.")},
      {false, 1, QStringLiteral("xy"), {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text.toStdString());
    HexBench w(makeDevice(1024, 64));
    w.image.setIdentText(QStringLiteral("12"));
    if (c.program)
      w.image.setProgText(c.index, c.text);
    else
      w.image.setEeText(c.index, c.text);
    EXPECT_EQ(WriteHexFile(path, w.image, w.prompts), HexSave::Refused);
    ASSERT_EQ(w.prompts.boxes.size(), 1);
    EXPECT_EQ(w.prompts.boxes[0].kind, Kind::Failure);
    if (!c.message.isEmpty()) {
      EXPECT_EQ(w.prompts.boxes[0].text, c.message);
    }
    EXPECT_EQ(b.files.read(path), "old contents\n");
    EXPECT_FALSE(QFile::exists(b.files.path(QStringLiteral("new.hex"))));
    EXPECT_EQ(WriteHexFile(b.files.path(QStringLiteral("new.hex")), w.image, w.prompts),
              HexSave::Refused);
    EXPECT_FALSE(QFile::exists(b.files.path(QStringLiteral("new.hex"))));
    EXPECT_EQ(w.image.identText(), QStringLiteral("12"));  // nothing was read for the file
  }
  EXPECT_EQ(QDir(b.files.path(QString())).entryList(QDir::Files), QStringList{"old.hex"});
}

TEST_F(HexWriter, FourDigitWordsAboveTheDeviceWidthAreCopied) {
  b.image.setProgText(0, QStringLiteral("FFFF"));
  const auto text = hexFileText(b.image);
  ASSERT_TRUE(text);
  EXPECT_TRUE(text->startsWith(":20000000FFFF"));
}

TEST(HexWriterDevices, NoEEPromRecordsWithoutEEProm) {
  HexBench b(makeDevice(16, 0));
  const auto text = hexFileText(b.image);
  ASSERT_TRUE(text);
  EXPECT_EQ(*text, ":20000000" + QByteArray("FF3F").repeated(16) + "00\n" +
                       ":084000000F000F000F000F007C\n:02400E00F13F80\n:00000001FF\n");
}

TEST(HexWriterDevices, IdAndConfigurationAddressesAreFixed) {
  HexBench b(makeDevice(16, 16, 0x1000, 0x1800, 12));
  b.image.SetPalConf(0x0FFA);
  const auto text = hexFileText(b.image);
  ASSERT_TRUE(text);
  const QList<QByteArray> got = text->split('\n');
  EXPECT_EQ(got[0], withSum(":20000000" + QByteArray("FF0F").repeated(16)));
  EXPECT_EQ(got[1], ":084000000F000F000F000F007C");
  EXPECT_EQ(got[2], withSum(":02400E00FA0F"));
  EXPECT_TRUE(got[3].startsWith(":20300000"));
}

TEST(HexWriterDevices, RefusesDevicesWhoseAddressesDoNotFit) {
  const QString tooLarge = QStringLiteral(
      "No se ha guardado el fichero: las direcciones del dispositivo PICTEST no caben en las 4 "
      "cifras hexadecimales de un registro HEX.");
  const QString overlap = QStringLiteral(
      "No se ha guardado el fichero: en el dispositivo PICTEST la memoria de programa o la "
      "EEPROM ocupan direcciones del fichero HEX que comparten entre sí o con las posiciones ID "
      "y la palabra de configuración (4000 a 400F).");
  const QList<std::pair<DeviceDef, QString>> cases = {
      {makeDevice(32769, 0), tooLarge},
      {makeDevice(16, 32, 0x2000, 0x7FF0), tooLarge},
      {makeDevice(16, 16, 0x2000, -16), tooLarge},
      {makeDevice(8193, 0), overlap},
      {makeDevice(16, 16, 0x2000, 0x1FF8), overlap},
      {makeDevice(16, 16, 0x2000, 0x2007), overlap},
      {makeDevice(1024, 16, 0x2000, 0x03F0), overlap},
  };
  for (const auto& [dev, message] : cases) {
    SCOPED_TRACE(QStringLiteral("%1 %2").arg(dev.ProgMem).arg(dev.EEPromStart).toStdString());
    HexBench b(dev);
    EXPECT_EQ(WriteHexFile(b.files.path(QStringLiteral("x.hex")), b.image, b.prompts),
              HexSave::Refused);
    EXPECT_EQ(b.prompts.texts(Kind::Failure), QStringList{message});
    EXPECT_FALSE(QFile::exists(b.files.path(QStringLiteral("x.hex"))));
  }
  // The largest devices that still fit are written.
  for (const DeviceDef& dev : {makeDevice(8192, 0), makeDevice(16, 16, 0x2000, 0x7FF0),
                               makeDevice(16, 16, 0x2000, 0x2008)}) {
    HexBench b(dev);
    const auto text = hexFileText(b.image);
    ASSERT_TRUE(text);
    EXPECT_TRUE(text->contains(dev.ProgMem == 8192         ? ":203FE000"
                               : dev.EEPromStart == 0x7FF0 ? ":20FFE000"
                                                           : ":20401000"));
  }
}

TEST_F(HexWriter, ReadsTheIdentifierOncePerDigitAndChangesNothingElse) {
  b.image.setIdentText(QStringLiteral("a"));
  b.image.setProgEnd(3);
  b.image.setEEPromEnd(4);
  int identChanges = 0;
  QObject::connect(&b.image, &MemoryImage::identChanged, [&] { ++identChanges; });
  const QString path = b.files.path(QStringLiteral("id.hex"));
  ASSERT_EQ(WriteHexFile(path, b.image, b.prompts), HexSave::Saved);
  EXPECT_EQ(b.image.identText(), QStringLiteral("000A"));
  EXPECT_EQ(identChanges, 1);
  EXPECT_TRUE(b.files.read(path).contains(":084000000000000000000A00AE\n"));
  EXPECT_EQ(b.image.ProgEnd(), 3);
  EXPECT_EQ(b.image.EEPromEnd(), 4);
}

TEST_F(HexWriter, ReportsAPathThatCannotBeCreated) {
  const QString folder = b.files.path(QStringLiteral("folder"));
  ASSERT_TRUE(QDir().mkdir(folder));
  for (const QString& path : {b.files.path(QStringLiteral("missing/x.hex")), folder}) {
    SCOPED_TRACE(path.toStdString());
    b.prompts.clear();
    b.prompts.cancelByDefault = true;  // the answer does not matter
    EXPECT_EQ(WriteHexFile(path, b.image, b.prompts), HexSave::NotCreated);
    // The box's text, then the path and the system's reason.
    const QString reason = path == folder ? QStringLiteral("Is a directory")
                                          : QStringLiteral("No such file or directory");
    EXPECT_EQ(b.prompts.texts(Kind::Error),
              QStringList{"No se puede crear el fichero.\n" + path + ": " + reason + "."});
  }
  EXPECT_TRUE(QFileInfo(folder).isDir());
}

TEST_F(HexWriter, ReplacesAnExistingFile) {
  const QString path = b.files.write(QStringLiteral("old.hex"), QByteArray(5000, 'x'));
  ASSERT_EQ(WriteHexFile(path, b.image, b.prompts), HexSave::Saved);
  EXPECT_TRUE(b.files.read(path).startsWith(":20000000FF3F"));
  EXPECT_TRUE(b.files.read(path).endsWith(":00000001FF\n"));
}

// A file-size limit makes the write fail as a full disk would.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    oldHandler_ = ::signal(SIGXFSZ, SIG_IGN);
    ::getrlimit(RLIMIT_FSIZE, &old_);
    rlimit limit = old_;
    limit.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &old_);
    ::signal(SIGXFSZ, oldHandler_);
  }

 private:
  rlimit old_{};
  sighandler_t oldHandler_;
};

TEST_F(HexWriter, FailedWriteShowsTheSystemErrorAndKeepsTheOldFile) {
  const QString path = b.files.write(QStringLiteral("old.hex"), "old contents\n");
  HexSave result;
  {
    FileSizeLimit limit(1000);
    result = WriteHexFile(path, b.image, b.prompts);
  }
  EXPECT_EQ(result, HexSave::Failed);
  const QStringList failures = b.prompts.texts(Kind::Failure);
  ASSERT_EQ(failures.size(), 1);
  EXPECT_EQ(failures[0], QStringLiteral("File too large."));
  EXPECT_EQ(b.files.read(path), "old contents\n");
  EXPECT_EQ(QDir(b.files.path(QString())).entryList(QDir::Files | QDir::Hidden),
            QStringList{"old.hex"});
}

}  // namespace
}  // namespace tavrix::test
