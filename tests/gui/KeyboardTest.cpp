// The main window without a mouse: the focus order of Tab and Shift+Tab, moving within the grids,
// and the main flows (a device, a file, the areas, write, compare, read) by keys alone.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>

#include <algorithm>

#include <gtest/gtest.h>

#include "app/ImageGrid.h"
#include "app/TTavrixForm.h"
#include "app/VirtualProgrammer.h"
#include "link/VirtualClock.h"
#include "sim/VirtualChip.h"
#include "support/ScriptedPrompts.h"
#include "support/TempFiles.h"

namespace tavrix::test {
namespace {

// Where a key goes on a real keyboard: the open menu, else the widget with the focus.
QWidget* keyTarget() {
  if (QWidget* popup = QApplication::activePopupWidget()) return popup;
  return QApplication::focusWidget();
}

void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  QWidget* target = keyTarget();
  ASSERT_NE(target, nullptr) << "no widget takes the keys";
  QTest::keyClick(target, key, modifiers);
  QApplication::processEvents();
}

void type(const QString& text) {
  for (QChar c : text) {
    QWidget* target = keyTarget();
    ASSERT_NE(target, nullptr);
    QTest::keyClicks(target, QString(c));
  }
  QApplication::processEvents();
}

class Keyboard : public ::testing::Test {
 protected:
  Keyboard() : programmer(clock), form(prompts, programmer.startupOptions(TAVRIX_SHIPPED_INI)) {
    form.Principal();
    form.show();
    QApplication::setActiveWindow(&form);
    EXPECT_TRUE(QTest::qWaitForWindowActive(&form));
  }

  QWidget* focus() const { return QApplication::focusWidget(); }
  QString focusName() const { return focus() ? focus()->objectName() : QStringLiteral("(none)"); }

  // Alt alone opens the menu bar; Right moves along it, Down opens a menu at its first item.
  void menuItem(int menu, int item) {
    QTest::keyPress(focus(), Qt::Key_Alt);
    QTest::keyRelease(focus(), Qt::Key_Alt, Qt::AltModifier);
    ASSERT_EQ(focus(), form.menuBar()) << "Alt did not reach the menu bar";
    for (int i = 0; i < menu; ++i) press(Qt::Key_Right);
    press(Qt::Key_Down);
    ASSERT_NE(QApplication::activePopupWidget(), nullptr) << "no menu opened";
    for (int i = 0; i < item; ++i) press(Qt::Key_Down);
    press(Qt::Key_Return);
  }

  // Tab (or Shift+Tab) until `target` has the focus; the names of the controls passed on the way.
  QStringList tabTo(QWidget* target, bool back = false) {
    QStringList path;
    for (int i = 0; i < 20 && focus() != target; ++i) {
      press(back ? Qt::Key_Backtab : Qt::Key_Tab, back ? Qt::ShiftModifier : Qt::NoModifier);
      path << focusName();
    }
    EXPECT_EQ(focus(), target) << path.join(' ').toStdString();
    return path;
  }

