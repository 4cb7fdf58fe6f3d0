// The chip operations through the main window's buttons and "Acción" menu, on the virtual chip.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QWindow>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <functional>

#include "app/MessageBoxPrompts.h"
#include "app/TTavrixForm.h"
#include "device/DeviceFile.h"
#include "link/VirtualClock.h"
#include "ops/gui/TProcesaForm.h"
#include "sim/VirtualBoard.h"
#include "sim/VirtualChip.h"
#include "support/ScriptedPrompts.h"

namespace tavrix::test {
namespace {

// Notes the main window's and the progress window's state whenever a box is shown.
class ObservingPrompts : public ScriptedPrompts {
 public:
  std::function<void(const QString&)> onBox;
  void ShowInfo(const QString& text) override {
    if (onBox) onBox(text);
    ScriptedPrompts::ShowInfo(text);
  }
  bool AskYesNo(const QString& caption, const QString& text) override {
    if (onBox) onBox(text);
    return ScriptedPrompts::AskYesNo(caption, text);
  }
  bool AskOnError(const QString& text) override {
    if (onBox) onBox(text);
    return ScriptedPrompts::AskOnError(text);
  }
};

// The shipped device file's first device, PIC16F84A, in the virtual programmer.
class OperationsGui : public ::testing::Test {
 protected:
  OperationsGui()
      : chip(ReadDeviceSection(QStringLiteral(TAVRIX_SHIPPED_INI), QStringLiteral("PIC16F84A")),
             clock) {
    StartupOptions options;
    options.configPath = QStringLiteral(TAVRIX_SHIPPED_INI);
    options.clock = &clock;
    options.openPort = [this](const QString&) { return std::make_unique<VirtualBoard>(&chip); };
    form = std::make_unique<TTavrixForm>(prompts, options);
    form->Principal();
    form->show();
    prompts.onBox = [this](const QString& text) {
      boxes << QStringLiteral("%1 main=%2 progress=%3")
                   .arg(text)
                   .arg(form->isEnabled())
                   .arg(form->procesaForm()->isVisible());
    };
  }

  // Snapshots of the windows at the run's first progress update (events run there).
  void watchNextRun() {
    QTimer::singleShot(0, form.get(), [this] {
      TProcesaForm* p = form->procesaForm();
      during << QStringLiteral("main=%1 progress=%2 %3 %4 %5 %6")
                    .arg(form->isEnabled())
                    .arg(p->isVisible())
                    .arg(p->Accion->text(), p->Dir->text(), p->MaxProg->text(),
                         p->MaxEEProm->text());
    });
  }

  int completions() const { return int(prompts.texts().count("Operación Completada.")); }

