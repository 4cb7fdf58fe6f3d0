#include <gtest/gtest.h>

#include <random>

#include "device/DeviceFile.h"
#include "device/IniFile.h"
#include "support/TempFiles.h"

using tavrix::IniFile;

namespace {

TEST(IniFileIntegers, AcceptsDecimalDollarAndZeroXForms) {
  EXPECT_EQ(IniFile::parseInteger("1024"), 1024);
  EXPECT_EQ(IniFile::parseInteger("$400"), 1024);
  EXPECT_EQ(IniFile::parseInteger("$ff"), 255);
  EXPECT_EQ(IniFile::parseInteger("0x400"), 1024);
  EXPECT_EQ(IniFile::parseInteger("0X400"), 1024);
  EXPECT_EQ(IniFile::parseInteger("-5"), -5);
  EXPECT_EQ(IniFile::parseInteger("-2147483648"), INT32_MIN);
  EXPECT_EQ(IniFile::parseInteger("2147483647"), INT32_MAX);
  EXPECT_EQ(IniFile::parseInteger("$FFFFFFFF"), -1);
}

TEST(IniFileIntegers, RejectsEverythingElse) {
  for (const char* text : {"", "2K", "$", "0x", "-", "- 5", "1 024", "+5", "-$10", "12.5",
                           "2147483648", "-2147483649", "$100000000", "0x1G", "١٢"})
    EXPECT_EQ(IniFile::parseInteger(QString::fromUtf8(text)), std::nullopt) << text;
}

TEST(IniFileSyntax, TrimsCommentsSectionsAndKeys) {
  const IniFile ini = IniFile::parse(
      "ProgMem=1\n"  // before any section: ignored
      "  [ PIC16F84 ]  \r\n"
      "; ProgMem=4096\n"
      "\t ProgMem   =   2048 \t\r\n"
      "progmem=99\n"
      "NoEquals\n"
      "PalConf=A=B = C\n"
      "Empty=\n"
      "=orphan\n"
      "[config]\n"
      "lastfile=lower\n");
  EXPECT_EQ(ini.sectionNames(), QStringList({"PIC16F84", "config"}));
  EXPECT_EQ(ini.readInteger("PIC16F84", "ProgMem", 1024), 2048);
  EXPECT_EQ(ini.value("PIC16F84", "progmem"), QString("99"));
  EXPECT_EQ(ini.value("PIC16F84", "NoEquals"), std::nullopt);
  EXPECT_EQ(ini.readString("PIC16F84", "PalConf", "x"), "A=B = C");
  EXPECT_EQ(ini.readString("PIC16F84", "Empty", "default"), "");
  EXPECT_EQ(ini.readString("PIC16F84", "Absent", "default"), "default");
  EXPECT_EQ(ini.value("PIC16F84", ""), QString("orphan"));
  // Section names are exact: [config] is not Config.
  EXPECT_EQ(ini.value("Config", "lastfile"), std::nullopt);
}

TEST(IniFileSyntax, FirstSectionOfADuplicatedNameAnswersReads) {
  const IniFile ini = IniFile::parse("[PICA]\nProgMem=1\n[PICB]\n[PICA]\nProgMem=2\nRAM=7\n");
  EXPECT_EQ(ini.sectionNames(), QStringList({"PICA", "PICB", "PICA"}));
  EXPECT_EQ(ini.readInteger("PICA", "ProgMem", 0), 1);
  EXPECT_EQ(ini.readInteger("PICA", "RAM", 68), 68);
}

TEST(IniFileSyntax, UnreadableNumbersAndEmptyValuesGiveTheDefault) {
  const IniFile ini = IniFile::parse("[S]\nA=\nB=2K\nC=  $10 \n");
  EXPECT_EQ(ini.readInteger("S", "A", 64), 64);
  EXPECT_EQ(ini.readInteger("S", "B", 64), 64);
  EXPECT_EQ(ini.readInteger("S", "C", 64), 16);
  EXPECT_EQ(ini.readInteger("T", "C", 5), 5);
}

// The rules as plainly as they can be put: each line read as text, trimmed, then split. The
// reader walks the file's bytes instead; both must agree on every file.
struct PlainIni {
  struct Section {
    QString name;
    QList<QPair<QString, QString>> entries;
  };
  QList<Section> sections;

