#include <QDir>
#include <QFile>

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "HexTestSupport.h"
#include "image/HexReader.h"
#include "image/HexTexts.h"

namespace tavrix::test {
namespace {

using Kind = ScriptedPrompts::Kind;

const QString kChecksum = QStringLiteral("Checksum error en el fichero HEX ¿Continuar leyendo?");
const QString kNoColon = QStringLiteral("Hex File: falta \":\" al inicio.");
const QString kUnknown = QStringLiteral("Hex File: comando HEX no reconocido.");
const QString kRange = QStringLiteral("Hex File: dirección fuera de rango");
const QString kShort = QStringLiteral("Hex File: registro más corto que su longitud.");
const QString kCannotRead = QStringLiteral("No se puede leer el fichero HEX.");

QStringList repeated(const QString& text, int n) {
  QStringList out;
  for (int i = 0; i < n; ++i) out << text;
  return out;
}

QByteArray rec(const char* record) {
  return withSum(record) + '\n';
}

class HexReader : public ::testing::Test {
 protected:
  HexReader() : b(makeDevice(1024, 64)) {}

  HexLoad load(const QByteArray& text) {
    const QString path = b.files.write(QStringLiteral("in.hex"), text);
    return ReadHexFile(path, b.image, b.prompts, [this](const QString& p) { opened << p; });
  }

