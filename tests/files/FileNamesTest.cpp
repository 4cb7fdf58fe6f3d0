// Names as bytes: every byte string survives the trip through a QString, valid UTF-8 reads as
// the text it is, and a name Qt decoded (U+FFFD for each bad byte) finds its real file.
#include <QFile>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <random>

#include "files/FileNames.h"
#include "files/VisibleText.h"
#include "support/TempFiles.h"

namespace {

using namespace tavrix;

TEST(FileNames, EveryByteStringRoundTripsAndTextStaysText) {
  std::mt19937 random(3);
  // Bytes around the edges of UTF-8: continuation bytes, overlong leads, surrogates, 4-byte
  // sequences, and plain ASCII.
  const QList<QByteArray> pieces = {"a",
                                    "/",
                                    "\x80",
                                    "\xC0\xAF",
                                    "\xC3\xA9",
                                    "\xED\xA0\x80",
                                    "\xF0\x9F\x98\x80",
                                    "\xF4\x90\x80\x80",
                                    "\xFF",
                                    "\xE2\x82",
                                    "\xEF\xBB\xBF"};
  for (int round = 0; round < 2000; ++round) {
    QByteArray bytes;
    for (int i = int(random() % 8); i > 0; --i) bytes += pieces[int(random() % pieces.size())];
    const QString name = nameFromBytes(bytes);
    ASSERT_EQ(nameToBytes(name), bytes) << bytes.toHex().toStdString();
    // Where Qt reads the bytes without loss, so does the name.
    if (QString::fromUtf8(bytes).toUtf8() == bytes && !bytes.startsWith("\xEF\xBB\xBF")) {
      ASSERT_EQ(name, QString::fromUtf8(bytes)) << bytes.toHex().toStdString();
    }
  }
  EXPECT_EQ(visibleName(nameFromBytes("out\xfe\xC3\xA9.hex")), QStringLiteral("out\\xFEé.hex"));
  // Control characters, C1 ones (which some terminals obey) too, cannot reach a terminal.
  EXPECT_EQ(visibleName(nameFromBytes("a\x1b[2J\n\x7f\xC2\x9B"
                                      "1m\x9b.hex")),
            QStringLiteral("a\u241b[2J\u240a\u2421\\x9B1m\\x9B.hex"));
  EXPECT_EQ(visibleText(u"uno\ndos\t", LineFeeds::kKeep), QStringLiteral("uno\ndos\u2409"));
}

TEST(FileNames, DecodedNamesFindTheOneEntryTheyStandFor) {
  tavrix::test::TempFiles tmp;
  const QByteArray dir = QFile::encodeName(tmp.path(QString()));
  for (const QByteArray name :
       {"\xff.hex", "sub\xfe", "sub\xfe/a\xfd.hex", "x\xfb.hex", "x\xfc.hex"}) {
    const QByteArray path = dir + '/' + name;
    if (name.startsWith("sub") && !name.contains('/'))
      ASSERT_EQ(::mkdir(path.constData(), 0755), 0);
    else
      ::close(::open(path.constData(), O_WRONLY | O_CREAT, 0644));
  }
  const QString base = QFile::decodeName(dir) + QLatin1Char('/');
  EXPECT_EQ(nameToBytes(resolveDecodedName(base + "\uFFFD.hex")), dir + "/\xff.hex");
  EXPECT_EQ(nameToBytes(resolveDecodedName(base + "sub\uFFFD/a\uFFFD.hex")),
            dir + "/sub\xfe/a\xfd.hex");
  // Two entries read alike: neither is taken.
  EXPECT_EQ(resolveDecodedName(base + "x\uFFFD.hex"), base + "x\uFFFD.hex");
  // Names that exist as given, or hold no U+FFFD, are left alone.
  EXPECT_EQ(resolveDecodedName(base + "plain.hex"), base + "plain.hex");
}

}  // namespace
