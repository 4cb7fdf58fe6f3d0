// Device files no one should give the program: devices, FIFOs and folders in place of the file,
// NUL bytes and absurd values in it. The reader never waits, never reads endlessly, and keeps
// its memory to the size of the file.
#include <QDir>
#include <QFile>

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "device/DeviceDef.h"
#include "device/DeviceFile.h"
#include "device/IniFile.h"
#include "support/MemoryLimit.h"
#include "support/TempFiles.h"

namespace tavrix::test {
namespace {

TEST(HostileDeviceFile, NodesThatAreNotFilesHaveNoDevices) {
  TempFiles tmp;
  const QString fifo = tmp.path(QStringLiteral("fifo.ini"));
  ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
  const QString folder = tmp.path(QStringLiteral("folder.ini"));
  ASSERT_TRUE(QDir().mkdir(folder));
  for (const QString& path :
       {QStringLiteral("/dev/zero"), QStringLiteral("/dev/null"), fifo, folder, QString()}) {
    SCOPED_TRACE(path.toStdString());
    const DeviceList list = ReadDeviceList(path);
    EXPECT_TRUE(list.devices.isEmpty());
    EXPECT_TRUE(list.lastFile.isEmpty());
    EXPECT_EQ(ReadDeviceSection(path, QStringLiteral("PIC16F84A")).ProgMem, 1024);  // defaults
  }
}

// NUL bytes and junk do not hide the sections around them.
TEST(HostileDeviceFile, NulBytesAndJunkLinesAreSkipped) {
  TempFiles tmp;
  QByteArray text("[PIC16F84A]\nProgMem=$400\n");
  text += QByteArray(64, '\0') + '\n' + QByteArray(1 << 20, 'x') + "\n[PIC16F877]\nProgMem=8192\n";
  const QString path = tmp.write(QStringLiteral("t.ini"), text);
  EXPECT_EQ(ReadDeviceList(path).devices, QStringList({"PIC16F84A", "PIC16F877"}));
  EXPECT_EQ(ReadDeviceSection(path, QStringLiteral("PIC16F877")).ProgMem, 8192);
}

// Absurd values read as they are written; selection refuses them with a message naming the key.
TEST(HostileDeviceFile, AbsurdValuesAreNamedByDeviceProblem) {
  TempFiles tmp;
  const QString path = tmp.write(QStringLiteral("t.ini"),
                                 "[PICWIDE]\nProgBits=64\n[PICHUGE]\nProgMem=2147483647\n"
                                 "[PICNEG]\nProgMem=-1\n[PICEE]\nEEProm=0x7FFFFFFF\n");
  const QStringList expected = {
      "El dispositivo PICWIDE no se puede usar: ProgBits=64 está fuera del rango 0 a 16.",
      "El dispositivo PICHUGE no se puede usar: ProgMem=2147483647 está fuera del rango 0 a 32768.",
      "El dispositivo PICNEG no se puede usar: ProgMem=-1 está fuera del rango 0 a 32768.",
      "El dispositivo PICEE no se puede usar: EEProm=2147483647 es mayor que 32768."};
  QStringList problems;
  for (const QString& name : ReadDeviceList(path).devices)
    problems << deviceProblem(ReadDeviceSection(path, name));
  EXPECT_EQ(problems, expected);
}

// Reading a small device file reserves memory for that file, not for the largest file the
// reader accepts (it once reserved 64 MB on every read, that is on every device selection).
TEST(HostileDeviceFile, ReadingASmallFileNeedsLittleMemory) {
  // 16 MB more data than the child holds, to read the shipped file.
  EXPECT_EQ(runWithDataHeadroom(16,
                                [] {
                                  const IniFile ini =
                                      IniFile::load(QStringLiteral(TAVRIX_SHIPPED_INI));
                                  return ini.sectionNames().size() > 1;
                                }),
            "");
}

// Hundreds of thousands of names, each a section with nothing in it (the most names a file of
// its size can hold), are listed with at most four times the file's size of memory: the table
// that tells the repeated names, and the one it grows from, once took three times the file on
// their own.
TEST(HostileDeviceFile, ManyBareNamesAreListedInLessThanFourTimesTheFilesSize) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "AddressSanitizer keeps freed memory in quarantine: no limit measures the reader";
#endif
  constexpr int kNames = 700'000;
  QByteArray text;
  for (int i = 0; i < kNames; ++i) text += "[PIC" + QByteArray::number(i) + "]\n";
  TempFiles tmp;
  const QString path = tmp.write(QStringLiteral("names.ini"), text);
  const long fourTimesMb = 4 * text.size() / (1024 * 1024);
  text.clear();
  EXPECT_EQ(runWithDataHeadroom(fourTimesMb,
                                [&path] {
                                  const DeviceList list = ReadDeviceList(path);
                                  return list.devices.size() == kNames &&
                                         list.devices.at(kNames - 1) == "PIC699999" &&
                                         list.repeated.isEmpty();
                                }),
            "");
}

}  // namespace
}  // namespace tavrix::test