  VirtualClock clock;
  VirtualChip chip;
  ObservingPrompts prompts;
  std::unique_ptr<TTavrixForm> form;
  QStringList boxes;
  QStringList during;
};

TEST_F(OperationsGui, EveryButtonAndMenuItemRunsItsOperation) {
  ASSERT_FALSE(form->endRequested());
  struct Case {
    QPushButton* button;
    QAction* item;
    const char* caption;
  };
  const Case cases[] = {
      {form->BotonLeer, form->LeerPIC1, "Leyendo Programa..."},
      {form->BotonEscribir, form->EscribirPIC1, "Escribiendo Programa mientras verifica..."},
      {form->BotonVerificar, form->VerificarPIC1, "Verificando Programa..."},
      {form->BotonBlkChk, form->BlanckCheck1, "Comprobando Borrado Programa..."},
  };
  for (const Case& c : cases) {
    for (int via = 0; via < 2; ++via) {
      prompts.clear();
      boxes.clear();
      during.clear();
      watchNextRun();
      if (via == 0)
        QTest::mouseClick(c.button, Qt::LeftButton);
      else
        c.item->trigger();
      const QString what = QString::fromLatin1(c.caption) + (via ? " (menu)" : " (button)");
      // One completed run: disabled with the progress window up while it ran, and back after.
      ASSERT_EQ(during.size(), 1) << what.toStdString();
      EXPECT_TRUE(during[0].startsWith(QStringLiteral("main=0 progress=1 ") + c.caption))
          << during[0].toStdString();
      EXPECT_EQ(completions(), 1) << what.toStdString();
      EXPECT_EQ(boxes, QStringList{"Operación Completada. main=0 progress=0"})
          << what.toStdString();
      EXPECT_TRUE(form->isEnabled());
      EXPECT_FALSE(form->procesaForm()->isVisible());
    }
  }
  EXPECT_EQ(chip.timingViolations(), 0);
}

TEST_F(OperationsGui, WindowManagerCannotCloseTheProgressWindowMidRun) {
  // At the run's first progress update the window manager's close and minimise arrive.
  QTimer::singleShot(0, form.get(), [this] {
    TProcesaForm* p = form->procesaForm();
    QCloseEvent request;  // the window manager's close, as Qt receives it
    QCoreApplication::sendEvent(p->windowHandle(), &request);
    during << QStringLiteral("after close: main=%1 progress=%2")
                  .arg(form->isEnabled())
                  .arg(request.isAccepted() ? 0 : p->isVisible());
    // Minimised, maximised or full screen, it is put back at the next update.
    for (Qt::WindowState state : {Qt::WindowMinimized, Qt::WindowMaximized, Qt::WindowFullScreen}) {
      p->setWindowState(state);
      p->ShowProgress("Leyendo", "Programa", 0);
      if (!p->isVisible() || p->windowState() != Qt::WindowNoState) during << "not put back";
    }
  });
  form->BotonLeer->click();
  EXPECT_EQ(during, QStringList{"after close: main=0 progress=1"});
  EXPECT_EQ(boxes, QStringList{"Operación Completada. main=0 progress=0"});
  EXPECT_EQ(form->leftPanels[1]->text(), "PR=1024(1024)");
  // The main window answers again, and the next run shows its progress window as before.
  EXPECT_TRUE(form->isEnabled());
  EXPECT_FALSE(form->procesaForm()->isVisible());
  during.clear();
  watchNextRun();
  form->BotonVerificar->click();
  ASSERT_EQ(during.size(), 1);
  EXPECT_TRUE(during[0].startsWith("main=0 progress=1 Verificando Programa..."))
      << during[0].toStdString();
  EXPECT_EQ(form->procesaForm()->windowState(), Qt::WindowNoState);
  EXPECT_EQ(completions(), 2);
}

// However the close comes (the title bar or Alt+F4 through the window manager, "Salir", a quit
// of the application as the desktop's logout makes), it never closes the main window under the
// run: the run stops at its next location as a Cancel would, leaves programming mode, and the
// window closes then. Nothing is left running without a window.
TEST_F(OperationsGui, ClosingTheMainWindowMidRunStopsTheRunAndClosesOnceIdle) {
  struct Case {
    const char* name;
    std::function<void(TTavrixForm&)> close;
  };
  const Case cases[] = {
      {"window manager",
       [](TTavrixForm& f) {
         QCloseEvent request;
         QCoreApplication::sendEvent(f.windowHandle(), &request);
       }},
      {"Salir", [](TTavrixForm& f) { f.Exit1->trigger(); }},
      {"quit", [](TTavrixForm&) { QCoreApplication::quit(); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    VirtualChip fresh(ReadDeviceSection(QStringLiteral(TAVRIX_SHIPPED_INI), "PIC16F84A"), clock);
    StartupOptions options;
    options.configPath = QStringLiteral(TAVRIX_SHIPPED_INI);
    options.clock = &clock;
    options.openPort = [&](const QString&) { return std::make_unique<VirtualBoard>(&fresh); };
    prompts.clear();
    form = std::make_unique<TTavrixForm>(prompts, options);
    form->Principal();
    form->show();
    for (int a = 0; a < 1024; ++a) form->image().storeProgValue(a, 0x0123);
    form->image().setProgEnd(1024);
    bool openUnderTheRun = false;
    // In the application's event loop, as the program runs: it ends once the window is closed.
    QTimer::singleShot(0, form->BotonEscribir, &QPushButton::click);
    QTimer::singleShot(0, form.get(), [&] {
      c.close(*form);
      openUnderTheRun = form->isVisible() && form->procesaForm()->isVisible();
    });
    QTimer guard;
    guard.callOnTimeout(qApp, &QCoreApplication::quit);
    guard.start(60000);
    QApplication::exec();
    EXPECT_TRUE(guard.isActive()) << "the window never closed";
    EXPECT_TRUE(openUnderTheRun);
    EXPECT_FALSE(form->isVisible());
    EXPECT_FALSE(form->procesaForm()->isVisible());
    EXPECT_TRUE(prompts.texts().isEmpty()) << prompts.texts().join('|').toStdString();
    // Stopped at once, out of programming mode and without supply.
    EXPECT_FALSE(fresh.inProgrammingMode());
    EXPECT_EQ(fresh.programWord(0), 0x0123);
    EXPECT_EQ(fresh.programWord(100), 0x3FFF);
    EXPECT_EQ(form->port(), nullptr);  // closed, the board idle first
  }
}

// An error box open when the close comes is answered Cancel, and the window closes after it.
TEST_F(OperationsGui, CloseDuringARunsErrorBoxCancelsItAndCloses) {
  MessageBoxPrompts boxes;
  StartupOptions options;
  options.configPath = QStringLiteral(TAVRIX_SHIPPED_INI);
  options.clock = &clock;
  options.openPort = [this](const QString&) { return std::make_unique<VirtualBoard>(&chip); };
  form = std::make_unique<TTavrixForm>(boxes, options);
  boxes.setParent(form.get());
  form->Principal();
  form->show();
  for (int a = 0; a < 64; ++a) form->image().storeProgValue(a, 0x0123);  // the chip is blank
  form->image().setProgEnd(64);
  int errorBoxes = 0;
  QTimer poll;
  poll.setInterval(0);
  QObject::connect(&poll, &QTimer::timeout, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box || box->property("seen").toBool()) return;
    box->setProperty("seen", true);
    ++errorBoxes;
    QCloseEvent request;
    QCoreApplication::sendEvent(form->windowHandle(), &request);
  });
  poll.start();
  form->BotonVerificar->click();
  poll.stop();
  EXPECT_EQ(errorBoxes, 1);  // the first mismatch; Cancel there stopped the run
  EXPECT_FALSE(form->isVisible());
  EXPECT_FALSE(chip.inProgrammingMode());
}

TEST_F(OperationsGui, ReadFillsTheWindowAndShowsTheFullExtent) {
  chip.setProgramWord(0x3FF, 0x2805);
  chip.setEEPromByte(0x3F, 0x5A);
  chip.setIdWord(0, 0x3F84);
  form->CBmemdatos->setChecked(true);
  form->CBident->setChecked(true);
  form->CBpalconfig->setChecked(true);
  watchNextRun();
  form->BotonLeerClick();
  ASSERT_EQ(during.size(), 1);
  EXPECT_EQ(during[0], "main=0 progress=1 Leyendo Programa... 0000 0400 0000");
  EXPECT_EQ(form->image().progText(0x3FF), "2805");
  EXPECT_EQ(form->image().eeText(0x3F), "5A");
  EXPECT_EQ(form->EditIdent->text(), "FFF4");
  EXPECT_EQ(form->leftPanels[1]->text(), "PR=1024(1024)");
  EXPECT_EQ(form->leftPanels[2]->text(), "EE=64(64)");
  // The progress window keeps its last captions: the EEPROM walk's last byte.
  EXPECT_EQ(form->procesaForm()->Accion->text(), "Leyendo EEPROM...");
  EXPECT_EQ(form->procesaForm()->Dir->text(), "003F");
  EXPECT_EQ(form->procesaForm()->MaxEEProm->text(), "0040");
}

TEST_F(OperationsGui, WriteFromTheWindowReachesTheChip) {
  form->image().storeProgValue(0, 0x2805);
  form->image().storeProgValue(1, 0x0000);
  form->image().setProgEnd(2);
  form->image().setIdentText("1234");
  form->CBident->setChecked(true);
  QTest::mouseClick(form->BotonEscribir, Qt::LeftButton);
  EXPECT_EQ(chip.programWord(0), 0x2805);
  EXPECT_EQ(chip.programWord(1), 0x0000);
  EXPECT_EQ(chip.idWord(0), 0x3F84);
  EXPECT_EQ(chip.idWord(3), 0x3F81);
  EXPECT_EQ(prompts.texts(), QStringList{"Operación Completada."});
  EXPECT_EQ(chip.timingViolations(), 0);
}

TEST_F(OperationsGui, CancelledRunStillGivesTheWindowBack) {
  form->image().storeProgValue(0, 0x1234);
  form->image().setProgEnd(1);
  prompts.cancelAnswers = {true};
  QTest::mouseClick(form->BotonVerificar, Qt::LeftButton);
  EXPECT_EQ(
      prompts.texts(),
      QStringList{"Error de verificación en dir: 0000¿Está la tarjeta en modo programación?"});
  EXPECT_TRUE(form->isEnabled());
  EXPECT_FALSE(form->procesaForm()->isVisible());
  EXPECT_FALSE(chip.inProgrammingMode());
}

// A box over the progress window finds it at the box's location, refresh point or not.
TEST_F(OperationsGui, ErrorBoxFindsTheProgressWindowAtItsLocation) {
  for (int a = 0; a < 64; ++a) form->image().storeProgValue(a, a == 0x23 ? 0x0123 : 0x3FFF);
  form->image().setProgEnd(64);
  QStringList shown;
  prompts.onBox = [&](const QString&) { shown << form->procesaForm()->Dir->text(); };
  form->BotonVerificar->click();
  EXPECT_EQ(prompts.texts().first(),
            "Error de verificación en dir: 0023¿Está la tarjeta en modo programación?");
  EXPECT_EQ(shown.first(), "0023");
  EXPECT_EQ(form->procesaForm()->Dir->text(), "003F");  // hidden with the run's last location
}

TEST_F(OperationsGui, UnprotectNeitherDisablesTheWindowNorShowsProgress) {
  chip.setConfigWord(0x0001);
  chip.setProgramWord(0, 0x1234);
  QTest::mouseClick(form->BotonDesprotege, Qt::LeftButton);
  EXPECT_EQ(boxes, (QStringList{"Esta acción borrará todo el contenido del PIC. ¿Desea "
                                "continuar? main=1 progress=0",
                                "PIC desprotegido. main=1 progress=0"}));
  EXPECT_EQ(chip.programWord(0), 0x3FFF);
  EXPECT_EQ(chip.configWord(), 0x3FFF);

  boxes.clear();
  prompts.yesAnswers = {false};
  chip.setProgramWord(0, 0x1234);
  form->Desproteger1->trigger();
  EXPECT_EQ(boxes.size(), 1);
  EXPECT_EQ(chip.programWord(0), 0x1234);
}

}  // namespace
}  // namespace tavrix::test
