#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include "device/DeviceDef.h"
#include "dialogs/TPalConfForm.h"
#include "image/MemoryImage.h"

namespace tavrix {
namespace {

class PalConfFormTest : public ::testing::Test {
 protected:
  PalConfFormTest() : image(dev), form(image) {}

  QCheckBox* box(int i) { return form.findChild<QCheckBox*>(QStringLiteral("PC%1").arg(i)); }
  QRadioButton* osc(int k) { return form.findChild<QRadioButton*>(QStringLiteral("Osc%1").arg(k)); }
  QString shown() { return form.findChild<QLineEdit*>(QStringLiteral("PalEdit"))->text(); }
  QStringList captions() {
    QStringList list;
    for (int i = 13; i >= 0; --i) list << box(i)->text();
    return list;
  }
  // Clicks a widget inside the shown dialog.
  void click(QWidget* w) { QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(6, w->height() / 2)); }

  DeviceDef dev;
  MemoryImage image;
  TPalConfForm form;
};

TEST_F(PalConfFormTest, LayoutAndTexts) {
  EXPECT_EQ(form.size(), QSize(569, 381));
  EXPECT_EQ(form.windowTitle(), QString::fromUtf8("Palabra de Configuración"));
  EXPECT_TRUE(form.isModal());
  auto* palConfBox = form.findChild<QGroupBox*>(QStringLiteral("PalConfBox"));
  ASSERT_NE(palConfBox, nullptr);
  EXPECT_EQ(palConfBox->geometry(), QRect(8, 0, 201, 361));
  EXPECT_EQ(palConfBox->title(), QString::fromUtf8("Palabra de Configuración"));
  for (int i = 0; i < 14; ++i) {
    ASSERT_NE(box(i), nullptr) << i;
    EXPECT_EQ(box(i)->parentWidget(), palConfBox);
    EXPECT_EQ(box(i)->geometry(), QRect(20, i == 6 ? 162 : 16 + 24 * i, 101, 31)) << i;
    EXPECT_EQ(box(i)->isEnabled(), i >= 2) << i;
  }
  EXPECT_EQ(box(6)->y(), 162);
  auto* group = form.findChild<QGroupBox*>(QStringLiteral("GroupBox1"));
  ASSERT_NE(group, nullptr);
  EXPECT_EQ(group->title(), "Oscilador");
  EXPECT_EQ(group->geometry(), QRect(224, 0, 233, 121));
  const char* oscTexts[] = {"Low Power (32-200 KHz)", "Xtal (100 KHz - 4 MHz)", "Xtal (4-20 MHz)",
                            "RC"};
  for (int k = 0; k < 4; ++k) {
    ASSERT_NE(osc(k), nullptr);
    EXPECT_EQ(osc(k)->parentWidget(), group);
    EXPECT_EQ(osc(k)->text(), oscTexts[k]);
    EXPECT_EQ(osc(k)->geometry(), QRect(8, 24 + 24 * k, k == 0 ? 169 : 161, 17));
  }
  const std::pair<int, const char*> legend[] = {
      {1, "Palabra de Configuración:"},
      {2, "WDTE: Watch Dog Timer Enable"},
      {3, "_PWRTE: Power-On Timer Enable (Nivel Bajo)"},
      {4, "BODEN: Brown-Out Reset Enable"},
      {5, "LVP: Low Voltage In-Circuit Serial Programming Enable"},
      {9, "CP: Code Protection Disable"},
      {10, "CPx: Selective Code Protection Disable"},
      {6, "CPD: Data EE Memory Code Protection Disable"},
      {7, "WRT: Flash Program Memory Write Enable"},
      {8, "DEBUG: In-Circuit Debugger Disable"},
      {12, "MPEEN: Memory Parity Error Enable"},
      {11, "- No  Implementado"}};
  int top = 128;
  for (const auto& [n, text] : legend) {
    auto* label = form.findChild<QLabel*>(QStringLiteral("Label%1").arg(n));
    ASSERT_NE(label, nullptr) << n;
    EXPECT_EQ(label->text(), QString::fromUtf8(text));
    EXPECT_EQ(label->pos(), QPoint(224, top)) << n;
    top += top == 128 ? 32 : 16;
  }
  auto* palEdit = form.findChild<QLineEdit*>(QStringLiteral("PalEdit"));
  ASSERT_NE(palEdit, nullptr);
  EXPECT_FALSE(palEdit->isEnabled());
  EXPECT_EQ(palEdit->geometry(), QRect(408, 128, 49, 24));
  EXPECT_EQ(palEdit->text(), "0000");
  auto* button = form.findChild<QPushButton*>(QStringLiteral("Button1"));
  ASSERT_NE(button, nullptr);
  EXPECT_EQ(button->text(), "Cerrar");
  EXPECT_EQ(button->geometry(), QRect(280, 344, 121, 25));
}

TEST_F(PalConfFormTest, CreatedInItsDesignStateWithoutTouchingTheWord) {
  // Osc2 selected, every box clear, "0000" shown, although bits 1:0 of the word are 00.
  EXPECT_TRUE(osc(2)->isChecked());
  EXPECT_FALSE(osc(0)->isChecked());
  for (int i = 0; i < 14; ++i) EXPECT_FALSE(box(i)->isChecked()) << i;
  EXPECT_EQ(shown(), "0000");
  EXPECT_EQ(form.GetPalConf(), 0);

  // Creation writes nothing into the image: a word already there stays, unannounced.
  image.SetPalConf(0x3FF1);
  QSignalSpy changes(&image, &MemoryImage::palConfChanged);
  TPalConfForm second(image);
  EXPECT_EQ(changes.count(), 0);
  EXPECT_EQ(image.GetPalConf(), 0x3FF1);
  EXPECT_EQ(second.GetPalConf(), 0x3FF1);  // the boxes are the image's word
  EXPECT_EQ(second.findChild<QLineEdit*>(QStringLiteral("PalEdit"))->text(), "0000");
  // The first word loaded replaces the design state.
  second.SetPalConf(0x3FFC);
  EXPECT_TRUE(second.findChild<QRadioButton*>(QStringLiteral("Osc0"))->isChecked());
  EXPECT_EQ(second.findChild<QLineEdit*>(QStringLiteral("PalEdit"))->text(), "3FFC");
}

TEST_F(PalConfFormTest, SetPalConfLoadsBoxesOscillatorAndDisplay) {
  form.SetPalConf(0x3FF1);
  for (int i = 0; i < 14; ++i) EXPECT_EQ(box(i)->isChecked(), i == 0 || i >= 4) << i;
  EXPECT_TRUE(osc(1)->isChecked());
  EXPECT_EQ(shown(), "3FF1");
  EXPECT_EQ(form.GetPalConf(), 0x3FF1);
  EXPECT_EQ(image.GetPalConf(), 0x3FF1);

  form.SetPalConf(0x3FFF);
  EXPECT_TRUE(osc(3)->isChecked());
  EXPECT_EQ(form.GetPalConf(), 0x3FFF);
  form.SetPalConf(0x3FFC);
  EXPECT_TRUE(osc(0)->isChecked());
  EXPECT_FALSE(osc(3)->isChecked());
  EXPECT_EQ(form.GetPalConf(), 0x3FFC);
  form.SetPalConf(0x3FFE);
  EXPECT_TRUE(osc(2)->isChecked());

  form.SetPalConf(0x3FFF + (1 << 16));
  EXPECT_EQ(shown(), "3FFF");
  EXPECT_EQ(form.GetPalConf(), 0x3FFF);
  form.SetPalConf(-1);
  for (int i = 0; i < 14; ++i) EXPECT_FALSE(box(i)->isChecked()) << i;
  EXPECT_TRUE(osc(0)->isChecked());
  EXPECT_EQ(shown(), "0000");
  EXPECT_EQ(image.GetPalConf(), 0);
}

TEST_F(PalConfFormTest, FollowsWordsLoadedIntoTheImage) {
  // Device selection, the HEX reader and a chip read load the word into the image.
  image.SetPalConf(0x2A56);
  EXPECT_EQ(form.GetPalConf(), 0x2A56);
  EXPECT_EQ(shown(), "2A56");
  EXPECT_TRUE(osc(2)->isChecked());
  image.setPalConfBit(13, false);
  EXPECT_FALSE(box(13)->isChecked());
  EXPECT_EQ(shown(), "0A56");
}

TEST_F(PalConfFormTest, ClicksChangeTheWordAtOnce) {
  form.SetPalConf(0x3FF1);
  form.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));

  click(osc(2));
  EXPECT_TRUE(osc(2)->isChecked());
  EXPECT_EQ(shown(), "3FF2");
  EXPECT_EQ(image.GetPalConf(), 0x3FF2);
  EXPECT_FALSE(box(0)->isChecked());
  EXPECT_TRUE(box(1)->isChecked());
  click(osc(3));
  EXPECT_EQ(shown(), "3FF3");
  click(osc(0));
  EXPECT_EQ(image.GetPalConf(), 0x3FF0);
  click(osc(1));
  EXPECT_EQ(image.GetPalConf(), 0x3FF1);

  click(box(3));
  EXPECT_TRUE(box(3)->isChecked());
  EXPECT_EQ(shown(), "3FF9");
  EXPECT_EQ(image.GetPalConf(), 0x3FF9);
  click(box(13));
  EXPECT_EQ(shown(), "1FF9");
  EXPECT_EQ(form.GetPalConf(), 0x1FF9);
  EXPECT_EQ(image.GetPalConf(), 0x1FF9);

  // The oscillator bits cannot be clicked directly.
  click(box(0));
  click(box(1));
  EXPECT_EQ(image.GetPalConf(), 0x1FF9);
  EXPECT_TRUE(osc(1)->isChecked());
  form.hide();
}