  VirtualClock clock;
  VirtualProgrammer programmer;
  ScriptedPrompts prompts;
  TTavrixForm form;
};

TEST_F(Keyboard, TabVisitsEachControlOnceInOrderAndLeavesTheGrids) {
  EXPECT_EQ(focus(), form.BotonLeer);
  const QStringList round = {"BotonDesprotege", "ButPalConf",  "EditIdent",   "HexEditG",
                             "CBmemprog",       "CBmemdatos",  "CBpalconfig", "CBident",
                             "DatosEditG",      "BotonReabre", "BotonBlkChk", "BotonEscribir",
                             "BotonVerificar",  "BotonLeer"};
  EXPECT_EQ(tabTo(form.BotonLeer, false).size(), 0);
  QStringList path;
  for (int i = 0; i < round.size(); ++i) {
    press(Qt::Key_Tab);
    path << focusName();
  }
  EXPECT_EQ(path, round);
  QStringList backPath;
  for (int i = 0; i < round.size(); ++i) {
    press(Qt::Key_Backtab, Qt::ShiftModifier);
    backPath << focusName();
  }
  QStringList reversed = round;
  std::reverse(reversed.begin(), reversed.end());
  reversed.removeFirst();
  reversed << "BotonLeer";
  EXPECT_EQ(backPath, reversed);

  // Inside a grid the keys move between cells; Tab, Shift+Tab and Ctrl+Tab leave it.
  tabTo(form.HexEditG);
  // Where typing would go is shown: the first cell, selected.
  EXPECT_EQ(form.HexEditG->currentIndex(), form.HexEditG->model()->index(0, 0));
  EXPECT_TRUE(form.HexEditG->selectionModel()->isSelected(form.HexEditG->currentIndex()));
  QAbstractItemModel* cells = form.HexEditG->model();
  form.HexEditG->setCurrentIndex(cells->index(0, 0));
  auto at = [&] {
    const QModelIndex i = form.HexEditG->currentIndex();
    return QPoint(i.column(), i.row());
  };
  press(Qt::Key_Right);
  press(Qt::Key_Down);
  EXPECT_EQ(at(), QPoint(1, 1));
  press(Qt::Key_End);
  EXPECT_EQ(at(), QPoint(15, 1));
  press(Qt::Key_Return);  // past the row's end, to the next row's first cell
  EXPECT_EQ(at(), QPoint(0, 2));
  press(Qt::Key_Return, Qt::ShiftModifier);
  EXPECT_EQ(at(), QPoint(15, 1));
  press(Qt::Key_Home);
  EXPECT_EQ(at(), QPoint(0, 1));
  press(Qt::Key_PageDown);
  EXPECT_GT(at().y(), 5);
  press(Qt::Key_PageUp);
  EXPECT_EQ(at(), QPoint(0, 1));
  EXPECT_EQ(focus(), form.HexEditG);
  press(Qt::Key_Tab, Qt::ControlModifier);
  EXPECT_EQ(focus(), form.CBmemprog);
  press(Qt::Key_Backtab, Qt::ShiftModifier);
  EXPECT_EQ(focus(), form.HexEditG);
  press(Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(focus(), form.EditIdent);
}

TEST_F(Keyboard, TypingInAGridMovesOnWithEnterAndTabLeavesWithTheTextKept) {
  tabTo(form.HexEditG);
  form.HexEditG->setCurrentIndex(form.HexEditG->model()->index(0, 0));
  // Typing opens the cell's editor; Enter keeps the text and goes to the next address.
  type(QStringLiteral("2805"));
  press(Qt::Key_Return);
  type(QStringLiteral("0000"));
  press(Qt::Key_Return);
  EXPECT_EQ(form.image().progText(0), "2805");
  EXPECT_EQ(form.image().progText(1), "0000");
  EXPECT_EQ(form.HexEditG->currentIndex().column(), 2);
  EXPECT_EQ(form.leftPanels[1]->text(), "PR=2(1024)");
  // Tab in the middle of an edit keeps the text too, and leaves the grid.
  type(QStringLiteral("3fff"));
  press(Qt::Key_Tab);
  EXPECT_EQ(form.image().progText(2), "3fff");
  EXPECT_EQ(focus(), form.CBmemprog);
  EXPECT_EQ(form.leftPanels[1]->text(), "PR=3(1024)");
}

TEST_F(Keyboard, MainFlowsByKeysAlone) {
  TempFiles files;
  const QString firmware = fixturePath(QStringLiteral("PIC16F628-Course__display.hex"));
  form.setHexPathChooser([&](QWidget*) { return firmware; });

  // "Dispositivo", sixth device: PIC16F628.
  menuItem(1, 5);
  ASSERT_NE(focus(), nullptr) << "the focus went nowhere";
  EXPECT_EQ(form.devices().CurrentDevice.Name, "PIC16F628");
  // "Archivo" → "Abrir HEX".
  menuItem(0, 0);
  EXPECT_EQ(form.windowTitle(), "Tavrix - PIC16F628-Course__display.hex (placa virtual)");
  const int end = form.image().ProgEnd();
  ASSERT_GT(end, 16);
  const QString first = form.image().progText(0);

  // The areas: the identifier as well as program memory.
  tabTo(form.CBident);
  press(Qt::Key_Space);
  EXPECT_TRUE(form.CBident->isChecked());
  EXPECT_TRUE(form.CBmemprog->isChecked());

  // Write with Enter on the button, compare with Space, read with Enter.
  tabTo(form.BotonEscribir);
  press(Qt::Key_Return);
  EXPECT_EQ(prompts.texts(), QStringList{"Operación Completada."});
  VirtualChip* chip = programmer.chip();
  ASSERT_NE(chip, nullptr);
  EXPECT_EQ(chip->programWord(0), first.toInt(nullptr, 16));
  EXPECT_EQ(chip->programWord(end - 1), form.image().progText(end - 1).toInt(nullptr, 16));

  prompts.clear();
  tabTo(form.BotonVerificar);
  press(Qt::Key_Space);
  EXPECT_EQ(prompts.texts(), QStringList{"Operación Completada."});

  prompts.clear();
  chip->setProgramWord(0, 0x0123);
  tabTo(form.BotonLeer);
  press(Qt::Key_Return);
  EXPECT_EQ(prompts.texts(), QStringList{"Operación Completada."});
  EXPECT_EQ(form.image().progText(0), "0123");
  EXPECT_EQ(form.leftPanels[1]->text(), "PR=2048(2048)");
  EXPECT_EQ(chip->timingViolations(), 0);
  // The focus is where the user left it.
  EXPECT_EQ(focus(), form.BotonLeer);
}

}  // namespace
}  // namespace tavrix::test
