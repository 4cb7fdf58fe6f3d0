// The main window against what a user should not meet but may: a last file that is a device,
// a FIFO or a folder, a device file whose devices are absurd, a port already held by another
// Tavrix, and a port that refuses every write.
#include <gtest/gtest.h>

#include <QAction>
#include <QDir>
#include <QFile>
#include <QPushButton>

#include <memory>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "gui/MainWindowHarness.h"
#include "link/LptPort.h"

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
  EXPECT_TRUE(h.prompts.boxes[1].text.startsWith("Fichero de configuración "));
  EXPECT_TRUE(h.form->endRequested());
}

// Another program (a first Tavrix) holds the lock of every printer node: start-up says the
// port cannot be reached and ends.
TEST(HostileStart, SecondTavrixOnALockedPortEnds) {
  TempFiles nodes;
  for (const char* n : {"lp0", "lp1", "lp2"}) nodes.write(n, "");
  int ready[2];
  int release[2];
  ASSERT_EQ(::pipe(ready), 0);
  ASSERT_EQ(::pipe(release), 0);
  const pid_t holder = ::fork();
  ASSERT_GE(holder, 0);
  if (holder == 0) {
    // The first Tavrix: each node opened and locked as the port does it, held until the test
    // closes its end of `release`.
    ::close(release[1]);
    std::vector<std::unique_ptr<LptPort>> held;
    char ok = 1;
    for (const char* n : {"lp0", "lp1", "lp2"}) {
      held.push_back(std::make_unique<LptPort>());
      if (held.back()->openNode(nodes.path(n).toStdString()) < 1) ok = 0;
    }
    if (::write(ready[1], &ok, 1) != 1) ::_exit(2);
    char c;
    while (::read(release[0], &c, 1) > 0) {
    }
    ::_exit(0);
  }
  ::close(release[0]);
  char ok = 0;
  ASSERT_EQ(::read(ready[0], &ok, 1), 1);
  ASSERT_EQ(ok, 1) << "the first program could not take the nodes";

  StartupOptions options;
  TempFiles ini;
  options.configPath = ini.write("Tavrix.ini", smallIni());
  const std::string dir = nodes.path("").toStdString();
  options.openPort = [&]() -> std::unique_ptr<Port> {
    auto port = std::make_unique<LptPort>(dir);
    if (port->PortOpen() < 1) return nullptr;
    return port;
  };
  MainWindowHarness h(options);
  h.start();
  EXPECT_EQ(h.prompts.texts(), QStringList{kNoPort});
  EXPECT_TRUE(h.form->endRequested());
  EXPECT_LT(h.form->PortHandle(), 1);

  ::close(release[1]);
  int status = 0;
  ::waitpid(holder, &status, 0);
  ::close(ready[0]);
  ::close(ready[1]);
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
  options.openPort = [] { return std::unique_ptr<Port>(new DeadPort); };
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
