// How the windowed programs meet what is not a window: a signal that ends them (the board is
// left idle), text from files that would drive a terminal or a box, and no display at all.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QProcess>
#include <QProcessEnvironment>
#include <QPushButton>
#include <QTimer>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "app/MessageBoxPrompts.h"
#include "app/TTavrixForm.h"
#include "app/VirtualProgrammer.h"
#include "dialogs/TProcesaForm.h"
#include "gui/MainWindowHarness.h"
#include "link/EndingSignals.h"
#include "link/LptPort.h"
#include "link/VirtualClock.h"
#include "support/ChildStops.h"
#include "support/ScriptedPrompts.h"

using namespace tavrix;
using namespace tavrix::test;

namespace {

std::string readAll(int fd) {
  std::string bytes;
  char buffer[256];
  ssize_t n = 0;
  while ((n = ::read(fd, buffer, sizeof buffer)) > 0) bytes.append(buffer, std::size_t(n));
  return bytes;
}

// tavrix: a signal that ends the program leaves its port idle, here a pipe that keeps every
// byte the printer node would have taken.
TEST(ProgramEnds, TermLeavesTheWindowsPortIdle) {
  GTEST_FLAG_SET(death_test_style, "fast");
  int wire[2];
  ASSERT_EQ(::pipe(wire), 0);
  EXPECT_EXIT(
      {
        EndingSignals::install();
        StartupOptions options;
        TempFiles files;
        options.configPath = files.write("Tavrix.ini", smallIni());
        const int handle = wire[1];
        options.openPort = [handle](const QString&) {
          return std::unique_ptr<Port>(new LptPort(systemPorts(), handle, "pipe"));
        };
        MainWindowHarness h(options);
        h.start();
        h.form->port()->writeByte(0x34);
        h.form->port()->writeByte(0x08);  // programming mode
        ::raise(SIGTERM);
        ::_exit(0);
      },
      ::testing::KilledBySignal(SIGTERM), "");
  ::close(wire[1]);
  EXPECT_EQ(readAll(wire[0]), std::string("\x34\x08\x24"));
  ::close(wire[0]);
}

// What the port has taken so far, without waiting.
std::string readAvailable(int fd) {
  std::string bytes;
  char buffer[4096];
  ssize_t n = 0;
  while ((n = ::read(fd, buffer, sizeof buffer)) > 0) bytes.append(buffer, std::size_t(n));
  return bytes;
}

// The child's side of the Ctrl+Z test below, run in a fresh process of this program (a forked
// one would inherit the painting threads of the tests before it, without the threads): a
// main window whose port is the pipe named by TAVRIX_TEST_CTRLZ_PORT. Skipped on its own.
TEST(ProgramEnds, CtrlZChildSide) {
  const QByteArray fd = qgetenv("TAVRIX_TEST_CTRLZ_PORT");
  if (fd.isEmpty()) GTEST_SKIP() << "run by CtrlZDuringAReadIdlesTheBoardFirstAndEndsItCancelled";
  EndingSignals::install();
  TempFiles files;
  StartupOptions options;
  options.configPath = files.write("Tavrix.ini", smallIni());
  const int handle = fd.toInt();
  options.openPort = [handle](const QString&) {
    return std::unique_ptr<Port>(new LptPort(systemPorts(), handle, "pipe"));
  };
  MainWindowHarness h(options);
  h.start();
  h.form->show();
  ::raise(SIGTSTP);                                 // idle: stopped and continued as any program
  QTimer::singleShot(0, [] { ::raise(SIGTSTP); });  // at the read's first progress update
  h.form->BotonLeer->click();
  const bool cancelled = h.prompts.texts() ==
                             QStringList{
                                 "Operación cancelada: el programa se detuvo (Ctrl+Z) en "
                                 "medio de ella y el PIC se quedó sin alimentación; "
                                 "repítala."} &&
                         h.form->isEnabled() && !h.form->procesaForm()->isVisible();
  ::_exit(cancelled ? 0 : 1);
}

// Ctrl+Z: outside an operation the program stops and goes on as usual; during one, the board
// goes idle before the program stops, and once continued the operation ends as cancelled, which
// is said, and nothing but the idle byte reaches the port any more.
TEST(ProgramEnds, CtrlZDuringAReadIdlesTheBoardFirstAndEndsItCancelled) {
  int wire[2];
  ASSERT_EQ(::pipe2(wire, O_NONBLOCK), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // A group of its own, whose parent is in another group of the session: stops are kept.
    ::setpgid(0, 0);
    ::setenv("TAVRIX_TEST_CTRLZ_PORT", std::to_string(wire[1]).c_str(), 1);
    ::execl("/proc/self/exe", "test-gui", "--gtest_filter=ProgramEnds.CtrlZChildSide", nullptr);
    ::_exit(127);
  }
  ::close(wire[1]);
  // Stopped while idle: nothing was written.
  int status = nextStopOrEnd(child);
  ASSERT_TRUE(status != -1 && WIFSTOPPED(status)) << status;
  EXPECT_EQ(WSTOPSIG(status), SIGTSTP);
  EXPECT_EQ(readAvailable(wire[0]), "");
  ::kill(child, SIGCONT);
  // Stopped in the read: Program Mode On, the first word's command, then the idle byte last.
  status = nextStopOrEnd(child);
  ASSERT_TRUE(status != -1 && WIFSTOPPED(status)) << status;
  const std::string before = readAvailable(wire[0]);
  ASSERT_GE(before.size(), 3u);
  EXPECT_EQ(before.substr(0, 2), "\x34\x08");
  EXPECT_EQ(before.back(), '\x24');
  ::kill(child, SIGCONT);
  status = nextStopOrEnd(child);
  ASSERT_TRUE(status != -1 && WIFEXITED(status)) << status;
  EXPECT_EQ(WEXITSTATUS(status), 0) << "the read did not end as cancelled";
  const std::string after = readAvailable(wire[0]);
  EXPECT_EQ(after.find_first_not_of('\x24'), std::string::npos);
  ::close(wire[0]);
}

// tavrix-sim: the window watches the virtual board from start-up to its close, and the board
// goes idle where it stands. It is made idle at start-up too, and when the window goes.
TEST(ProgramEnds, SimulatorsBoardIsWatchedUntilTheWindowCloses) {
  VirtualClock clock;
  VirtualProgrammer programmer(clock);
  ScriptedPrompts prompts;
  {
    TTavrixForm form(prompts, programmer.startupOptions(QStringLiteral(TAVRIX_SHIPPED_INI)));
    EXPECT_EQ(EndingSignals::watched(), nullptr);
    programmer.board().writeByte(0x04);  // a driver's probe left the supply on
    form.Principal();
    EXPECT_EQ(programmer.board().lines(), 0x24);
    ASSERT_EQ(EndingSignals::watched(), form.port());
    form.port()->writeByte(0x08);
    EXPECT_EQ(programmer.board().lines(), 0x08);
    EXPECT_TRUE(EndingSignals::watched()->goIdleNow());
    EXPECT_EQ(programmer.board().lines(), 0x24);
    form.close();
    EXPECT_EQ(EndingSignals::watched(), nullptr);
  }
  // A window that never closed stops the watch as it goes, the board idle.
  {
    TTavrixForm form(prompts, programmer.startupOptions(QStringLiteral(TAVRIX_SHIPPED_INI)));
    form.Principal();
    EXPECT_NE(EndingSignals::watched(), nullptr);
    form.port()->writeByte(0x08);
  }
  EXPECT_EQ(EndingSignals::watched(), nullptr);
  EXPECT_EQ(programmer.board().lines(), 0x24);
}

// An escape sequence in a device name, shown in a box or a menu, is shown, not obeyed; the menu
// item still selects its device.
TEST(ProgramEnds, ControlCharactersAreShownInBoxesAndMenus) {
  const QString hostile = QStringLiteral("PIC\x1b[31m<b>RED</b>\x7f");
  const QString shown = QStringLiteral("PIC\u241b[31m<b>RED</b>\u2421");
  MainWindowHarness h("[" + hostile.toUtf8() + "]\nProgMem=1024\n" + smallIni());
  h.start();
  QAction* item = h.form->Device1->actions().first();
  EXPECT_EQ(item->text(), shown);
  EXPECT_EQ(item->data().toString(), hostile);
  EXPECT_EQ(h.form->devices().CurrentDevice.Name, hostile);
  EXPECT_EQ(h.form->leftPanels[0]->text(), shown);
  h.form->Device1->actions().at(1)->trigger();
  item->trigger();
  EXPECT_EQ(h.form->devices().CurrentDevice.Name, hostile);

  MessageBoxPrompts boxes;
  QString text;
  Qt::TextFormat format = Qt::AutoText;
  QTimer::singleShot(0, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    text = box->text();
    format = box->textFormat();
    box->reject();
  });
  EXPECT_TRUE(boxes.AskOnError("El dispositivo " + hostile + " no sirve.\nSegunda línea."));
  EXPECT_EQ(text, "El dispositivo " + shown + " no sirve.\nSegunda línea.");
  EXPECT_EQ(format, Qt::PlainText);
}