  HexBench b;
  QStringList opened;
};

TEST(HexChecksumTest, SumsPairsFromTheSecondCharacter) {
  EXPECT_EQ(HexChecksum(u":00000001FF"), QStringLiteral("00"));
  EXPECT_EQ(HexChecksum(u":0400000005280000"), QStringLiteral("CF"));
  EXPECT_EQ(HexChecksum(u":02000000ab1f"), QStringLiteral("34"));
  EXPECT_EQ(HexChecksum(u":02000000ab1f34"), QStringLiteral("00"));
  // The last group may be one character; a sum that is a multiple of 256 gives "00".
  EXPECT_EQ(HexChecksum(u":FF01"), QStringLiteral("00"));
  EXPECT_EQ(HexChecksum(u":FF0"), QStringLiteral("01"));
}

TEST(HexChecksumTest, NamesTheGroupThatDoesNotRead) {
  QString failed;
  EXPECT_FALSE(HexChecksum(u":", &failed));
  EXPECT_EQ(failed, QString());
  EXPECT_FALSE(HexChecksum(u":0000000100 ", &failed));
  EXPECT_EQ(failed, QStringLiteral(" "));
  EXPECT_FALSE(HexChecksum(u":00G0", &failed));
  EXPECT_EQ(failed, QStringLiteral("G0"));
}

TEST_F(HexReader, LoadsEveryAreaOfTheExampleFile) {
  b.image.SetPalConf(0x3FFF);
  ASSERT_EQ(load(":0400000005280000CF\n:084000000100020003000400AE\n:02400E00F13F80\n"
                 ":044200001200340074\n:00000001FF\n"),
            HexLoad::Completed);
  QStringList prog = repeated(QStringLiteral("3FFF"), 1024);
  prog[0] = QStringLiteral("2805");
  prog[1] = QStringLiteral("0000");
  EXPECT_EQ(b.prog(), prog);
  QStringList ee = repeated(QStringLiteral("FF"), 64);
  ee[0] = QStringLiteral("12");
  ee[1] = QStringLiteral("34");
  EXPECT_EQ(b.ee(), ee);
  EXPECT_EQ(b.image.identText(), QStringLiteral("1234"));
  EXPECT_EQ(b.image.GetPalConf(), 0x3FF1);
  EXPECT_EQ(b.image.ProgEnd(), 2);
  EXPECT_EQ(b.image.EEPromEnd(), 2);
  EXPECT_TRUE(b.prompts.boxes.isEmpty());
  EXPECT_EQ(opened, QStringList{b.files.path(QStringLiteral("in.hex"))});
}

TEST_F(HexReader, KeepsLetterCaseOfProgramAndEEPromCells) {
  ASSERT_EQ(load(":02000000ab1f34\n:02420000cd0fdf\n"), HexLoad::Completed);
  EXPECT_EQ(b.image.progText(0), QStringLiteral("1fab"));
  EXPECT_EQ(b.image.eeText(0), QStringLiteral("cd"));
}

TEST_F(HexReader, TakesOnlyTheLowDigitOfEachIdWord) {
  ASSERT_EQ(load(rec(":024006000C3F")), HexLoad::Completed);
  EXPECT_EQ(b.image.identText(), QStringLiteral("FFFC"));
}

TEST_F(HexReader, LeavesIdentifierAndConfigurationWhenTheFileHasNone) {
  b.image.ShowIdent(0x1234);
  b.image.SetPalConf(0x0123);
  ASSERT_EQ(load(":0400000005280000CF\n"), HexLoad::Completed);
  EXPECT_EQ(b.image.identText(), QStringLiteral("FFFF"));
  EXPECT_EQ(b.image.GetPalConf(), 0x0123);
}

TEST_F(HexReader, LoadsRecordsInDescendingOrderAtTheirOwnAddresses) {
  ASSERT_EQ(load(rec(":0400200011112222") + rec(":020000003333") + rec(":024204004400") +
                 rec(":024200005500")),
            HexLoad::Completed);
  EXPECT_EQ(b.image.progText(0), QStringLiteral("3333"));
  EXPECT_EQ(b.image.progText(1), QStringLiteral("3FFF"));
  EXPECT_EQ(b.image.progText(16), QStringLiteral("1111"));
  EXPECT_EQ(b.image.progText(17), QStringLiteral("2222"));
  EXPECT_EQ(b.image.ProgEnd(), 18);
  EXPECT_EQ(b.image.eeText(0), QStringLiteral("55"));
  EXPECT_EQ(b.image.eeText(2), QStringLiteral("44"));
  EXPECT_EQ(b.image.EEPromEnd(), 3);
}

TEST_F(HexReader, ConfigurationAreaRecordCoversIdsAndTheWordOnly) {
  b.image.SetPalConf(0);
  ASSERT_EQ(load(rec(":1040000001000B000C000D00EEEEEEEEEEEE7A3D")), HexLoad::Completed);
  EXPECT_EQ(b.image.identText(), QStringLiteral("1BCD"));
  EXPECT_EQ(b.image.GetPalConf(), 0x3D7A);
  // The configuration area moves no extent.
  EXPECT_EQ(b.image.ProgEnd(), 0);
  EXPECT_EQ(b.image.EEPromEnd(), 0);
}

TEST_F(HexReader, FollowsTheDevicesAreaAddresses) {
  HexBench c(makeDevice(64, 32, 0x1000, 0x1800));
  const QString path =
      c.files.write(QStringLiteral("a.hex"), rec(":0420000001000200") + rec(":02200E00F13F") +
                                                 rec(":0230000012AA") + rec(":02400000AAAA"));
  ASSERT_EQ(ReadHexFile(path, c.image, c.prompts), HexLoad::Completed);
  EXPECT_EQ(c.image.identText(), QStringLiteral("12FF"));
  EXPECT_EQ(c.image.GetPalConf(), 0x3FF1);
  EXPECT_EQ(c.image.eeText(0), QStringLiteral("12"));
  EXPECT_EQ(c.prompts.texts(), QStringList{kRange});  // 0x2000 is nothing on this device
}

TEST_F(HexReader, ReportsAndSkipsRecordsOutsideEveryArea) {
  ASSERT_EQ(load(rec(":020800000102") + rec(":02000000AAAA") + rec(":02401000BBBB") +
                 rec(":02428000CCCC")),
            HexLoad::Completed);
  // Asked once; the closing box counts every record the question covered.
  EXPECT_EQ(b.prompts.texts(Kind::Error), QStringList{kRange});
  EXPECT_EQ(b.prompts.texts(Kind::Info),
            QStringList{"Hex File: 3 registros fuera de rango no se han cargado."});
  EXPECT_EQ(b.image.progText(0), QStringLiteral("AAAA"));
  EXPECT_EQ(b.image.ProgEnd(), 1);
}

TEST_F(HexReader, ReportsOtherRecordTypesAndUsesSixteenBitAddresses) {
  ASSERT_EQ(load(":020000040001F9\n:020000021000EC\n" + rec(":020000003412") + ":00000001FF\n"),
            HexLoad::Completed);
  EXPECT_EQ(
      b.prompts.texts(),
      QStringList({kUnknown, "Hex File: 2 registros de tipo no reconocido no se han cargado."}));
  EXPECT_EQ(b.image.progText(0), QStringLiteral("1234"));
}

TEST_F(HexReader, EndRecordTypeStopsReadingWhateverTheRestOfTheLine) {
  ASSERT_EQ(load(rec(":020000003412") + "X00000001zz\n" + rec(":020002007856")),
            HexLoad::Completed);
  EXPECT_TRUE(b.prompts.boxes.isEmpty());
  EXPECT_EQ(b.image.progText(1), QStringLiteral("3FFF"));
  EXPECT_EQ(b.image.ProgEnd(), 1);
}

TEST_F(HexReader, ReadsAFileWithoutEndRecordToItsLastLine) {
  ASSERT_EQ(load(rec(":020000003412") + withSum(":020002007856")), HexLoad::Completed);
  EXPECT_EQ(b.image.progText(1), QStringLiteral("5678"));
  EXPECT_EQ(b.image.ProgEnd(), 2);
}

TEST_F(HexReader, EmptyFileBlanksTheImage) {
  for (int e = 0; e < 64; ++e) b.image.setEeText(e, QStringLiteral("AA"));
  b.image.setProgText(5, QStringLiteral("1234"));
  b.image.setProgEnd(9);
  b.image.setEEPromEnd(64);
  b.image.ShowIdent(0x1234);
  ASSERT_EQ(load(""), HexLoad::Completed);
  EXPECT_EQ(b.prog(), repeated(QStringLiteral("3FFF"), 1024));
  EXPECT_EQ(b.ee(), repeated(QStringLiteral("FF"), 64));
  EXPECT_EQ(b.image.identText(), QStringLiteral("FFFF"));
  EXPECT_EQ(b.image.ProgEnd(), 0);
  EXPECT_EQ(b.image.EEPromEnd(), 0);
  EXPECT_EQ(opened.size(), 1);
}

TEST_F(HexReader, CancelAtTheChecksumQuestionEndsTheLoadCompletely) {
  for (int e = 0; e < 64; ++e) b.image.setEeText(e, QStringLiteral("AA"));
  b.prompts.cancelAnswers = {true};
  ASSERT_EQ(load(":02420000CDEF01\n" + rec(":020000003412")), HexLoad::Completed);
  EXPECT_EQ(b.prompts.texts(), QStringList{kChecksum});
  EXPECT_EQ(b.prog(), repeated(QStringLiteral("3FFF"), 1024));
  EXPECT_EQ(b.ee(), repeated(QStringLiteral("FF"), 64));
}

TEST_F(HexReader, OkAtTheChecksumQuestionLoadsTheLineAnyway) {
  b.prompts.cancelAnswers = {false};
  ASSERT_EQ(load(":0200000034127B\n" + rec(":020002007856")), HexLoad::Completed);
  EXPECT_EQ(b.prompts.texts(), QStringList{kChecksum});
  EXPECT_EQ(b.image.progText(0), QStringLiteral("1234"));
  EXPECT_EQ(b.image.progText(1), QStringLiteral("5678"));
}

TEST_F(HexReader, LineWithoutStartCodeIsReportedAndSkipped) {
  b.prompts.cancelByDefault = true;  // the answer does not matter
  ASSERT_EQ(load("X" + rec(":020000003412").mid(1) + rec(":020002007856")), HexLoad::Completed);
  EXPECT_EQ(b.prompts.texts(), QStringList{kNoColon});
  EXPECT_EQ(b.image.progText(0), QStringLiteral("3FFF"));
  EXPECT_EQ(b.image.progText(1), QStringLiteral("5678"));
}

TEST_F(HexReader, StartCodeAloneAbandonsTheLoad) {
  ASSERT_EQ(load(rec(":020000003412") + ":\n" + rec(":020002007856")), HexLoad::Abandoned);
  ASSERT_EQ(b.prompts.boxes.size(), 1);
  EXPECT_EQ(b.prompts.boxes[0].kind, Kind::Failure);
  EXPECT_EQ(b.prompts.boxes[0].text, QStringLiteral("'$' is not a valid integer value."));
  EXPECT_EQ(b.image.progText(0), QStringLiteral("1234"));
  EXPECT_EQ(b.image.progText(1), QStringLiteral("3FFF"));
}

TEST_F(HexReader, AbandonedLoadKeepsWhatItLoadedAndSkipsTheFinalFill) {
  for (int e = 0; e < 64; ++e) b.image.setEeText(e, QStringLiteral("AA"));
  b.image.setProgEnd(100);
  b.image.setEEPromEnd(64);
  b.image.SetPalConf(0x1111);
  ASSERT_EQ(load(rec(":020000003412") + rec(":024204001200") + rec(":02400E00F13F") +
                 ":02000200785632 \n" + rec(":0400100011112222")),
            HexLoad::Abandoned);
  EXPECT_EQ(b.prompts.texts(Kind::Failure),
            QStringList{QStringLiteral("'$ ' is not a valid integer value.")});
  EXPECT_EQ(b.image.progText(0), QStringLiteral("1234"));
  EXPECT_EQ(b.image.progText(1), QStringLiteral("3FFF"));
  // EEPROM before the record was filled with FF; past it the cells are as they were.
  EXPECT_EQ(b.image.eeText(0), QStringLiteral("FF"));
  EXPECT_EQ(b.image.eeText(1), QStringLiteral("FF"));
  EXPECT_EQ(b.image.eeText(2), QStringLiteral("12"));
  EXPECT_EQ(b.image.eeText(3), QStringLiteral("AA"));
  EXPECT_EQ(b.image.eeText(63), QStringLiteral("AA"));
  EXPECT_EQ(b.image.ProgEnd(), 1);
  EXPECT_EQ(b.image.EEPromEnd(), 3);
  EXPECT_EQ(b.image.GetPalConf(), 0x3FF1);
}

TEST_F(HexReader, EEPromGapsAreFilledWithFF) {
  for (int e = 0; e < 64; ++e) b.image.setEeText(e, QStringLiteral("AA"));
  ASSERT_EQ(load(rec(":024208007700") + rec(":024202006600")), HexLoad::Completed);
  QStringList ee = repeated(QStringLiteral("FF"), 64);
  ee[1] = QStringLiteral("66");
  ee[4] = QStringLiteral("77");
  EXPECT_EQ(b.ee(), ee);
  EXPECT_EQ(b.image.EEPromEnd(), 5);
}

TEST_F(HexReader, SkipsEmptyLinesSilently) {
  ASSERT_EQ(load(rec(":020000003412") + "\n\r\n" + rec(":020002007856")), HexLoad::Completed);
  EXPECT_TRUE(b.prompts.boxes.isEmpty());
  EXPECT_EQ(b.image.ProgEnd(), 2);
}

TEST_F(HexReader, AcceptsCrLfAndDropsALoneCr) {
  QByteArray second = withSum(":020002007856");
  second.insert(5, '\r');
  QByteArray third = withSum(":02000400BC9A");
  third.insert(13, "\r\r").insert(9, '\r');
  ASSERT_EQ(load(withSum(":020000003412") + "\r\n" + second + "\r\n" + third), HexLoad::Completed);
  EXPECT_TRUE(b.prompts.boxes.isEmpty());
  EXPECT_EQ(b.image.progText(0), QStringLiteral("1234"));
  EXPECT_EQ(b.image.progText(1), QStringLiteral("5678"));
  EXPECT_EQ(b.image.progText(2), QStringLiteral("9ABC"));
}

// The file is read in large pieces: lines, and CR LF pairs, that straddle a piece's end are read
// as any other, and a last line without its LF counts.
TEST_F(HexReader, LinesAcrossTheReadersPiecesLoadAsAnyOther) {
  QByteArray lf;
  QByteArray crlf;
  for (int a = 0; a < 1024; ++a) {
    char record[16];
    std::snprintf(record, sizeof record, ":02%04X00%02X%02X", 2 * a, a & 0xFF, (a * 7) & 0x3F);
    const QByteArray line = withSum(record);
    // Blank lines of different lengths move the records across every offset of a piece.
    lf += line + '\n' + QByteArray(a % 383, '\n');
    crlf += line + "\r\n" + QByteArray(a % 389, '\r') + '\n';
  }
  lf.truncate(lf.lastIndexOf(':') + 15);  // the last record ends the file, with no LF
  ASSERT_GT(crlf.size(), 3 * 65536);
  ASSERT_EQ(load(lf), HexLoad::Completed);
  const QStringList fromLf = b.prog();
  ASSERT_EQ(load(crlf), HexLoad::Completed);
  EXPECT_TRUE(b.prompts.boxes.isEmpty());
  EXPECT_EQ(b.prog(), fromLf);
  EXPECT_EQ(b.image.ProgEnd(), 1024);
  for (int a : {0, 1, 300, 1023})
    EXPECT_EQ(b.image.progText(a), QString::asprintf("%02X%02X", (a * 7) & 0x3F, a & 0xFF));
}

TEST_F(HexReader, DeviceWithoutEEPromReportsEveryEEPromRecord) {
  HexBench c(makeDevice(1024, 0));
  const QString path = c.files.write(
      QStringLiteral("a.hex"), ":044200001200340074\n" + rec(":020000003412") + ":00000001FF\n");
  ASSERT_EQ(ReadHexFile(path, c.image, c.prompts), HexLoad::Completed);
  EXPECT_EQ(c.prompts.texts(), QStringList{kRange});
  EXPECT_EQ(c.image.EEPromEnd(), 0);
  EXPECT_EQ(c.image.progText(0), QStringLiteral("1234"));
}

TEST_F(HexReader, RecordRunningPastProgramMemoryKeepsWhatFits) {
  HexBench c(makeDevice(20, 16));
  const QString path = c.files.write(QStringLiteral("a.hex"), rec(":0A00220011112222333344445555") +
                                                                  rec(":08421C001100220033004400"));
  ASSERT_EQ(ReadHexFile(path, c.image, c.prompts), HexLoad::Completed);
  EXPECT_EQ(c.prompts.texts(),
            QStringList({kRange,
                         "Hex File: 2 registros que pasan del final de su área se han cargado solo "
                         "en parte."}));
  EXPECT_EQ(c.image.progCount(), 20);
  EXPECT_EQ(c.image.progText(17), QStringLiteral("1111"));
  EXPECT_EQ(c.image.progText(19), QStringLiteral("3333"));
  EXPECT_EQ(c.image.ProgEnd(), 20);
  EXPECT_EQ(c.image.eeCount(), 16);
  EXPECT_EQ(c.image.eeText(14), QStringLiteral("11"));
  EXPECT_EQ(c.image.eeText(15), QStringLiteral("22"));
  EXPECT_EQ(c.image.EEPromEnd(), 16);
}

// A line that ends before the bytes its length announces is never stored in part, not even when
// its last bytes pass as the checksum (a file cut short, or a record typed by hand): it has a
// question of its own, is skipped whatever the answer, and the reading goes on.
TEST_F(HexReader, RecordsShorterThanTheirLengthAreAskedAboutAndNeverStored) {
  b.image.SetPalConf(0x1111);
  b.prompts.cancelAnswers = {true, false};  // Cancel to this question, OK to the checksum's
  ASSERT_EQ(load(":1000000001020304E6\n"    // 16 bytes announced, 5 there; the line sums to 00
                 ":02400E00\n"              // the configuration word without its bytes
                 + rec(":0242000012")       // one EEPROM byte of two, checksum right for it
                 + rec(":04400000010002") + rec(":020002007856") + ":00000001FF\n"),
            HexLoad::Completed);
  EXPECT_EQ(b.prompts.texts(Kind::Error), QStringList({kShort, kChecksum}));
  EXPECT_EQ(b.prompts.texts(Kind::Info),
            QStringList{"Hex File: 4 registros más cortos que su longitud no se han cargado."});
  QStringList prog = repeated(QStringLiteral("3FFF"), 1024);
  prog[1] = QStringLiteral("5678");
  EXPECT_EQ(b.prog(), prog);
  EXPECT_EQ(b.image.ProgEnd(), 2);
  EXPECT_EQ(b.ee(), repeated(QStringLiteral("FF"), 64));
  EXPECT_EQ(b.image.EEPromEnd(), 0);
  EXPECT_EQ(b.image.identText(), QStringLiteral("FFFF"));
  EXPECT_EQ(b.image.GetPalConf(), 0x1111);
}

// A PIC16F877 image (7896 program words in 8-word records, as gpasm writes them, after its
// extended-address record) opened with a PIC16F84A selected: 859 records lie past its 1024 words.
TEST(HexReaderQuestions, BigChipImageAsksOnceAndCountsTheRecordsSkipped) {
  HexBench b(shippedDevice(QStringLiteral("PIC16F84A")));
  QByteArray file = ":020000040000FA\n";
  QStringList words;
  for (int a = 0; a < 7896; a += 8) {
    QByteArray record =
        QByteArray(":10") + QByteArray::number(2 * a, 16).toUpper().rightJustified(4, '0') + "00";
    for (int k = 0; k < 8; ++k) {
      const int word = (a + k) * 7 % 0x3FFF;
      if (a + k < 1024) words << QString::asprintf("%04X", word);
      record += QString::asprintf("%02X%02X", word & 0xFF, word >> 8).toLatin1();
    }
    file += withSum(record) + '\n';
  }
  file += withSum(":084000000100020003000400") + '\n' + withSum(":02400E00F13F") + '\n';
  file += withSum(":1042000011002200330044005500660077008800") + '\n' + ":00000001FF\n";
  const QString path = b.files.write(QStringLiteral("877.hex"), file);
  b.prompts.cancelByDefault = true;  // Cancel changes nothing for these questions

  ASSERT_EQ(ReadHexFile(path, b.image, b.prompts), HexLoad::Completed);
  EXPECT_EQ(b.prompts.texts(Kind::Error), QStringList({kUnknown, kRange}));
  EXPECT_EQ(b.prompts.texts(Kind::Info),
            QStringList{"Hex File: 859 registros fuera de rango no se han cargado."});
  EXPECT_EQ(b.prompts.boxes.size(), 3);
  // The image is what one box per record left: the first 1024 words and every other area.
  EXPECT_EQ(b.prog(), words);
  EXPECT_EQ(b.image.ProgEnd(), 1024);
  EXPECT_EQ(b.image.identText(), "1234");
  EXPECT_EQ(b.image.GetPalConf(), 0x3FF1);
  EXPECT_EQ(b.ee().mid(0, 9), QStringList({"11", "22", "33", "44", "55", "66", "77", "88", "FF"}));
  EXPECT_EQ(b.image.EEPromEnd(), 8);
}

TEST(HexReaderQuestions, EachTextOnceInFirstOrderWithOneClosingBoxPerRepeatedText) {
  HexBench b(makeDevice(16, 4));
  b.prompts.cancelByDefault = false;  // OK: bad checksums load
  const QByteArrayList lines = {
      "0200000001020",                   // no start code (and a bad checksum: counted once)
      ":020000001100EE",                 // bad checksum, loaded
      withSum(":020000020400"),          // unknown type
      withSum(":06001C00222233334444"),  // runs past word 15: loaded in part
      withSum(":02002000AAAA"),          // out of range
      "020004000500",                    // no start code (and a bad checksum: counted once)
      withSum(":02000200BBBB") + "01",   // bad checksum, loaded
      withSum(":02420800CCCC"),          // past the 4-byte EEPROM: out of range
      ":00000001FF"};
  const QByteArray file = lines.join('\n') + '\n';
  const QString path = b.files.write(QStringLiteral("mixed.hex"), file);
  ASSERT_EQ(ReadHexFile(path, b.image, b.prompts), HexLoad::Completed);
  EXPECT_EQ(b.prompts.texts(Kind::Error), QStringList({kChecksum, kNoColon, kUnknown, kRange}));
  EXPECT_EQ(b.prompts.texts(Kind::Info),
            QStringList({"Hex File: 2 registros con checksum erróneo se han cargado igualmente.",
                         "Hex File: 2 registros sin \":\" al inicio no se han cargado.",
                         "Hex File: 2 registros fuera de rango no se han cargado. 1 registro que "
                         "pasa del final de su área se ha cargado solo en parte."}));
  EXPECT_EQ(b.image.progText(0), "0011");
  EXPECT_EQ(b.image.progText(1), "BBBB");
  EXPECT_EQ(b.image.progText(14), "2222");
  EXPECT_EQ(b.image.progText(15), "3333");
  EXPECT_EQ(b.image.ProgEnd(), 16);

  // Cancel at the checksum question still stops the reading: no closing box for it.
  HexBench c(makeDevice(16, 4));
  c.prompts.cancelAnswers = {false, true};  // OK to the range question, Cancel to the checksum
  const QString stop = c.files.write(
      QStringLiteral("stop.hex"), withSum(":02002000AAAA") + "\n" + withSum(":02002000AAAA") +
                                      "\n" + ":020000001100EE\n" + withSum(":02000200BBBB") + "\n");
  ASSERT_EQ(ReadHexFile(stop, c.image, c.prompts), HexLoad::Completed);
  EXPECT_EQ(
      c.prompts.texts(),
      QStringList({kRange, kChecksum, "Hex File: 2 registros fuera de rango no se han cargado."}));
  EXPECT_EQ(c.image.progText(0), "3FFF");
  EXPECT_EQ(c.image.progText(1), "3FFF");
}

TEST_F(HexReader, UnreadablePathsChangeNothing) {
  b.image.setProgText(0, QStringLiteral("1234"));
  b.image.setProgEnd(7);
  b.image.ShowIdent(0xABCD);
  const QString fifo = b.files.path(QStringLiteral("fifo"));
  ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
  const QString folder = b.files.path(QStringLiteral("folder"));
  ASSERT_TRUE(QDir().mkdir(folder));
  const QString locked = b.files.write(QStringLiteral("locked.hex"), rec(":020000003412"));
  QFile::setPermissions(locked, QFileDevice::WriteOwner);
  QStringList paths = {QString(), b.files.path(QStringLiteral("missing.hex")), fifo, folder,
                       QStringLiteral("/dev/zero")};
  if (!QFile(locked).open(QIODevice::ReadOnly)) paths << locked;  // root reads anything
  for (const QString& path : paths) {
    SCOPED_TRACE(path.toStdString());
    b.prompts.clear();
    EXPECT_EQ(ReadHexFile(path, b.image, b.prompts, [&](const QString& p) { opened << p; }),
              HexLoad::NotOpened);
    EXPECT_EQ(b.prompts.texts(Kind::Error), QStringList{kCannotRead});
  }
  EXPECT_TRUE(opened.isEmpty());
  EXPECT_EQ(b.image.progText(0), QStringLiteral("1234"));
  EXPECT_EQ(b.image.ProgEnd(), 7);
  EXPECT_EQ(b.image.identText(), QStringLiteral("ABCD"));
}

TEST(HexTextsTest, CaptionIsTheFileNamePart) {
  EXPECT_EQ(texts::hexWindowCaption(QStringLiteral("/home/u/pic/blink.hex")),
            QStringLiteral("Tavrix - blink.hex"));
  EXPECT_EQ(texts::hexWindowCaption(QStringLiteral("blink.HEX")),
            QStringLiteral("Tavrix - blink.HEX"));
}

}  // namespace
}  // namespace tavrix::test