TEST_F(PalConfFormTest, ClosingKeepsEveryChange) {
  form.SetPalConf(0x3FF1);
  QTimer::singleShot(0, &form, [this] {
    click(box(7));
    click(form.findChild<QPushButton*>(QStringLiteral("Button1")));
  });
  EXPECT_EQ(form.exec(), 1);
  EXPECT_EQ(image.GetPalConf(), 0x3F71);
  EXPECT_EQ(form.GetPalConf(), 0x3F71);

  // Closed by the window manager.
  QTimer::singleShot(0, &form, [this] {
    click(osc(3));
    form.close();
  });
  form.exec();
  EXPECT_FALSE(form.isVisible());
  EXPECT_EQ(image.GetPalConf(), 0x3F73);
  EXPECT_EQ(shown(), "3F73");
}

TEST_F(PalConfFormTest, SetPalNamesSplitsOnSingleSpaces) {
  form.SetPalNames(
      QStringLiteral("CP1 CP0 DEBUG - WRT CPD LVP BODEN CP1 CP0 _PWRTE WDTE FOSC1 FOSC0"));
  EXPECT_EQ(captions(),
            (QStringList{"CP1 ", "CP0 ", "DEBUG ", "- ", "WRT ", "CPD ", "LVP ", "BODEN ", "CP1 ",
                         "CP0 ", "_PWRTE ", "WDTE ", "FOSC1 ", "FOSC0"}));
  form.SetPalNames(QStringLiteral("- - - - - - - - - - - - - -"));
  for (int i = 1; i < 14; ++i) EXPECT_EQ(box(i)->text(), "- ");
  EXPECT_EQ(box(0)->text(), "-");
  EXPECT_TRUE(box(5)->isEnabled());  // an unimplemented bit stays clickable
}

