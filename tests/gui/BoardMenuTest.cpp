// "Probar la placa…" and "Identificar PIC" in the simulator's main window: the report window and
// its text, and the device chosen from the chip's identification word.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QTest>

#include "app/TTavrixForm.h"
#include "app/VirtualProgrammer.h"
#include "dialogs/TBoardTestForm.h"
#include "link/VirtualClock.h"
#include "sim/VirtualChip.h"
#include "support/ScriptedPrompts.h"

using namespace tavrix;

namespace {

struct SimWindow {
  SimWindow()
      : programmer(clock),
        form(prompts, programmer.startupOptions(QStringLiteral(TAVRIX_SHIPPED_INI))) {
    form.Principal();
  }
  QStringList ticked() const {
    QStringList names;
    for (QAction* a : form.Device1->actions())
      if (a->isChecked()) names << a->data().toString();
    return names;
  }
  VirtualClock clock;
  VirtualProgrammer programmer;
  test::ScriptedPrompts prompts;
  TTavrixForm form;
};

TEST(BoardMenu, BoardTestReportIsShownInAWindowWhoseTextCanBeCopied) {
  SimWindow w;
  const std::uint64_t contents = w.programmer.chip()->contentsRevision();
  w.form.ProbarPlaca1->trigger();
  TBoardTestForm* report = w.form.boardTestForm();
  ASSERT_TRUE(report->isVisible());
  EXPECT_FALSE(report->isModal());
  EXPECT_EQ(report->windowTitle(), "Prueba de la placa");
  const QString text = report->Informe->toPlainText();
  EXPECT_TRUE(text.startsWith("puerto: placa virtual\ntiempo por byte escrito: "))
      << text.toStdString();
  EXPECT_TRUE(text.contains("\nlínea de datos: bien\n"));
  EXPECT_TRUE(text.contains("\nPIC: PIC16F84A, revisión 1; es el dispositivo elegido\n"));
  EXPECT_TRUE(text.endsWith("\nresultado: todo bien"));
  EXPECT_TRUE(w.prompts.boxes.isEmpty());
  EXPECT_EQ(w.programmer.board().lines(), 0x24);
  EXPECT_EQ(w.programmer.chip()->contentsRevision(), contents);

  // Read only, yet selectable and copyable, by keys and by the button.
  EXPECT_TRUE(report->Informe->isReadOnly());
  EXPECT_TRUE(report->Informe->textInteractionFlags().testFlag(Qt::TextSelectableByMouse));
  EXPECT_TRUE(report->Informe->textInteractionFlags().testFlag(Qt::TextSelectableByKeyboard));
  QApplication::clipboard()->clear();
  report->Informe->setFocus();
  QTest::keyClick(report->Informe, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClick(report->Informe, Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QApplication::clipboard()->text(), text);
  QApplication::clipboard()->clear();
  QTest::mouseClick(report->BotonCopiar, Qt::LeftButton);
  EXPECT_EQ(QApplication::clipboard()->text(), text);

  // Information when all is well, a warning when something is wrong, as the message boxes show.
  auto iconIs = [report](QStyle::StandardPixmap icon) {
    const int size = report->style()->pixelMetric(QStyle::PM_MessageBoxIconSize);
    return report->Icono->pixmap().toImage() ==
           report->style()->standardIcon(icon).pixmap(size, size).toImage();
  };
  EXPECT_FALSE(report->showsProblem());
  EXPECT_TRUE(iconIs(QStyle::SP_MessageBoxInformation));

  // Run again on a broken board: the same window, the new report.
  w.programmer.board().setFaults(BoardFaults{.noChip = true});
  w.form.ProbarPlaca1->trigger();
  EXPECT_TRUE(report->Informe->toPlainText().contains("\nPIC: no responde ningún PIC"));
  EXPECT_TRUE(report->showsProblem());
  EXPECT_TRUE(iconIs(QStyle::SP_MessageBoxWarning));
  EXPECT_EQ(report->windowTitle(), "Prueba de la placa");
  QTest::mouseClick(report->BotonCerrar, Qt::LeftButton);
  EXPECT_FALSE(report->isVisible());
}

TEST(BoardMenu, IdentifyChoosesTheDeviceTheChipAnswersAsTheDeviceMenuWould) {
  SimWindow w;
  MemoryImage& image = w.form.image();
  image.setProgText(0, "2805");
  image.noteProgEdit(0);
  // A PIC16F877, revision 3, in the socket while PIC16F84A is selected.
  w.programmer.chip()->setDeviceIdWord(0x09A3);
  w.form.IdentificarPIC1->trigger();
  EXPECT_EQ(w.form.devices().CurrentDevice.Name, "PIC16F877");
  EXPECT_EQ(w.ticked(), QStringList({"PIC16F877"}));
  EXPECT_EQ(image.progText(0), "3FFF");  // reset as a menu choice resets it
  EXPECT_EQ(image.ProgEnd(), 0);
  EXPECT_EQ(w.form.leftPanels[0]->text(), "PIC16F877");
  EXPECT_EQ(w.prompts.texts(), QStringList({"PIC identificado: PIC16F877, revisión 3 (palabra de "
                                            "identificación 09A3). Elegido en el menú "
                                            "Dispositivo."}));
  // Titled by what ran; information, since nothing is wrong.
  EXPECT_EQ(w.prompts.boxes[0].caption, "Identificar PIC");
  EXPECT_EQ(w.prompts.boxes[0].kind, test::ScriptedPrompts::Kind::Info);

  // The chip answers as the device already chosen: nothing is thrown away.
  w.prompts.clear();
  image.setProgText(0, "2805");
  image.noteProgEdit(0);
  w.form.IdentificarPIC1->trigger();
  EXPECT_EQ(w.ticked(), QStringList({"PIC16F877"}));
  EXPECT_EQ(image.progText(0), "2805");
  EXPECT_EQ(w.prompts.texts(), QStringList({"palabra de configuración: 3FFF\n"
                                            "palabra de identificación: 09A1 (revisión 1)\n"
                                            "PIC: PIC16F877, revisión 1; es el dispositivo "
                                            "elegido"}));

  // Nothing answers: said, and the device stays.
  w.prompts.clear();
  w.programmer.board().setFaults(BoardFaults{.noChip = true});
  w.form.IdentificarPIC1->trigger();
  EXPECT_EQ(w.ticked(), QStringList({"PIC16F877"}));
  ASSERT_EQ(w.prompts.boxes.size(), 1);
  EXPECT_TRUE(w.prompts.boxes[0].text.contains("PIC: no responde ningún PIC"));
  EXPECT_EQ(w.prompts.boxes[0].caption, "Identificar PIC");
  EXPECT_EQ(w.prompts.boxes[0].kind, test::ScriptedPrompts::Kind::Warning);
  EXPECT_EQ(w.programmer.board().lines(), 0x24);

  // A stuck data line is named as the board test names it, not blamed on the socket or the chip.
  for (const bool high : {false, true}) {
    w.prompts.clear();
    w.programmer.board().setFaults(high ? BoardFaults{.data1 = true} : BoardFaults{.data0 = true});
    w.form.IdentificarPIC1->trigger();
    ASSERT_EQ(w.prompts.boxes.size(), 1);
    const QString said = w.prompts.boxes[0].text;
    EXPECT_TRUE(said.startsWith(high ? "línea de datos: siempre 1\nPIC: no se lee con la línea"
                                     : "línea de datos: siempre 0\nPIC: no se lee con la línea"))
        << said.toStdString();
    EXPECT_FALSE(said.contains("zócalo") || said.contains("VPP") || said.contains("borrado"))
        << said.toStdString();
    EXPECT_EQ(w.prompts.boxes[0].kind, test::ScriptedPrompts::Kind::Warning);
    EXPECT_EQ(w.ticked(), QStringList({"PIC16F877"}));
  }
}

}  // namespace
