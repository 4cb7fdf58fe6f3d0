// The contents file held for a run: its lock outlasts the save that replaces the file, and a
// file of any size is read with little memory.
#include <QFile>

#include <gtest/gtest.h>

#include "sim/ChipHexFile.h"
#include "sim/ChipStateFile.h"
#include "sim/SimRig.h"
#include "support/MemoryLimit.h"
#include "support/TempFiles.h"

namespace tavrix::test {
namespace {

TEST(ChipStateFile, LockOutlastsTheSaveAndGoesWithTheHolder) {
  TempFiles tmp;
  const QString path = tmp.path(QStringLiteral("chip.hex"));
  VirtualClock clock;
  VirtualChip chip(pic16F84A(), clock);
  QString error;
  auto holder = std::make_unique<ChipStateFile>();
  ASSERT_TRUE(holder->open(path, chip, &error)) << error.toStdString();
  ASSERT_TRUE(QFile::exists(path));  // made at once, holding the erased chip

  chip.setProgramWord(3, 0x1234);
  ASSERT_TRUE(holder->save(chip, &error)) << error.toStdString();
  // The saved file took the name; it is held as well as the one it replaced.
  VirtualChip other(pic16F84A(), clock);
  ChipStateFile second;
  EXPECT_FALSE(second.open(path, other, &error));
  EXPECT_EQ(error, QStringLiteral("el fichero de estado está en uso por otro programa."));

  holder.reset();
  ChipStateFile third;
  ASSERT_TRUE(third.open(path, other, &error)) << error.toStdString();
  ASSERT_TRUE(third.load(other, &error)) << error.toStdString();
  EXPECT_EQ(other.programWord(3), 0x1234);
}

TEST(ChipStateFile, RunThatStopsBeforeTheChipLeavesNoFileItMade) {
  TempFiles tmp;
  const QString path = tmp.path(QStringLiteral("chip.hex"));
  VirtualClock clock;
  VirtualChip chip(pic16F84A(), clock);
  QString error;
  ChipStateFile file;
  ASSERT_TRUE(file.open(path, chip, &error)) << error.toStdString();
  file.discardCreated();
  EXPECT_FALSE(QFile::exists(path));
}

// 48 MB of valid records, read with 16 MB of memory to spare: the file is read a line at a
// time (it was once read whole, and split into lines besides).
TEST(ChipStateFile, HugeFileIsReadWithLittleMemory) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "AddressSanitizer keeps freed memory in quarantine: no limit measures the reader";
#endif
  TempFiles tmp;
  const QString path = tmp.path(QStringLiteral("huge.hex"));
  {
    QFile out(path);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    QByteArray pass;
    for (int a = 0; a < 1024; a += 16)
      pass += ChipHexFile::record(0, std::uint16_t(2 * a), QByteArray(32, char(a & 0x3F)));
    while (out.size() < 48 * 1024 * 1024) out.write(pass);
    out.write(ChipHexFile::endRecord());
  }
  EXPECT_EQ(runWithDataHeadroom(16,
                                [&path] {
                                  VirtualClock clock;
                                  VirtualChip chip(pic16F84A(), clock);
                                  QString error;
                                  return chip.loadHex(path, &error) &&
                                         chip.programWord(16) == 0x1010;
                                }),
            "");
}

}  // namespace
}  // namespace tavrix::test