  explicit PlainIni(const QByteArray& text) {
    for (const QByteArray& raw : text.split('\n')) {
      const auto trimmed = [](QString s) {
        while (!s.isEmpty() && s.front().unicode() <= 0x20) s.remove(0, 1);
        while (!s.isEmpty() && s.back().unicode() <= 0x20) s.chop(1);
        return s;
      };
      const QString t = trimmed(QString::fromUtf8(raw));
      if (t.isEmpty() || t.startsWith(';')) continue;
      if (t.size() >= 2 && t.startsWith('[') && t.endsWith(']')) {
        sections.append({trimmed(t.mid(1, t.size() - 2)), {}});
      } else if (!sections.isEmpty() && t.contains('=')) {
        const qsizetype eq = t.indexOf('=');
        sections.last().entries.append({trimmed(t.left(eq)), trimmed(t.mid(eq + 1))});
      }
    }
  }
  std::optional<QString> value(const QString& section, const QString& key) const {
    for (const Section& s : sections) {
      if (s.name != section) continue;
      for (const auto& e : s.entries)
        if (e.first == key) return e.second;
      return std::nullopt;
    }
    return std::nullopt;
  }
};

TEST(IniFileSyntax, AgreesWithThePlainRulesOnRandomFiles) {
  // Lines made of a lead (blanks, byte-order marks), a header, an entry, a comment or junk,
  // and a tail; names and values with bytes that are not UTF-8, NUL and byte-order marks.
  const QList<QByteArray> leads = {
      "", "", " ", "\t", "\xEF\xBB\xBF", "\xEF\xBB\xBF ", " \xEF\xBB\xBF", QByteArray(1, '\0')};
  const QList<QByteArray> words = {"PIC",
                                   "PICA",
                                   "A",
                                   "B",
                                   "Config",
                                   "lastfile",
                                   "",
                                   " A ",
                                   "PIC\xC3\xA9",
                                   "PIC\xFF",
                                   "\xEF\xBB\xBF"
                                   "A",
                                   "\xC3",
                                   "A=B",
                                   "[A",
                                   "A]",
                                   ";A"};
  const QList<QByteArray> tails = {"", "", " ", "\r", " \t\r", "\xC3"};
  const QStringList names = {"PIC", "PICA", "A", "B", "Config", "", "PIC\u00E9", "PIC\uFFFD"};
  const QStringList keys = {"A", "B", "ProgMem", "lastfile", "", "\uFEFFA", "\u00E9", "[A"};
  std::mt19937 random(12);
  const auto pick = [&random](const QList<QByteArray>& from) {
    return from[int(random() % from.size())];
  };
  tavrix::test::TempFiles tmp;
  for (int round = 0; round < 2000; ++round) {
    QByteArray text;
    for (int i = int(random() % 12); i > 0; --i) {
      QByteArray line = pick(leads);
      switch (random() % 5) {
        case 0:
          line += '[' + pick(leads) + pick(words) + pick(tails) + ']';
          break;
        case 1:
        case 2:
          line += pick(words) + pick(tails) + '=' + pick(leads) + pick(words);
          break;
        case 3:
          line += ';' + pick(words) + '=' + pick(words);
          break;
        default:
          line += pick(words);
      }
      text += line + pick(tails) + (random() % 8 ? "\n" : "");
    }
    SCOPED_TRACE(text.toPercentEncoding().toStdString());
    const PlainIni plain(text);
    const IniFile ini = IniFile::parse(text);
    QStringList plainNames;
    for (const auto& s : plain.sections) plainNames << s.name;
    ASSERT_EQ(ini.sectionNames(), plainNames);
    for (const QString& section : names + plainNames)
      for (const QString& key : keys)
        ASSERT_EQ(ini.value(section, key), plain.value(section, key))
            << section.toStdString() << " / " << key.toStdString();
    // The device list reads the same file the same way (one file in ten is enough).
    if (round % 10 != 0) continue;
    const tavrix::DeviceList list = tavrix::ReadDeviceList(tmp.write("r.ini", text));
    QStringList devices;
    for (const QString& name : plainNames)
      if (name.startsWith(QLatin1String("PIC"))) devices << name;
    ASSERT_EQ(list.devices.toList(), devices);
    QStringList repeated;
    for (qsizetype i = 0; i < devices.size(); ++i)
      if (devices.indexOf(devices[i]) < i && !repeated.contains(devices[i])) repeated << devices[i];
    ASSERT_EQ(list.repeated, repeated);
  }
}

TEST(IniFileHostile, HugeLinesBinaryAndOddFilesReadSafely) {
  tavrix::test::TempFiles tmp;
  QByteArray huge = "[PICX]\nPalConf=" + QByteArray(1024 * 1024, 'A') + "\nRAM=3\n";
  const IniFile big = IniFile::load(tmp.write("big.ini", huge));
  EXPECT_EQ(big.readString("PICX", "PalConf", "").size(), 1024 * 1024);
  EXPECT_EQ(big.readInteger("PICX", "RAM", 0), 3);

  QByteArray binary;
  for (int i = 0; i < 4096; ++i) binary.append(char((i * 37) & 0xFF));
  binary += "\n[PICY]\nRAM=9\n";
  const IniFile bin = IniFile::load(tmp.write("bin.ini", binary));
  EXPECT_EQ(bin.readInteger("PICY", "RAM", 0), 9);

  EXPECT_TRUE(IniFile::load(tmp.path("missing.ini")).sectionNames().isEmpty());
  EXPECT_TRUE(IniFile::load(tmp.path("")).sectionNames().isEmpty());  // a folder
  EXPECT_TRUE(IniFile::load("/dev/zero").sectionNames().isEmpty());
  EXPECT_TRUE(IniFile::load(QString()).sectionNames().isEmpty());
}

}  // namespace
