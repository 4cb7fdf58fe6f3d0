// The progress window: its layout, its captions and when it lets the toolkit run.
#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstdlib>

#include "device/DeviceDef.h"
#include "image/MemoryImage.h"
#include "ops/gui/TProcesaForm.h"

namespace tavrix {
namespace {

TEST(TProcesaForm, LayoutAndInitialCaptions) {
  QMainWindow owner;
  TProcesaForm form(&owner);
  EXPECT_EQ(form.objectName(), "ProcesaForm");
  EXPECT_EQ(form.windowTitle(), "Procesando PIC");
  EXPECT_EQ(form.clientArea()->size(), QSize(268, 134));
  EXPECT_FALSE(form.isVisible());
  // No window manager decorates it, so none adds title-bar buttons; it draws its own caption.
  const Qt::WindowFlags flags = form.windowFlags();
  EXPECT_EQ(flags & Qt::WindowType_Mask, Qt::Dialog);
  EXPECT_TRUE(flags & Qt::FramelessWindowHint);
  EXPECT_FALSE(flags & (Qt::WindowCloseButtonHint | Qt::WindowMinimizeButtonHint |
                        Qt::WindowMaximizeButtonHint | Qt::WindowSystemMenuHint));
  EXPECT_EQ(form.minimumSize(), form.maximumSize());  // nothing to resize or maximise

  struct Expected {
    const char* name;
    const char* text;
    QPoint at;
  };
  const Expected labels[] = {
      {"Accion", "Accion", {32, 16}}, {"Label3", "Progreso:", {32, 40}},
      {"Dir", "Dir", {152, 40}},      {"Label1", "Final Programa;", {32, 72}},
      {"MaxProg", "0", {152, 72}},    {"Label2", "Final EEPROM:", {32, 96}},
      {"MaxEEProm", "0", {152, 96}},
  };
  for (const Expected& e : labels) {
    auto* label = form.findChild<QLabel*>(e.name);
    ASSERT_NE(label, nullptr) << e.name;
    EXPECT_EQ(label->text(), e.text) << e.name;
    EXPECT_EQ(label->pos(), e.at) << e.name;
  }
  EXPECT_EQ(form.Dir, form.findChild<QLabel*>("Dir"));
  EXPECT_EQ(form.Dir->font().family(), "MS Shell Dlg");
  EXPECT_EQ(form.Dir->font().pixelSize(), 17);
  EXPECT_TRUE(form.Dir->font().bold());
  EXPECT_EQ(form.Dir->palette().color(QPalette::Active, QPalette::WindowText), QColor(Qt::black));
  EXPECT_EQ(form.Dir->palette().color(QPalette::Disabled, QPalette::WindowText), QColor(Qt::black));

  // Nothing the user could click or type into.
  EXPECT_TRUE(form.findChildren<QAbstractButton*>().isEmpty());
  EXPECT_TRUE(form.findChildren<QLineEdit*>().isEmpty());
  EXPECT_EQ(form.findChildren<QLabel*>().size(), 7);
}

TEST(TProcesaForm, CaptionsOfEachUpdate) {
  DeviceDef device;
  device.ProgMem = 2048;
  device.EEProm = 128;
  device.ProgBits = 14;
  MemoryImage image(device);
  image.setProgEnd(0x800);
  image.setEEPromEnd(0x80);
  TProcesaForm form;

  form.ShowProgress("Leyendo", "Programa", 7);
  EXPECT_EQ(form.Accion->text(), "Leyendo Programa...");
  EXPECT_EQ(form.Dir->text(), "0007");
  // Without an image both ends show as zero.
  EXPECT_EQ(form.MaxProg->text(), "0000");

  form.setImage(&image);
  form.ShowProgress("Escribiendo", "Identificador", 3);
  EXPECT_EQ(form.Accion->text(), "Escribiendo Identificador mientras verifica...");
  EXPECT_EQ(form.Dir->text(), "0003");
  EXPECT_EQ(form.MaxProg->text(), "0800");
  EXPECT_EQ(form.MaxEEProm->text(), "0080");

  form.ShowProgress("Verificando", "Pal_Conf", -1);
  EXPECT_EQ(form.Accion->text(), "Verificando Pal_Conf...");
  EXPECT_EQ(form.Dir->text(), "FFFFFFFF");

  form.ShowProgress("Comprobando Borrado", "EEPROM", 0x1ABCD);
  EXPECT_EQ(form.Accion->text(), "Comprobando Borrado EEPROM...");
  EXPECT_EQ(form.Dir->text(), "1ABCD");
  // The long write caption is not cut by the window's edge.
  form.ShowProgress("Escribiendo", "Identificador", 0);
  EXPECT_LE(form.Accion->geometry().right(), form.clientArea()->width());
  EXPECT_EQ(form.minimumSize(), form.maximumSize());
}

TEST(TProcesaForm, PendingEventsRunOnTheFirstFiveAndEverySixteenth) {
  TProcesaForm form;
  for (qint64 index : {0, 1, 2, 3, 4, 16, 32, -1, 5, 6, 15, 17, 33}) {
    bool ran = false;
    QTimer::singleShot(0, &form, [&ran] { ran = true; });
    form.ShowProgress("Leyendo", "Programa", index);
    const bool expected = index < 5 || index % 16 == 0;
    EXPECT_EQ(ran, expected) << index;
    QApplication::processEvents();  // clear what a silent update left behind
    EXPECT_TRUE(ran);
  }
}

TEST(TProcesaForm, ShownCentredOverItsOwner) {
  QMainWindow owner;
  owner.setGeometry(100, 120, 750, 495);
  owner.show();
  TProcesaForm form(&owner);
  form.showCentred();
  EXPECT_TRUE(form.isVisible());
  EXPECT_FALSE(form.isModal());
  EXPECT_LE((form.frameGeometry().center() - owner.frameGeometry().center()).manhattanLength(), 40);
  // Widened for its longest caption, it is still centred over the owner.
  const int narrow = form.width();
  const QPoint before = form.frameGeometry().center();
  form.ShowProgress("Escribiendo", "Identificador", 0);
  EXPECT_GT(form.width(), narrow);
  EXPECT_LE(std::abs(form.frameGeometry().center().x() - before.x()), 1);

  // Disabling the owner, as a run does, leaves the captions readable.
  owner.setEnabled(false);
  EXPECT_EQ(
      form.Accion->palette().color(form.Accion->isEnabled() ? QPalette::Active : QPalette::Disabled,
                                   QPalette::WindowText),
      form.palette().color(QPalette::Active, QPalette::WindowText));
}

}  // namespace
}  // namespace tavrix