TEST_F(PalConfFormTest, SetPalNamesEdgeCases) {
  form.SetPalNames(QStringLiteral("A B"));
  EXPECT_EQ(box(13)->text(), "A ");
  for (int i = 12; i >= 1; --i) EXPECT_EQ(box(i)->text(), "") << i;
  EXPECT_EQ(box(0)->text(), "B");

  form.SetPalNames(QStringLiteral("A  B C"));
  EXPECT_EQ(box(13)->text(), "A ");
  EXPECT_EQ(box(12)->text(), " ");
  EXPECT_EQ(box(11)->text(), "B ");
  for (int i = 10; i >= 1; --i) EXPECT_EQ(box(i)->text(), "") << i;
  EXPECT_EQ(box(0)->text(), "C");

  form.SetPalNames(QStringLiteral("n13 n12 n11 n10 n9 n8 n7 n6 n5 n4 n3 n2 n1 n0 x  y"));
  EXPECT_EQ(box(13)->text(), "n13 ");
  EXPECT_EQ(box(1)->text(), "n1 ");
  EXPECT_EQ(box(0)->text(), "n0 x  y");

  form.SetPalNames(QString());
  for (int i = 0; i < 14; ++i) EXPECT_EQ(box(i)->text(), "") << i;
  // Names change captions only, never the word.
  form.SetPalConf(0x3FF1);
  form.SetPalNames(QStringLiteral("A B"));
  EXPECT_EQ(form.GetPalConf(), 0x3FF1);
}

}  // namespace
}  // namespace tavrix
