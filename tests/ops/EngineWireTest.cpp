// The engine's command sequences, decoded from the bytes it puts on the data lines.
#include <gtest/gtest.h>

#include "OpsRig.h"
#include "link/Recording.h"
#include "ops/Commands.h"
#include "support/TraceLines.h"

namespace tavrix::test {
namespace {

QStringList repeated(const QStringList& piece, int n) {
  QStringList out;
  for (int i = 0; i < n; ++i) out += piece;
  return out;
}

// Answers program reads from a list, in order; EEPROM reads with 0xFF.
void answerInOrder(Rig& rig, QList<quint32> words) {
  rig.wire.answer = [words](int code) mutable -> quint32 {
    if (code != 4) return 0xFF;
    return words.isEmpty() ? 0x3FFF : words.takeFirst();
  };
}

TEST(EngineWire, VerifyOfThreeWordsWithOnlyProgramMemory) {
  Rig rig(makeDevice("PIC16F84", "Flash", 1024, 64));
  rig.loadProgram({0x0001, 0x2802, 0x3FFF});
  answerInOrder(rig, {0x0001, 0x2802, 0x3FFF});

  EXPECT_TRUE(rig.engine.RunOperation(OpVerify));

  QStringList expected{"ProgModeOn"};
  expected += repeated({"ReadProgData", "IncAddress"}, 3);
  expected += closingTail();
  EXPECT_EQ(rig.commands(), expected);
  EXPECT_FALSE(rig.commands().join(' ').contains("LoadConfig"));
  EXPECT_EQ(rig.prompts.texts(), QStringList{"Operación Completada."});
  EXPECT_EQ(rig.host.log,
            (QStringList{"show", "enabled 0", "progress Verificando|Programa|0000",
                         "progress Verificando|Programa|0001", "progress Verificando|Programa|0002",
                         "hide", "status", "beep", "enabled 1"}));
  // The completion message comes after the beep and before the main window is enabled again.
  const int info = int(rig.journal.indexOf("info: Operación Completada."));
  EXPECT_EQ(rig.journal.at(info - 1), "host: beep");
  EXPECT_EQ(rig.journal.at(info + 1), "host: enabled 1");
}

TEST(EngineWire, WriteOfOneWordOnFlash) {
  for (const auto& [name, wait] : {std::pair{"PIC16F84", 10}, std::pair{"PIC16F628", 2},
                                   std::pair{"X16F62", 2}, std::pair{"PIC16f628", 10}}) {
    Rig rig(makeDevice(name, "Flash", 1024, 64));
    rig.loadProgram({0x2805});
    answerInOrder(rig, {0x2805});

    EXPECT_TRUE(rig.engine.RunOperation(OpWrite));

    QStringList expected{"ProgModeOn",   "LoadProgData 2805",
                         "BeginProg",    QStringLiteral("Sleep %1").arg(wait),
                         "ReadProgData", "IncAddress"};
    expected += closingTail();
    EXPECT_EQ(rig.commands(), expected) << name;
    EXPECT_EQ(rig.prompts.texts(), QStringList{"Operación Completada."});
    EXPECT_EQ(rig.host.progress(), QStringList{"Escribiendo|Programa|0000"});
  }
}

// The bytes of the one-word write, built from the protocol's frame rules independently of the
// link: every command starts at 08, clocks high with the bit and low with it held.
std::vector<std::string> commandBytes(int code) {
  std::string hex = "08";
  for (int i = 0; i < 6; ++i) {
    const int b = (code >> i) & 1;
    hex += b ? " 0B 09" : " 0A 08";
  }
  return writesTrace(hex);
}

std::vector<std::string> dataOutBytes(int code, quint32 data) {
  std::string hex = "0A 08";
  for (int i = 0; i < 14; ++i) hex += (data >> i) & 1 ? " 0B 09" : " 0A 08";
  hex += " 0A 08";
  return concat({commandBytes(code), writesTrace(hex)});
}

std::vector<std::string> readBytes(quint32 answer) {
  std::vector<std::string> lines = concat({commandBytes(4), writesTrace("0C 0E 0C")});
  for (int i = 0; i < 14; ++i) {
    lines.push_back("W 0E");
    lines.push_back("W 0C");
    lines.push_back((answer >> i) & 1 ? "R 40" : "R 00");
  }
  lines.push_back("W 0E");
  lines.push_back("W 0C");
  return lines;
}

TEST(EngineWire, WriteOfOneWordByteForByte) {
  Rig rig(makeDevice("PIC16F84", "Flash", 1024, 64));
  rig.loadProgram({0x2805});
  answerInOrder(rig, {0x2805});
  TraceSink sink;
  RecordingPort port(rig.wire, sink);
  RecordingClock clock(rig.wire, sink);
  rig.link.setPort(port);
  rig.link.setClock(clock);

  ASSERT_TRUE(rig.engine.RunOperation(OpWrite));

  const std::vector<std::string> on = {"W 34", "S 10", "W 08", "S 10"};
  const std::vector<std::string> off = {"W 24"};
  const std::vector<std::string> expected = concat({on,
                                                    dataOutBytes(2, 0x2805),
                                                    commandBytes(8),
                                                    {"S 10"},
                                                    readBytes(0x2805),
                                                    commandBytes(6),
                                                    off,
                                                    on,
                                                    repeat(commandBytes(6), 7),
                                                    off,
                                                    off});
  EXPECT_EQ(sink.lines(), expected);
}

TEST(EngineWire, EmptyProgramExtentStillWalksTheOtherAreas) {
  Rig rig(makeDevice("PIC16F84", "Flash", 1024, 64));
  rig.host.scope(true, true, true, true);
  rig.image.setIdentText("1234");
  rig.loadEeprom({0x12});
  rig.wire.answer = [&](int code) -> quint32 {
    if (code == 5) return 0x12;
    const int ids = int(rig.commands().filter("ReadProgData").size());
    if (ids < 4) return 0x3F80 + ((0x1234 >> (4 * ids)) & 0xF);
    return rig.image.GetPalConf();
  };

  EXPECT_TRUE(rig.engine.RunOperation(OpVerify));

  QStringList expected{"ProgModeOn", "ProgModeOff", "ProgModeOn", "LoadConfig 0000"};
  expected += repeated({"ReadProgData", "IncAddress"}, 4);
  expected += repeated({"IncAddress"}, 3);
  expected +=
      {"ReadProgData", "ProgModeOff", "ProgModeOn", "ReadEEData", "IncAddress", "ProgModeOff"};
  EXPECT_EQ(rig.commands(), expected);
  EXPECT_EQ(rig.prompts.texts(), QStringList{"Operación Completada."});
  EXPECT_EQ(rig.host.progress(),
            (QStringList{"Verificando|Identificador|0000", "Verificando|Identificador|0001",
                         "Verificando|Identificador|0002", "Verificando|Identificador|0003",
                         "Verificando|Pal_Conf|FFFFFFFF", "Verificando|EEPROM|0000"}));
}

TEST(EngineWire, CancelInTheFirstBoxStopsAtOnceAndLeavesProgrammingMode) {
  Rig rig(makeDevice("PIC16F84", "Flash", 1024, 64));
  rig.host.scope(true, true, true, true);
  rig.loadProgram({0x0001, 0x0002, 0x0003});
  answerInOrder(rig, {0x0000});
  rig.prompts.cancelAnswers = {true};

  EXPECT_FALSE(rig.engine.RunOperation(OpVerify));

  EXPECT_EQ(rig.commands(), (QStringList{"ProgModeOn", "ReadProgData", "ProgModeOff"}));
  EXPECT_EQ(
      rig.prompts.texts(),
      QStringList{"Error de verificación en dir: 0000¿Está la tarjeta en modo programación?"});
  // None of the completion steps: the window stays shown and the main window disabled.
  EXPECT_EQ(rig.host.log, (QStringList{"show", "enabled 0", "progress Verificando|Programa|0000"}));

  // The command's common ending puts both right.
  rig.host.log.clear();
  rig.prompts.cancelAnswers = {true};
  EXPECT_FALSE(verifyChip(rig.engine));
  EXPECT_FALSE(rig.host.windowShown);
  EXPECT_TRUE(rig.host.mainEnabled);
  EXPECT_EQ(rig.host.log.mid(rig.host.log.size() - 2), (QStringList{"hide", "enabled 1"}));
}

TEST(EngineWire, OkGoesOnAsIfNothingHappened) {
  Rig rig(makeDevice("PIC16F84", "Flash", 1024, 64));
  rig.loadProgram({0x0001, 0x0002});
  answerInOrder(rig, {0x0000, 0x0000});

  EXPECT_TRUE(rig.engine.RunOperation(OpVerify));
  EXPECT_EQ(rig.prompts.texts(),
            (QStringList{"Error de verificación en dir: 0000¿Está la tarjeta en modo programación?",
                         "Error de verificación en dir: 0001¿Está la tarjeta en modo programación?",
                         "Operación Completada."}));
  // A verify never changes the image.
  EXPECT_EQ(rig.image.progText(0), "0001");
}

// Pulses per word: the answer turns right after `needed` pulses since the last increment.
TEST(EngineWire, OtpPulsesAndOverProgramming) {
  Rig rig(makeDevice("PIC16C61", "OTP", 1024, 0));
  rig.loadProgram({0x1111, 0x2222, 0x0333});
  const QList<int> needed = {1, 3, 1000};
  rig.wire.answer = [&](int) -> quint32 {
    const int address = int(rig.commands().count("IncAddress"));
    const int pulses = rig.wire.countSinceIncrement("BeginProg");
    return pulses >= needed[address] ? rig.image.progValue(address) : 0x3FFF;
  };

  EXPECT_TRUE(rig.engine.RunOperation(OpWrite));

  QList<QStringList> words;
  QStringList current;
  for (const QString& c : rig.commands()) {
    if (c == "IncAddress" && words.size() < 3) {
      words.append(current);
      current.clear();
    } else if (words.size() < 3 && c != "ProgModeOn") {
      current.append(c);
    }
  }
  ASSERT_EQ(words.size(), 3);
  const int expectedPulses[] = {1 + 4, 3 + 10, 25};
  const int expectedReads[] = {1 + 1, 3 + 1, 25 + 1};
  for (int w = 0; w < 3; ++w) {
    EXPECT_EQ(words[w].filter("LoadProgData").size(), expectedPulses[w]) << w;
    EXPECT_EQ(words[w].count("BeginProg"), expectedPulses[w]) << w;
    EXPECT_EQ(words[w].count("EndProg"), expectedPulses[w]) << w;
    EXPECT_EQ(words[w].count("Sleep 1"), expectedPulses[w]) << w;
    EXPECT_EQ(words[w].count("ReadProgData"), expectedReads[w]) << w;
    // Each pulse is load, begin, 1 ms, end; the word's last command is the engine's read-back.
    EXPECT_EQ(words[w].mid(0, 4), (QStringList{"LoadProgData " + rig.image.progText(w), "BeginProg",
                                               "Sleep 1", "EndProg"}));
    EXPECT_EQ(words[w].last(), "ReadProgData");
  }
  // The over-programming pulses have no read between them.
  EXPECT_EQ(words[0].mid(4),
            QStringList{"ReadProgData"} +
                repeated({"LoadProgData 1111", "BeginProg", "Sleep 1", "EndProg"}, 4) +
                QStringList{"ReadProgData"});
  // Only the word that never took is reported.
  EXPECT_EQ(rig.prompts.texts(),
            (QStringList{"Error de verificación en dir: 0002¿Está la tarjeta en modo programación?",
                         "Operación Completada."}));
}

TEST(EngineWire, IdentWordsAreWrittenNibbleByNibbleOnEveryAlgorithm) {
  for (const char* algorithm : {"Flash", "Flash1", "OTP"}) {
    Rig rig(makeDevice("PIC16F84", algorithm, 1024, 64));
    rig.host.scope(false, false, false, true);
    rig.image.setIdentText("1234");
    rig.wire.answer = [&](int) -> quint32 {
      const int p = int(rig.commands().count("IncAddress"));
      return 0x3F80 + ((0x1234 >> (4 * p)) & 0xF);
    };

    EXPECT_TRUE(rig.engine.RunOperation(OpWrite)) << algorithm;
    QStringList loads = rig.commands().filter("LoadProgData");
    loads.removeDuplicates();
    EXPECT_EQ(loads, (QStringList{"LoadProgData 3F84", "LoadProgData 3F83", "LoadProgData 3F82",
                                  "LoadProgData 3F81"}))
        << algorithm;
    EXPECT_EQ(rig.commands().first(), "ProgModeOn");
    EXPECT_EQ(rig.commands().at(1), "ProgModeOff");
    EXPECT_EQ(rig.commands().at(3), "LoadConfig 0000");
    EXPECT_EQ(rig.prompts.texts(), QStringList{"Operación Completada."}) << algorithm;
    EXPECT_EQ(rig.host.progress().first(), "Escribiendo|Identificador|0000");
  }
}

TEST(EngineWire, IdentReadFillsTheBoxOneNibbleAtATime) {
  Rig rig(makeDevice("PIC16F84", "Flash", 1024, 64));
  rig.host.scope(false, false, false, true);
  rig.wire.answer = [&](int) -> quint32 {
    const int p = int(rig.commands().count("IncAddress"));
    return 0x3F80 + ((0xBA98 >> (4 * p)) & 0xF);
  };
  QStringList shown;
  QObject::connect(&rig.image, &MemoryImage::identChanged,
                   [&] { shown.append(rig.image.identText()); });

  EXPECT_TRUE(rig.engine.RunOperation(OpRead));
  // ReadIdent is not called by a read; the box fills in from position 0.
  EXPECT_EQ(shown, (QStringList{"0008", "0098", "0A98", "BA98"}));
  EXPECT_EQ(rig.host.progress(),
            (QStringList{"Leyendo|Identificador|0000", "Leyendo|Identificador|0001",
                         "Leyendo|Identificador|0002", "Leyendo|Identificador|0003"}));
}

TEST(EngineWire, WrongFirstNibbleIsReportedAtEveryLaterPosition) {
  Rig rig(makeDevice("PIC16F84", "Flash", 1024, 64));
  rig.host.scope(false, false, false, true);
  rig.image.setIdentText("1234");
  rig.wire.answer = [&](int) -> quint32 {
    const int p = int(rig.commands().count("IncAddress"));
    return p == 0 ? 0x3F85 : 0x3F80 + ((0x1234 >> (4 * p)) & 0xF);
  };

  EXPECT_TRUE(rig.engine.RunOperation(OpVerify));
  EXPECT_EQ(rig.prompts.texts(), (QStringList{"Error de verificación de ID pos 00 0004==0005",
                                              "Error de verificación de ID pos 01 0034==0035",
                                              "Error de verificación de ID pos 02 0234==0235",
                                              "Error de verificación de ID pos 03 1234==1235",
                                              "Operación Completada."}));
}

TEST(EngineWire, BlankCheckReadsEachIdentTwiceAndTheConfigWordOnce) {
  Rig rig(makeDevice("PIC16F84", "Flash", 1024, 64));
  rig.host.scope(false, false, true, true);
  rig.image.setIdentText("0000");
  int reads = 0;
  rig.wire.answer = [&](int) -> quint32 { return ++reads == 2 ? 0x3F8F : 0x3FFF; };

  EXPECT_TRUE(rig.engine.RunOperation(OpBlankCheck));
  QStringList expected{"ProgModeOn", "ProgModeOff", "ProgModeOn", "LoadConfig 0000"};
  expected += repeated({"ReadProgData", "ReadProgData", "IncAddress"}, 4);
  expected += repeated({"IncAddress"}, 3);
  expected += {"ReadProgData", "ProgModeOff", "ProgModeOff"};
  EXPECT_EQ(rig.commands(), expected);
  EXPECT_EQ(rig.prompts.texts(),
            (QStringList{"Error de borrado en ID pos 00 0000==000F", "Operación Completada."}));
  EXPECT_EQ(rig.host.progress().last(), "Comprobando Borrado|Pal_Conf|FFFFFFFF");
}

TEST(EngineWire, ConfigWordStepShowsAllOnesAsItsAddress) {
  Rig rig(makeDevice("PIC16F84", "Flash", 1024, 64));
  rig.host.scope(false, false, true, false);
  rig.image.SetPalConf(0x3FF1);
  answerInOrder(rig, {0x3FF1});

  EXPECT_TRUE(rig.engine.RunOperation(OpWrite));
  QStringList expected{"ProgModeOn", "ProgModeOff", "ProgModeOn", "LoadConfig 0000"};
  expected += repeated({"IncAddress"}, 7);
  expected +=
      {"LoadProgData 3FF1", "BeginProg", "Sleep 10", "ReadProgData", "ProgModeOff", "ProgModeOff"};
  EXPECT_EQ(rig.commands(), expected);
  EXPECT_EQ(rig.host.progress(), QStringList{"Escribiendo|Pal_Conf|FFFFFFFF"});
}

TEST(EngineWire, ConfigWordMessages) {
  Rig rig(makeDevice("PIC16F84", "Flash", 1024, 64));
  rig.host.scope(false, false, true, false);
  rig.image.SetPalConf(0x3FF1);
  answerInOrder(rig, {0x3FF0, 0x3FF0, 0x3FF0});
  EXPECT_TRUE(rig.engine.RunOperation(OpVerify));
  EXPECT_TRUE(rig.engine.RunOperation(OpBlankCheck));
  EXPECT_TRUE(rig.engine.RunOperation(OpRead));
  EXPECT_EQ(rig.prompts.texts(),
            (QStringList{"Error al verificar palabra de configuración.", "Operación Completada.",
                         "Error de borrado de la palabra de configuración", "Operación Completada.",
                         "Operación Completada."}));
  EXPECT_EQ(rig.image.GetPalConf(), 0x3FF0);
}

TEST(EngineWire, EmptyCellInAFlashWriteIsOutOfRangeThenFailsItsReadBack) {
  Rig rig(makeDevice("PIC16F84", "Flash", 1024, 64));
  rig.loadProgram({0x0001, 0x0002});
  rig.image.setProgText(1, "");
  answerInOrder(rig, {0x0001, 0x3FFF});

  EXPECT_TRUE(rig.engine.RunOperation(OpWrite));
  EXPECT_EQ(rig.prompts.texts(),
            (QStringList{"Error en los códigos de programa (fuera de rango), dir: 0001 fila: 0000 "
                         "col: 01",
                         "Error de verificación en dir: 0001¿Está la tarjeta en modo programación?",
                         "Operación Completada."}));
  // The out-of-range word is not programmed.
  EXPECT_EQ(rig.commands().filter("LoadProgData"), QStringList{"LoadProgData 0001"});
}

TEST(EngineWire, OutOfRangeMessageNamesRowAndColumn) {
  Rig rig(makeDevice("PIC16F84", "Flash", 1024, 64));
  QList<int> words(0x123, 0x3FFF);
  words.append(0x4000);
  rig.loadProgram(words);
  rig.prompts.cancelAnswers = {true};
  EXPECT_FALSE(rig.engine.RunOperation(OpBlankCheck));
  EXPECT_EQ(rig.prompts.texts(),
            QStringList{
                "Error en los códigos de programa (fuera de rango), dir: 0123 fila: 0012 col: 03"});
}

TEST(EngineWire, BlankCheckOfProgramMemory) {
  Rig rig(makeDevice("PIC16F84", "Flash", 1024, 64));
  rig.loadProgram({0x0000, 0x0000, 0x0000});
  answerInOrder(rig, {0x3FFF, 0x2FFF, 0x3FFF});
  EXPECT_TRUE(rig.engine.RunOperation(OpBlankCheck));
  EXPECT_EQ(rig.prompts.texts(),
            (QStringList{"Error de borrado en dir: 0001", "Operación Completada."}));
}

TEST(EngineWire, Flash1WriteHasNoReadBackAndProgramsPairs) {
  Rig rig(makeDevice("PIC16F73", "Flash1", 4096, 0));
  rig.host.scope(true, true, true, false);
  rig.loadProgram({0x0010, 0x0011, 0x0012, 0x0013});
  rig.image.SetPalConf(0x3FF1);

  EXPECT_TRUE(rig.engine.RunOperation(OpWrite));
  QStringList expected{
      "ProgModeOn",        "LoadProgData 0010", "IncAddress",     "LoadProgData 0011", "BeginProg",
      "Sleep 2",           "EndProg",           "IncAddress",     "LoadProgData 0012", "IncAddress",
      "LoadProgData 0013", "BeginProg",         "Sleep 2",        "EndProg",           "IncAddress",
      "ProgModeOff",       "ProgModeOn",        "LoadConfig 0000"};
  expected += repeated({"IncAddress"}, 7);
  expected +=
      {"LoadProgData 3FF1", "BeginProg", "Sleep 2", "EndProg", "ProgModeOff", "ProgModeOff"};
  EXPECT_EQ(rig.commands(), expected);
  EXPECT_EQ(rig.host.progress().first(), "Escribiendo|Programa|0000");
}

TEST(EngineWire, Flash1LoneWordsGetTheirOwnCycle) {
  Rig rig(makeDevice("PIC16F73", "Flash1", 4096, 0));
  // A lone even word at the end of the walk.
  rig.loadProgram({0x0010, 0x0011, 0x0012});
  EXPECT_TRUE(rig.engine.RunOperation(OpWrite));
  QStringList tail = rig.commands().mid(8, 6);
  EXPECT_EQ(tail, (QStringList{"LoadProgData 0012", "BeginProg", "Sleep 2", "EndProg", "IncAddress",
                               "ProgModeOff"}));

  // An even word whose odd partner is out of range.
  Rig other(makeDevice("PIC16F73", "Flash1", 4096, 0));
  other.loadProgram({0x0010, 0x0011, 0x0012, 0x0013});
  other.image.setProgText(1, "4000");
  EXPECT_TRUE(other.engine.RunOperation(OpWrite));
  EXPECT_EQ(other.commands().mid(0, 7),
            (QStringList{"ProgModeOn", "LoadProgData 0010", "IncAddress", "BeginProg", "Sleep 2",
                         "EndProg", "IncAddress"}));
  EXPECT_EQ(other.prompts.texts().first(),
            "Error en los códigos de programa (fuera de rango), dir: 0001 fila: 0000 col: 01");
}

TEST(EngineWire, UnknownAlgorithmWritesNothingButReportsEveryDifference) {
  Rig rig(makeDevice("PIC16X99", "Eprom", 1024, 64));
  rig.host.scope(true, true, true, false);
  rig.loadProgram({0x0001, 0x3FFF});
  rig.loadEeprom({0x01});
  EXPECT_TRUE(rig.engine.RunOperation(OpWrite));
  EXPECT_EQ(rig.commands().filter("Load").filter("Data"), QStringList{});
  EXPECT_EQ(rig.commands().count("BeginProg"), 0);
  EXPECT_EQ(rig.prompts.texts(),
            (QStringList{"Error de verificación en dir: 0000¿Está la tarjeta en modo programación?",
                         "Error al verificar palabra de configuración.", "Operación Completada."}));
  EXPECT_FALSE(rig.commands().contains("ReadEEData"));
}

TEST(EngineWire, EepromIsOnlyForFlashDevices) {
  for (const char* algorithm : {"Flash1", "OTP", "flash"}) {
    Rig rig(makeDevice("PIC16F84", algorithm, 1024, 64));
    rig.host.scope(false, true, false, false);
    rig.loadEeprom({0x01, 0x02});
    EXPECT_TRUE(rig.engine.RunOperation(OpRead)) << algorithm;
    EXPECT_EQ(rig.commands(),
              (QStringList{"ProgModeOn", "ProgModeOff", "ProgModeOn"} +
               repeated({"IncAddress"}, 7) + QStringList{"ProgModeOff", "ProgModeOff"}))
        << algorithm;
    EXPECT_EQ(rig.image.EEPromEnd(), 2) << algorithm;
    EXPECT_EQ(rig.image.eeText(0), "01") << algorithm;
  }
}

TEST(EngineWire, EepromWriteReadAndVerify) {
  Rig rig(makeDevice("PIC16F84", "Flash", 1024, 64));
  rig.host.scope(false, true, false, false);
  rig.loadEeprom({0x12, 0x34});
  int n = 0;
  rig.wire.answer = [&](int) -> quint32 { return ++n == 1 ? 0x3F12 : 0x0035; };

  EXPECT_TRUE(rig.engine.RunOperation(OpWrite));
  QStringList expected{"ProgModeOn", "ProgModeOff", "ProgModeOn"};
  expected += repeated({"IncAddress"}, 7);
  expected += {"ProgModeOff", "ProgModeOn", "LoadEEData 0012", "BeginProg", "Sleep 10",
               "ReadEEData",  "IncAddress", "LoadEEData 0034", "BeginProg", "Sleep 10",
               "ReadEEData",  "IncAddress", "ProgModeOff"};
  EXPECT_EQ(rig.commands(), expected);
  // Only the low byte of the answer counts.
  EXPECT_EQ(rig.prompts.texts(),
            (QStringList{"Error de verificación en dir: 0001", "Operación Completada."}));
  EXPECT_EQ(rig.host.progress(),
            (QStringList{"Escribiendo|EEPROM|0000", "Escribiendo|EEPROM|0001"}));
}

TEST(EngineWire, EepromOutOfRangeByteIsReportedTwice) {
  Rig rig(makeDevice("PIC16F84", "Flash", 1024, 64));
  rig.host.scope(false, true, false, false);
  rig.loadEeprom({0x12, 0x34});
  rig.image.setEeText(0, "100");
  rig.wire.answer = [](int) -> quint32 { return 0x34; };
  EXPECT_TRUE(rig.engine.RunOperation(OpWrite));
  EXPECT_EQ(
      rig.prompts.texts(),
      (QStringList{"Error en los códigos de datos (fuera de rango), dir: 0000 fila: 0000 col: 00",
                   "Error de verificación en dir: 0000", "Operación Completada."}));
  EXPECT_EQ(rig.commands().filter("LoadEEData"), QStringList{"LoadEEData 0034"});
}

TEST(EngineWire, EepromBlankCheckLooksForErasedBytesWhateverTheImageHolds) {
  Rig rig(makeDevice("PIC16F84", "Flash", 1024, 64));
  rig.host.scope(false, true, false, false);
  rig.loadEeprom({0x12, 0x34, 0xFF});
  QList<quint32> chip = {0xFF, 0x34, 0x12};
  rig.wire.answer = [&](int) -> quint32 { return chip.takeFirst(); };
  EXPECT_TRUE(rig.engine.RunOperation(OpBlankCheck));
  EXPECT_EQ(rig.prompts.texts(),
            (QStringList{"Error de borrado en dir: 0001", "Error de borrado en dir: 0002",
                         "Operación Completada."}));
}

TEST(EngineWire, ReadSetsBothExtentsToTheDeviceSizes) {
  Rig rig(makeDevice("PIC16F628", "Flash", 2048, 128));
  rig.host.scope(true, true, true, true);
  rig.loadProgram({0x0001});
  rig.image.setProgText(5, "zz");
  rig.wire.answer = [](int code) -> quint32 { return code == 4 ? 0x0123 : 0x3F45; };

  EXPECT_TRUE(rig.engine.RunOperation(OpRead));
  EXPECT_EQ(rig.image.ProgEnd(), 2048);
  EXPECT_EQ(rig.image.EEPromEnd(), 128);
  EXPECT_EQ(rig.commands().count("ReadProgData"), 2048 + 4 + 1);
  EXPECT_EQ(rig.commands().count("ReadEEData"), 128);
  EXPECT_EQ(rig.image.progText(0), "0123");
  EXPECT_EQ(rig.image.progText(5), "0123");
  EXPECT_EQ(rig.image.progText(2047), "0123");
  EXPECT_EQ(rig.image.eeText(127), "45");
  EXPECT_EQ(rig.image.identText(), "3333");
  EXPECT_EQ(rig.image.GetPalConf(), 0x0123);
  EXPECT_EQ(rig.host.progress().at(2047), "Leyendo|Programa|07FF");
  EXPECT_EQ(rig.prompts.texts(), QStringList{"Operación Completada."});
}

}  // namespace
}  // namespace tavrix::test
