#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <cstdlib>

#include <cerrno>
#include <map>
#include <sstream>

#include "app/ImageGrid.h"
#include "app/ProgramEntry.h"
#include "app/RealPortOpener.h"
#include "dialogs/TAboutForm.h"
#include "dialogs/TPalConfForm.h"
#include "gui/MainWindowHarness.h"
#include "link/LinkTexts.h"
#include "link/ParallelPort.h"
#include "support/FakePortSystem.h"

using namespace tavrix;
using namespace tavrix::test;

namespace {

QStringList captions(QMenu* menu) {
  QStringList out;
  for (QAction* a : menu->actions()) out.append(a->isSeparator() ? QStringLiteral("-") : a->text());
  return out;
}

TEST(Startup, ValidFileSelectsTheFirstDeviceAndFillsTheStatusBar) {
  MainWindowHarness h(smallIni());
  h.start();
  EXPECT_TRUE(h.prompts.boxes.isEmpty());
  EXPECT_FALSE(h.form->endRequested());

  EXPECT_EQ(captions(h.form->Device1), QStringList({"PIC16F84A", "PIC16F73", "PIC16C622"}));
  const QList<QAction*> items = h.form->Device1->actions();
  EXPECT_TRUE(items[0]->isChecked());
  EXPECT_FALSE(items[1]->isChecked());
  EXPECT_FALSE(items[2]->isChecked());

  EXPECT_EQ(h.panels(), QStringList({"PIC16F84A", "PR=0(1024)", "EE=0(64)", "RA=68", "CONF=3FF1"}));
  const int widths[5] = {75, 130, 120, 60, 50};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(h.form->leftPanels[i]->width(), widths[i]);
  for (QLabel* right : h.form->rightPanels) {
    EXPECT_EQ(right->width(), 80);
    EXPECT_TRUE(right->text().isEmpty());
  }
  EXPECT_EQ(h.form->EditIdent->text(), "FFFF");
  EXPECT_EQ(h.form->image().ProgEnd(), 0);
  EXPECT_EQ(h.form->image().EEPromEnd(), 0);
}

TEST(Startup, StatusBarPanelsSitInTwoGroups) {
  MainWindowHarness h(smallIni());
  h.start();
  h.form->show();
  QApplication::processEvents();
  int x = -1;
  for (QLabel* panel : h.form->leftPanels) {
    EXPECT_GT(panel->x(), x);
    x = panel->x();
  }
  // The three right panels sit together at the right end, after CONF=.
  EXPECT_GT(h.form->rightPanels[0]->x(), h.form->leftPanels[4]->x() + 50);
  EXPECT_GT(h.form->rightPanels[2]->x(), h.form->rightPanels[1]->x());
  EXPECT_GE(h.form->rightPanels[2]->geometry().right() + 20, h.form->StatusBar1->width());
  EXPECT_TRUE(h.form->leftPanels[4]->text().startsWith("CONF="));
}

TEST(Startup, WindowLayoutMenusAndControls) {
  MainWindowHarness h(smallIni());
  h.start();
  TTavrixForm& f = *h.form;
  EXPECT_EQ(f.size(), QSize(750, 495));
  EXPECT_EQ(f.windowTitle(), "Tavrix");

  QStringList menus;
  for (QAction* a : f.menuBar()->actions()) menus.append(a->text());
  EXPECT_EQ(menus, QStringList({"Archivo", "Dispositivo", "Acción", "Ayuda"}));
  EXPECT_EQ(captions(f.File1), QStringList({"Abrir HEX", "Guardar como", "-", "Salir", "-", ""}));
  EXPECT_EQ(captions(f.Accin1), QStringList({"Blank Check", "Verificar PIC", "Escribir PIC",
                                             "Leer PIC", "Desproteger PIC", "Configurar PIC", "-",
                                             "Probar la placa…", "Identificar PIC"}));
  EXPECT_EQ(captions(f.Help1), QStringList({"Sobre Tavrix"}));

  struct B {
    QPushButton* b;
    const char* text;
    QRect rect;
  };
  const B buttons[] = {{f.BotonReabre, "Reabre Hex", {8, 0, 81, 25}},
                       {f.BotonBlkChk, "Blk. Check", {96, 0, 75, 25}},
                       {f.BotonEscribir, "Escribir", {176, 0, 65, 25}},
                       {f.BotonVerificar, "Comparar", {248, 0, 73, 25}},
                       {f.BotonLeer, "Leer", {328, 0, 57, 25}},
                       {f.BotonDesprotege, "Desproteger", {392, 0, 81, 25}},
                       {f.ButPalConf, "Configuración", {480, 0, 89, 25}}};
  for (const B& b : buttons) {
    EXPECT_EQ(b.b->text(), b.text);
    EXPECT_EQ(b.b->geometry(), b.rect) << b.text;
  }
  EXPECT_EQ(f.Label1->text(), "Identificador");
  EXPECT_EQ(f.Label1->geometry(), QRect(600, 0, 79, 17));
  EXPECT_EQ(f.EditIdent->geometry(), QRect(679, 0, 58, 25));
  EXPECT_EQ(f.EditIdent->maxLength(), 4);
  EXPECT_EQ(f.HexEditG->geometry(), QRect(8, 32, 737, 265));
  EXPECT_EQ(f.GBalcance->geometry(), QRect(8, 304, 209, 137));
  EXPECT_EQ(f.GBalcance->title(), "Alcance de las operaciones");
  EXPECT_EQ(f.DatosEditG->geometry(), QRect(224, 304, 521, 137));
  EXPECT_EQ(f.CBmemprog->text(), "Memoria de Programa");
  EXPECT_EQ(f.CBmemdatos->text(), "Memoria (EEPROM)");
  EXPECT_EQ(f.CBpalconfig->text(), "Palabra de Configuración");
  EXPECT_EQ(f.CBident->text(), "Identificador");
  EXPECT_TRUE(f.CBmemprog->isChecked());
  EXPECT_FALSE(f.CBmemdatos->isChecked());
  EXPECT_FALSE(f.CBpalconfig->isChecked());
  EXPECT_FALSE(f.CBident->isChecked());
}

TEST(Startup, AnchorsFollowTheWindowSize) {
  MainWindowHarness h(smallIni());
  h.start();
  TTavrixForm& f = *h.form;
  f.resize(850, 595);
  f.show();
  QApplication::processEvents();
  EXPECT_EQ(f.HexEditG->geometry(), QRect(8, 32, 837, 365));       // grows both ways
  EXPECT_EQ(f.GBalcance->geometry(), QRect(8, 404, 209, 137));     // follows the bottom
  EXPECT_EQ(f.DatosEditG->geometry(), QRect(224, 404, 621, 137));  // grows right, follows bottom
  EXPECT_EQ(f.EditIdent->geometry(), QRect(779, 0, 58, 25));       // follows the right edge
  EXPECT_EQ(f.BotonLeer->geometry(), QRect(328, 0, 57, 25));
}

TEST(Startup, LastFileItemHiddenWhenEmptyShownWithItsPathOtherwise) {
  {
    MainWindowHarness h(smallIni());
    h.start();
    ASSERT_NE(h.form->LastFileItem, nullptr);
    EXPECT_EQ(h.form->File1->actions().last(), h.form->LastFileItem);
    EXPECT_FALSE(h.form->LastFileItem->isVisible());
  }
  {
    MainWindowHarness h(smallIni("/home/u/R&D/a.hex"));
    h.start();
    EXPECT_TRUE(h.form->LastFileItem->isVisible());
    // An "&" in the path is shown as it is, not taken as an accelerator.
    EXPECT_EQ(h.form->LastFileItem->text(), "/home/u/R&&D/a.hex");
    EXPECT_EQ(h.form->LastFileItem->data().toString(), "/home/u/R&D/a.hex");
  }
}

TEST(Startup, NoDeviceFileAndNoPortShowBothBoxesInOrderAndEnd) {
  StartupOptions options;
  TempFiles missing;
  options.configPath = missing.path("Tavrix.ini");
  options.openPort = [](const QString&) { return std::unique_ptr<Port>(); };
  MainWindowHarness h(options);
  h.prompts.cancelAnswers = {true, true};
  h.start();
  ASSERT_EQ(h.prompts.boxes.size(), 2);
  EXPECT_EQ(h.prompts.boxes[0].caption, "Error");
  EXPECT_EQ(h.prompts.boxes[0].text,
            "Fichero de configuración " + options.configPath +
                " no encontrado. Vuelva a copiar este fichero o instale de nuevo el programa.");
  EXPECT_EQ(h.prompts.boxes[1].text, "Imposible comunicar con el puerto paralelo.");
  EXPECT_TRUE(h.form->endRequested());
  EXPECT_EQ(h.form->EditIdent->text(), "FFFF");  // start-up still ran to its end
}

TEST(Startup, PortBoxEndsTheProgramWhicheverButton) {
  for (bool cancel : {false, true}) {
    MainWindowHarness h(smallIni(), /*withPort=*/false);
    h.prompts.cancelAnswers = {cancel};
    h.start();
    EXPECT_EQ(h.prompts.texts(), QStringList({"Imposible comunicar con el puerto paralelo."}));
    EXPECT_TRUE(h.form->endRequested());
    EXPECT_EQ(h.panels()[0], "PIC16F84A");
  }
}

TEST(Startup, FailedStartEndsTheEventLoopWithoutShowingTheWindowWithStatusOne) {
  MainWindowHarness h(smallIni(), /*withPort=*/false);
  bool shownDuringLoop = true;
  QTimer::singleShot(0, [&] { shownDuringLoop = h.form->isVisible(); });
  EXPECT_EQ(RunProgram(*h.form), 1);
  EXPECT_FALSE(h.form->isVisible());
  EXPECT_FALSE(shownDuringLoop);
}

// The real port opener over the fake kernel: /dev/lp0 held by another program, /dev/lp1 free.
// The board is made idle as soon as the port is open, and again when the window closes.
TEST(Startup, PortSearchSkipsALockedLp0AndTakesLp1) {
  FakePortSystem kernel;
  FakePortSystem::Node held{FakePortSystem::Kind::Printer};
  held.lockedByOther = true;
  kernel.add("/dev/lp0", held);
  kernel.add("/dev/lp1", FakePortSystem::Kind::Printer);
  kernel.add("/dev/parport0", FakePortSystem::Kind::Ppdev);
  StartupOptions options;
  TempFiles ini;
  options.configPath = ini.write("Tavrix.ini", smallIni());
  std::ostringstream problems;
  options.openPort = realPortOpener(kernel, "/dev", &problems);
  MainWindowHarness h(options);
  h.start();
  EXPECT_TRUE(h.prompts.boxes.isEmpty());
  auto* port = dynamic_cast<ParallelPort*>(h.form->port());
  ASSERT_NE(port, nullptr);
  EXPECT_EQ(port->portPath(), "/dev/lp1");
  EXPECT_EQ(port->kind(), PortKind::Printer);
  EXPECT_EQ(h.form->PortHandle(), port->PortHandle());
  EXPECT_GE(h.form->PortHandle(), 1);
  EXPECT_TRUE(problems.str().empty());
  EXPECT_EQ(kernel.written, (std::map<std::string, std::string>{{"/dev/lp1", "\x24"}}));
  h.form->close();
  EXPECT_EQ(kernel.openHandles(), 0);  // closing the window gives the port back
  EXPECT_EQ(kernel.written["/dev/lp1"], "\x24\x24");

  // A port that does not take the idle byte is no port: the usual box, and why on stderr.
  FakePortSystem refusing;
  refusing.add("/dev/lp0", FakePortSystem::Kind::Printer);
  refusing.failNext("write", EIO);
  problems.str("");
  options.openPort = realPortOpener(refusing, "/dev", &problems);
  MainWindowHarness second(options);
  second.start();
  EXPECT_EQ(second.prompts.texts(), QStringList{"Imposible comunicar con el puerto paralelo."});
  EXPECT_EQ(problems.str(),
            "tavrix: Imposible comunicar con el puerto paralelo.\n/dev/lp0: error del sistema: "
            "Input/output error.\n");
  EXPECT_EQ(refusing.openHandles(), 0);
}

// `portdevice` names the one node tavrix uses: nothing else is looked at, and when that node
// is no port the start-up box is the usual one (the reason goes to standard error).
TEST(Startup, PortDeviceOfTheDeviceFileIsTheOnlyNodeTried) {
  FakePortSystem kernel;
  kernel.add("/dev/lp0", FakePortSystem::Kind::Printer);
  kernel.add("/dev/parport1", FakePortSystem::Kind::Ppdev);
  kernel.add("/dev/null", FakePortSystem::Kind::Mute);
  for (const char* node : {"/dev/parport1", "/dev/null"}) {
    SCOPED_TRACE(node);
    kernel.calls.clear();
    StartupOptions options;
    TempFiles ini;
    options.configPath = ini.write(
        "Tavrix.ini", "[Config]\n  portdevice = " + QByteArray(node) + "  \n" + smallIni());
    std::ostringstream problems;
    options.openPort = realPortOpener(kernel, "/dev", &problems);
    MainWindowHarness h(options);
    h.start();
    for (const std::string& call : kernel.calls)
      EXPECT_EQ(call.find("/dev/lp"), std::string::npos) << call;
    if (std::string(node) == "/dev/parport1") {
      EXPECT_TRUE(h.prompts.boxes.isEmpty());
      auto* port = dynamic_cast<ParallelPort*>(h.form->port());
      ASSERT_NE(port, nullptr);
      EXPECT_EQ(port->kind(), PortKind::Ppdev);
      EXPECT_EQ(port->portPath(), "/dev/parport1");
    } else {
      EXPECT_EQ(h.prompts.texts(), QStringList{"Imposible comunicar con el puerto paralelo."});
      EXPECT_TRUE(h.form->endRequested());
      EXPECT_EQ(problems.str(), "tavrix: Imposible comunicar con el puerto paralelo.\n/dev/null: " +
                                    std::string(texts::kNodeDoesNotAnswer) + ".\n");
    }
  }
}

TEST(Closing, AsksNothingWritesNothingAndClosesThePort) {
  MainWindowHarness h(smallIni("/nonexistent/last.hex"));
  h.start();
  const QByteArray ini = h.files.read("Tavrix.ini");
  const QStringList before = QDir(h.files.path("")).entryList(QDir::Files);
  h.form->show();
  h.form->Exit1->trigger();
  QApplication::processEvents();
  EXPECT_FALSE(h.form->isVisible());
  EXPECT_TRUE(h.prompts.boxes.isEmpty());
  EXPECT_EQ(h.files.read("Tavrix.ini"), ini);
  EXPECT_EQ(QDir(h.files.path("")).entryList(QDir::Files), before);
  EXPECT_EQ(h.form->port(), nullptr);
}

TEST(Identifier, UnreadableTextReadsAsZeroAndIsRewritten) {
  MainWindowHarness h(smallIni());
  h.start();
  h.form->EditIdent->setText("1g");
  emit h.form->EditIdent->textEdited("1g");
  EXPECT_EQ(h.form->ReadIdent(), 0);
  EXPECT_EQ(h.form->EditIdent->text(), "0000");
  h.form->ShowIdent(0x12);
  EXPECT_EQ(h.form->EditIdent->text(), "0012");
}

TEST(DeviceMenu, ExactlyOneTickAfterAnySelectionsAndRefusedDevicesKeepThePrevious) {
  QByteArray ini = smallIni() + "[PICHUGE]\nProgMem=2000000000\n[PICWIDE]\nProgBits=40\n";
  MainWindowHarness h(ini);
  h.start();
  const QList<QAction*> items = h.form->Device1->actions();
  ASSERT_EQ(items.size(), 5);
  auto ticked = [&] {
    QStringList out;
    for (QAction* a : items)
      if (a->isChecked()) out.append(a->text());
    return out;
  };
  for (int i : {1, 2, 0, 0, 2, 1}) {
    items[i]->trigger();
    EXPECT_EQ(ticked(), QStringList({items[i]->text()}));
  }
  items[3]->trigger();
  EXPECT_EQ(ticked(), QStringList({"PIC16F73"}));
  EXPECT_EQ(h.form->devices().CurrentDevice.Name, "PIC16F73");
  ASSERT_EQ(h.prompts.boxes.size(), 1);
  EXPECT_TRUE(h.prompts.boxes[0].text.contains("PICHUGE"));
  items[4]->trigger();
  EXPECT_EQ(ticked(), QStringList({"PIC16F73"}));
  EXPECT_EQ(h.panels()[0], "PIC16F73");
}

TEST(DeviceMenu, SwitchingToADeviceWithoutEepromKeepsTheOldCellsAndDisablesTheGrid) {
  MainWindowHarness h(smallIni());
  h.start();
  h.form->image().setEeText(3, "AB");
  h.form->image().noteEeEdit(3);
  h.form->Device1->actions()[1]->trigger();
  EXPECT_FALSE(h.form->DatosEditG->isEnabled());
  EXPECT_EQ(h.form->image().eeText(3), "AB");
  EXPECT_EQ(h.panels()[2], "EE=4(0)");
  EXPECT_EQ(h.panels()[1], "PR=0(4096)");
  EXPECT_EQ(h.panels()[4], "CONF=3FFF");
  h.form->Device1->actions()[0]->trigger();
  EXPECT_TRUE(h.form->DatosEditG->isEnabled());
  EXPECT_EQ(h.form->image().eeText(3), "FF");
  EXPECT_EQ(h.panels()[2], "EE=0(64)");
}

}  // namespace

