// The main window against what a user should not meet but may: a last file that is a device,
// a FIFO or a folder, a device file whose devices are absurd, port nodes already held by
// another Tavrix, and a port that refuses every write.
#include <gtest/gtest.h>

#include <QAction>
#include <QDir>
#include <QFile>
#include <QPushButton>

#include <algorithm>
#include <memory>
#include <sstream>
#include <vector>

#include <sys/stat.h>

#include "app/RealPortOpener.h"
#include "gui/MainWindowHarness.h"
#include "support/FakePortSystem.h"

using namespace tavrix;
using namespace tavrix::test;

namespace {

using Kind = ScriptedPrompts::Kind;

const QString kCannotRead = QStringLiteral("No se puede leer el fichero HEX.");
const QString kNoPort = QStringLiteral("Imposible comunicar con el puerto paralelo.");

TEST(HostileStart, ReopeningALastFileThatIsNoFileChangesNothing) {
  TempFiles nodes;
  const QString fifo = nodes.path("fifo.hex");
  ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
  const QString folder = nodes.path("folder.hex");
  ASSERT_TRUE(QDir().mkdir(folder));
  for (const QString& last : {QStringLiteral("/dev/zero"), fifo, folder}) {
    SCOPED_TRACE(last.toStdString());
    MainWindowHarness h(smallIni(last));
    h.start();
    h.form->image().setProgText(0, "2805");
    h.form->image().setProgEnd(1);
    h.form->BotonReabre->click();
    h.form->LastFileItem->trigger();
    EXPECT_EQ(h.prompts.texts(), QStringList({kCannotRead, kCannotRead}));
    EXPECT_EQ(h.form->windowTitle(), "Tavrix");
    EXPECT_EQ(h.form->image().progText(0), "2805");
    EXPECT_EQ(h.form->image().ProgEnd(), 1);
    EXPECT_EQ(h.form->LastFileItem->data().toString(), last);
  }
}

// A first device the program cannot use is refused with a message that names the key, and
// start-up takes the next one.
TEST(HostileStart, AbsurdFirstDeviceIsRefusedAndTheNextTaken) {
  MainWindowHarness h("[PICHUGE]\nProgMem=99999\n[PICWIDE]\nProgBits=40\n" + smallIni());
  h.start();
  EXPECT_EQ(h.prompts.texts(Kind::Failure),
            QStringList({"El dispositivo PICHUGE no se puede usar: ProgMem=99999 está fuera del "
                         "rango 0 a 32768.",
                         "El dispositivo PICWIDE no se puede usar: ProgBits=40 está fuera del "
                         "rango 0 a 16."}));
  EXPECT_TRUE(h.prompts.texts(Kind::Error).isEmpty());
  EXPECT_FALSE(h.form->endRequested());
  EXPECT_EQ(h.panels()[0], "PIC16F84A");
  EXPECT_EQ(h.form->image().progCount(), 1024);
}

TEST(HostileStart, OnlyAbsurdDevicesEndTheProgramAfterSayingWhy) {
  MainWindowHarness h("[PICHUGE]\nProgMem=2147483647\nEEProm=2147483647\n");
  h.start();
  ASSERT_EQ(h.prompts.boxes.size(), 2);
  EXPECT_EQ(h.prompts.boxes[0].text,
            "El dispositivo PICHUGE no se puede usar: ProgMem=2147483647 está fuera del rango 0 "
            "a 32768.");
  // The file was found and read: the last box says no device in it can be used.
  EXPECT_TRUE(h.prompts.boxes[1].text.startsWith("Fichero de configuración "));
  EXPECT_TRUE(h.prompts.boxes[1].text.endsWith(
      ": ningún dispositivo del fichero se puede usar. Corrija el fichero o instale de nuevo el "
      "programa."));
  EXPECT_TRUE(h.form->endRequested());
}

// Another program (a first Tavrix) holds the lock of every port node, and a file stands where
// a node should be: start-up says the port cannot be reached and ends, having opened and kept
// nothing and written nothing anywhere.
TEST(HostileStart, SecondTavrixOnALockedPortEnds) {
  FakePortSystem kernel;
  FakePortSystem::Node held{FakePortSystem::Kind::Printer};
  held.lockedByOther = true;
  for (const char* node : {"/dev/lp0", "/dev/lp1", "/dev/lp2"}) kernel.add(node, held);
  held.kind = FakePortSystem::Kind::Ppdev;
  kernel.add("/dev/parport0", held);
  kernel.add("/dev/parport1", FakePortSystem::Kind::RegularFile);
  StartupOptions options;
  TempFiles ini;
  options.configPath = ini.write("Tavrix.ini", smallIni());
  std::ostringstream problems;
  options.openPort = realPortOpener(kernel, "/dev", &problems);
  MainWindowHarness h(options);
  h.start();
  EXPECT_EQ(h.prompts.texts(), QStringList{kNoPort});
  EXPECT_TRUE(h.form->endRequested());
  EXPECT_LT(h.form->PortHandle(), 1);
  EXPECT_EQ(kernel.openHandles(), 0);
  EXPECT_TRUE(kernel.written.empty());
  // Standard error names each node and why; the box keeps its text.
  const std::string told = problems.str();
  EXPECT_EQ(std::count(told.begin(), told.end(), '\n'), 6);
}

class DeadPort : public Port {
 public:
  bool writeByte(std::uint8_t) override { return false; }
  std::uint8_t readStatus() override { return 0x40; }  // reads like an erased chip
};

// Every write refused: the operation tells that the port cannot be reached, never
// "Operación Completada.", and the window is usable again.
TEST(HostileStart, OperationsOnAPortThatRefusesWrites) {
  StartupOptions options;
  TempFiles ini;
  options.configPath = ini.write("Tavrix.ini", smallIni());
  options.openPort = [](const QString&) { return std::unique_ptr<Port>(new DeadPort); };
  MainWindowHarness h(options);
  h.start();
  ASSERT_TRUE(h.prompts.boxes.isEmpty());
  for (QPushButton* button :
       {h.form->BotonBlkChk, h.form->BotonLeer, h.form->BotonVerificar, h.form->BotonEscribir}) {
    SCOPED_TRACE(button->text().toStdString());
    h.prompts.clear();
    button->click();
    EXPECT_EQ(h.prompts.texts(), QStringList{kNoPort});
    EXPECT_TRUE(h.form->isEnabled());
  }
}

}  // namespace
