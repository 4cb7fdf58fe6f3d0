// The operation commands: which runs they start, their common ending, and unprotect.
#include <gtest/gtest.h>

#include "OpsRig.h"
#include "link/Recording.h"
#include "ops/Commands.h"
#include "support/TraceLines.h"

namespace tavrix::test {
namespace {

int count(const QStringList& list, const QString& entry) {
  return int(list.count(entry));
}

TEST(Commands, ReadVerifyAndBlankCheckRunOnceAndEndTheSameWay) {
  using Command = bool (*)(Engine&);
  const std::pair<Command, const char*> commands[] = {
      {readChip, "Leyendo"}, {verifyChip, "Verificando"}, {blankCheckChip, "Comprobando Borrado"}};
  for (const auto& [command, action] : commands) {
    Rig rig(makeDevice("PIC16F84", "Flash", 1024, 64));
    rig.loadProgram({0x3FFF});
    EXPECT_TRUE(command(rig.engine)) << action;
    EXPECT_EQ(count(rig.host.log, "show"), 1);
    EXPECT_EQ(rig.host.progress().first(), QString(action) + "|Programa|0000");
    // The run's own completion, then the command's ending.
    EXPECT_EQ(rig.host.log.mid(rig.host.log.size() - 6),
              (QStringList{"hide", "status", "beep", "enabled 1", "hide", "enabled 1"}));
    EXPECT_EQ(rig.prompts.texts(), QStringList{"Operación Completada."});
  }
}

TEST(Commands, FlashWriteIsOneRun) {
  Rig rig(makeDevice("PIC16F84", "Flash", 1024, 64));
  rig.loadProgram({0x0005});
  rig.wire.answer = [](int) -> quint32 { return 0x0005; };
  EXPECT_TRUE(writeChip(rig.engine));
  EXPECT_EQ(count(rig.host.log, "show"), 1);
  EXPECT_EQ(rig.prompts.texts(), QStringList{"Operación Completada."});
  EXPECT_EQ(rig.host.progress(), QStringList{"Escribiendo|Programa|0000"});
}

TEST(Commands, OtpWriteStartsWithABlankCheck) {
  Rig rig(makeDevice("PIC16C61", "OTP", 1024, 0));
  rig.loadProgram({0x0005});
  // Blank check finds a programmed word; OK goes on to the write.
  rig.wire.answer = [&](int) -> quint32 { return rig.commands().count("BeginProg") ? 5 : 0x0001; };
  EXPECT_TRUE(writeChip(rig.engine));
  EXPECT_EQ(rig.host.progress(),
            (QStringList{"Comprobando Borrado|Programa|0000", "Escribiendo|Programa|0000"}));
  EXPECT_EQ(rig.prompts.texts(), (QStringList{"Error de borrado en dir: 0000",
                                              "Operación Completada.", "Operación Completada."}));
  EXPECT_EQ(count(rig.host.log, "show"), 2);
  EXPECT_TRUE(rig.host.mainEnabled);
  EXPECT_FALSE(rig.host.windowShown);
}

TEST(Commands, OtpWriteStopsWhenItsBlankCheckIsCancelled) {
  Rig rig(makeDevice("PIC16C61", "OTP", 1024, 0));
  rig.loadProgram({0x0005});
  rig.wire.answer = [](int) -> quint32 { return 0x0001; };
  rig.prompts.cancelAnswers = {true};
  EXPECT_FALSE(writeChip(rig.engine));
  EXPECT_EQ(rig.commands(), (QStringList{"ProgModeOn", "ReadProgData", "ProgModeOff"}));
  EXPECT_EQ(rig.prompts.texts(), QStringList{"Error de borrado en dir: 0000"});
  EXPECT_EQ(rig.host.log.mid(rig.host.log.size() - 2), (QStringList{"hide", "enabled 1"}));
}

TEST(Commands, Flash1WriteIsFollowedByAVerifyEvenWhenCancelled) {
  Rig rig(makeDevice("PIC16F73", "Flash1", 4096, 0));
  rig.loadProgram({0x0005, 0x4000});
  rig.prompts.cancelAnswers = {true};
  rig.wire.answer = [](int) -> quint32 { return 0x0005; };
  EXPECT_FALSE(writeChip(rig.engine));
  EXPECT_EQ(rig.host.progress(),
            (QStringList{"Escribiendo|Programa|0000", "Verificando|Programa|0000",
                         "Verificando|Programa|0001"}));
  // The write stopped at the out-of-range word; the verify reports it again and completes.
  EXPECT_EQ(rig.prompts.texts(),
            (QStringList{
                "Error en los códigos de programa (fuera de rango), dir: 0001 fila: 0000 col: 01",
                "Error en los códigos de programa (fuera de rango), dir: 0001 fila: 0000 col: 01",
                "Error de verificación en dir: 0001¿Está la tarjeta en modo programación?",
                "Operación Completada."}));
  EXPECT_TRUE(rig.host.mainEnabled);
  EXPECT_FALSE(rig.host.windowShown);
}

TEST(Commands, Flash1WriteShowsTwoCompletions) {
  Rig rig(makeDevice("PIC16F73", "Flash1", 4096, 0));
  rig.loadProgram({0x0005, 0x0006});
  QList<quint32> reads = {5, 6};
  rig.wire.answer = [&](int) -> quint32 { return reads.takeFirst(); };
  EXPECT_TRUE(writeChip(rig.engine));
  EXPECT_EQ(rig.prompts.texts(), (QStringList{"Operación Completada.", "Operación Completada."}));
}

QStringList flashUnprotect() {
  QStringList s{"ProgModeOn", "LoadConfig 0000", "LoadProgData 3FFF"};
  for (int i = 0; i < 7; ++i) s << "IncAddress";
  s << "EraseSetup1"
    << "EraseSetup2"
    << "BeginProg"
    << "Sleep 10"
    << "EraseSetup1"
    << "EraseSetup2"
    << "ProgModeOff";
  return s;
}

TEST(Commands, UnprotectOnFlash) {
  Rig rig(makeDevice("PIC16F84", "Flash", 1024, 64));
  EXPECT_EQ(unprotectChip(rig.engine), UnprotectResult::Erased);
  EXPECT_EQ(rig.commands(), flashUnprotect());
  ASSERT_EQ(rig.prompts.boxes.size(), 2);
  EXPECT_EQ(rig.prompts.boxes[0].kind, ScriptedPrompts::Kind::Question);
  EXPECT_EQ(rig.prompts.boxes[0].caption, "Atención");
  EXPECT_EQ(rig.prompts.boxes[0].text,
            "Esta acción borrará todo el contenido del PIC. ¿Desea continuar?");
  EXPECT_EQ(rig.prompts.boxes[1].text, "PIC desprotegido.");
  // No progress window, no disabled main window.
  EXPECT_TRUE(rig.host.log.isEmpty());
}

TEST(Commands, UnprotectOnFlash1ByteForByte) {
  Rig rig(makeDevice("PIC16F73", "Flash1", 4096, 0));
  TraceSink sink;
  RecordingPort port(rig.wire, sink);
  RecordingClock clock(rig.wire, sink);
  rig.link.setPort(port);
  rig.link.setClock(clock);
  EXPECT_EQ(unprotectChip(rig.engine), UnprotectResult::Erased);
  EXPECT_EQ(rig.commands(),
            (QStringList{"ProgModeOn", "BulkEraseProg", "Sleep 40", "ProgModeOff"}));
  EXPECT_EQ(sink.lines(), concat({{"W 34", "S 10", "W 08", "S 10"},
                                  writesTrace("08 0B 09 0A 08 0A 08 0B 09 0A 08 0A 08"),
                                  {"S 40", "W 24"}}));
  EXPECT_EQ(rig.prompts.texts(),
            (QStringList{"Esta acción borrará todo el contenido del PIC. ¿Desea continuar?",
                         "PIC desprotegido."}));
  EXPECT_TRUE(rig.host.log.isEmpty());
}

TEST(Commands, UnprotectAnsweredNoSendsNothing) {
  for (const char* algorithm : {"Flash", "Flash1", "Other"}) {
    Rig rig(makeDevice("PIC16F84", algorithm, 1024, 64));
    rig.prompts.yesAnswers = {false};
    EXPECT_EQ(unprotectChip(rig.engine), UnprotectResult::Declined);
    EXPECT_TRUE(rig.commands().isEmpty()) << algorithm;
    EXPECT_EQ(rig.prompts.boxes.size(), 1);
  }
}

TEST(Commands, UnprotectRefusedOnOtpAndToldOnOtherAlgorithms) {
  Rig otp(makeDevice("PIC16C61", "OTP", 1024, 0));
  EXPECT_EQ(unprotectChip(otp.engine), UnprotectResult::OnlyFlash);
  EXPECT_EQ(otp.prompts.texts(), QStringList{"Esta función solo funciona con dispositivos FLASH"});
  EXPECT_TRUE(otp.commands().isEmpty());

  Rig other(makeDevice("PIC16X", "flash", 1024, 0));
  EXPECT_EQ(unprotectChip(other.engine), UnprotectResult::NotSupported);
  EXPECT_TRUE(other.commands().isEmpty());
  ASSERT_EQ(other.prompts.boxes.size(), 2);
  EXPECT_EQ(other.prompts.boxes[1].kind, ScriptedPrompts::Kind::Info);
  EXPECT_TRUE(other.prompts.boxes[1].text.contains("No se ha enviado nada"));
}

TEST(Commands, UnprotectWithoutTheQuestion) {
  Rig rig(makeDevice("PIC16F84", "Flash", 1024, 64));
  EXPECT_EQ(unprotectChip(rig.engine, false), UnprotectResult::Erased);
  EXPECT_EQ(rig.commands(), flashUnprotect());
  EXPECT_EQ(rig.prompts.texts(), QStringList{"PIC desprotegido."});
}

}  // namespace
}  // namespace tavrix::test