namespace {

TEST(ConfigurationEditor, ClosingItAnyWayRefreshesEveryPanel) {
  MainWindowHarness h(smallIni());
  h.start();
  h.form->show();
  // State changed behind the status bar's back: it shows it only after the editor closes.
  h.form->image().setProgEnd(7);
  h.form->image().SetPalConf(0x3FF2);
  EXPECT_EQ(h.panels()[1], "PR=0(1024)");
  QTimer::singleShot(0, [&] { h.form->palConfForm()->close(); });
  h.form->ButPalConfClick();
  EXPECT_EQ(h.panels(), QStringList({"PIC16F84A", "PR=7(1024)", "EE=0(64)", "RA=68", "CONF=3FF2"}));

  h.form->image().setEEPromEnd(3);
  QTimer::singleShot(0, [&] { h.form->palConfForm()->reject(); });
  h.form->ConfigurarPIC1->trigger();
  EXPECT_EQ(h.panels()[2], "EE=3(64)");
}

TEST(AboutBox, ShownModallyFromTheHelpMenuAndClosedByOk) {
  MainWindowHarness h(smallIni());
  h.start();
  h.form->show();
  bool shownModal = false;
  bool stillOpen = false;
  QTimer::singleShot(0, [&] {
    TAboutForm* about = h.form->aboutForm();
    shownModal = about->isVisible() && about->isModal();
    EXPECT_EQ(about->windowTitle(), "Sobre Tavrix");
    EXPECT_EQ(about->Label3->text(), QStringLiteral("versión " TAVRIX_VERSION));
    EXPECT_EQ(about->size(), QSize(247, 142));
    EXPECT_EQ(about->focusWidget(), about->okbut);
    // Escape and the window manager's close leave it open: OK is the only way out.
    QTest::keyClick(about, Qt::Key_Escape);
    QCloseEvent request;  // the window manager's close, as Qt receives it
    QCoreApplication::sendEvent(about->windowHandle(), &request);
    QApplication::processEvents();
    stillOpen = about->isVisible();
    about->okbut->click();
  });
  h.form->SobreProgramaPIC1->trigger();
  EXPECT_TRUE(shownModal);
  EXPECT_TRUE(stillOpen);
  EXPECT_FALSE(h.form->aboutForm()->isVisible());
}

TEST(AboutBox, BoardNoteIsCentred) {
  TAboutForm about;
  about.setBoardNote(QStringLiteral("(placa virtual)"));
  EXPECT_EQ(about.Label5->text(), "(placa virtual)");
  EXPECT_LE(std::abs(about.Label5->geometry().center().x() - about.rect().center().x()), 1);
  EXPECT_EQ(about.Label5->y(), 64);
}

TEST(StatusBar, ConfPanelIsLegibleAndEveryWordFits) {
  MainWindowHarness h(smallIni());
  h.start();
  QLabel* panel = h.form->leftPanels[4];
  EXPECT_EQ(panel->width(), 50);
  const QFontMetrics metrics(panel->font());
  EXPECT_GE(metrics.capHeight(), 9);
  EXPECT_GE(metrics.tightBoundingRect(QStringLiteral("CONF=3FFF")).height(), 9);
  const int room = panel->contentsRect().width() - panel->indent();
  for (QChar first : QStringView(u"0123"))
    for (QChar digit : QStringView(u"0123456789ABCDEF")) {
      const QString text = QStringLiteral("CONF=") + first + digit + digit + digit;
      EXPECT_LE(metrics.horizontalAdvance(text), room) << text.toStdString();
    }
  EXPECT_EQ(panel->text(), "CONF=3FF1");
  EXPECT_EQ(panel->toolTip(), "CONF=3FF1");
}

}  // namespace