// Started with no display, a windowed program says so in Spanish and ends with 1, instead of
// Qt's abort; the same when the platform asked for cannot be loaded.
// An X display number nothing answers on.
QString unreachableDisplay() {
  for (int n = 150; n < 400; ++n) {
    if (!QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(n)) &&
        !QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(n)))
      return QStringLiteral(":%1").arg(n);
  }
  return QStringLiteral(":399");
}

TEST(ProgramEnds, NoDisplayIsSaidInSpanishWithStatusOne) {
  enum Case { kNoDisplay, kBogusPlatform, kUnreachableDisplay };
  for (const char* program : {"tavrix-sim", "tavrix"}) {
    SCOPED_TRACE(program);
    for (const Case c : {kNoDisplay, kBogusPlatform, kUnreachableDisplay}) {
      SCOPED_TRACE(int(c));
      QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
      for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(QString::fromLatin1(name));
      if (c == kBogusPlatform)
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("nowhere"));
      if (c == kUnreachableDisplay)
        environment.insert(QStringLiteral("DISPLAY"), unreachableDisplay());
      QProcess process;
      process.setProcessEnvironment(environment);
      process.setStandardInputFile(QProcess::nullDevice());
      process.start(QStringLiteral(TAVRIX_BUILD_DIR "/src/") + QString::fromLatin1(program),
                    QStringList());
      ASSERT_TRUE(process.waitForFinished(60000));
      EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
      EXPECT_EQ(process.exitCode(), 1);
      const QString err = QString::fromUtf8(process.readAllStandardError());
      const QString said =
          QString::fromLatin1(program) +
          (c == kNoDisplay ? QStringLiteral(": no hay pantalla gráfica")
                           : QStringLiteral(": no se puede abrir la pantalla gráfica"));
      // Only the Spanish message: none of Qt's English lines before or after it.
      EXPECT_TRUE(err.startsWith(said)) << err.toStdString();
      EXPECT_EQ(err.count(QLatin1Char('\n')), 1) << err.toStdString();
    }
  }
}

}  // namespace
