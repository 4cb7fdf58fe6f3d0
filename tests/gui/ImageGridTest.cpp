#include <QAbstractButton>
#include <QAbstractItemModelTester>
#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include "app/ImageGrid.h"
#include "device/DeviceDef.h"
#include "image/GridTableModel.h"
#include "image/MemoryImage.h"

namespace tavrix {
namespace {

class ImageGridTest : public ::testing::Test {
 protected:
  ImageGridTest()
      : image(dev),
        progModel(image, GridTableModel::Program),
        eeModel(image, GridTableModel::EEProm) {
    dev.Name = QStringLiteral("PIC16F84");
    dev.ProgMem = 1024;
    dev.EEProm = 64;
    dev.ProgBits = 14;
    image.ResetProgramGrid();
    image.ResetEEPromGrid();
    window.resize(760, 480);
    HexEditG = new ImageGrid(&progModel, &window);
    HexEditG->setGeometry(8, 32, 737, 265);
    DatosEditG = new ImageGrid(&eeModel, &window);
    DatosEditG->setGeometry(224, 304, 521, 137);
    // What the main window's edit handlers do with the extents.
    QObject::connect(HexEditG, &ImageGrid::cellEdited, [this](int c, int r, const QString&) {
      image.noteProgEdit((r - 1) * 16 + c - 1);
    });
    QObject::connect(DatosEditG, &ImageGrid::cellEdited, [this](int c, int r, const QString&) {
      image.noteEeEdit((r - 1) * 16 + c - 1);
    });
    window.show();
    QApplication::setActiveWindow(&window);
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
  }

  // Types into a cell as a user does: select it, type (the first key opens the editor over the
  // old text), then Return commits.
  void typeInto(ImageGrid* grid, int ACol, int ARow, const QString& text) {
    grid->setFocus();
    grid->setCurrentIndex(grid->model()->index(ARow - 1, ACol - 1));
    QTest::keyClicks(grid, text.left(1));
    QWidget* editor = QApplication::focusWidget();
    ASSERT_NE(editor, grid) << "typing did not open the editor";
    ASSERT_NE(editor, nullptr);
    QTest::keyClicks(editor, text.mid(1));
    QTest::keyClick(editor, Qt::Key_Return);
    QApplication::processEvents();  // the delegate commits on a queued call
  }

  DeviceDef dev;
  MemoryImage image;
  GridTableModel progModel;
  GridTableModel eeModel;
  QWidget window;
  ImageGrid* HexEditG;
  ImageGrid* DatosEditG;
};

TEST_F(ImageGridTest, LayoutOfBothGrids) {
  EXPECT_EQ(HexEditG->objectName(), "HexEditG");
  EXPECT_EQ(DatosEditG->objectName(), "DatosEditG");
  EXPECT_EQ(HexEditG->model()->rowCount(), 64);
  for (int c = 0; c < 16; ++c) EXPECT_EQ(HexEditG->columnWidth(c), 40);
  EXPECT_EQ(HexEditG->verticalHeader()->width(), 40);
  for (int c = 0; c < 16; ++c) EXPECT_EQ(DatosEditG->columnWidth(c), 28);
  // The EEPROM grid's heading column is 28 px like its other columns until an EEPROM reset.
  EXPECT_EQ(DatosEditG->verticalHeader()->width(), 28);
  image.ResetEEPromGrid();
  EXPECT_EQ(DatosEditG->verticalHeader()->width(), 36);
  // The cells move right at once: the first data column is not under the wider heading.
  const int headingRight = DatosEditG->verticalHeader()->geometry().right();
  EXPECT_EQ(DatosEditG->viewport()->geometry().left(), headingRight + 1);
  EXPECT_EQ(DatosEditG->horizontalHeader()->geometry().left(), headingRight + 1);
  image.ResetProgramGrid();
  image.ResetEEPromGrid();
  EXPECT_EQ(DatosEditG->verticalHeader()->width(), 36);
  EXPECT_EQ(HexEditG->verticalHeader()->width(), 40);
  EXPECT_EQ(HexEditG->rowHeight(0), 20);
  EXPECT_EQ(HexEditG->rowHeight(63), 20);
  EXPECT_EQ(HexEditG->horizontalHeader()->height(), 20);
  EXPECT_EQ(DatosEditG->rowHeight(3), 20);
  EXPECT_EQ(HexEditG->font().pixelSize(), 13);
  EXPECT_EQ(HexEditG->font().family(), "Courier");
  ASSERT_NE(HexEditG->cornerButton(), nullptr);
  EXPECT_EQ(HexEditG->cornerButton()->text(), "PROG");
  EXPECT_EQ(DatosEditG->cornerButton()->text(), "EEPR");
  EXPECT_TRUE(HexEditG->horizontalHeader()->isVisible());
  EXPECT_TRUE(HexEditG->verticalHeader()->isVisible());
  EXPECT_EQ(HexEditG->selectionMode(), QAbstractItemView::ContiguousSelection);
  EXPECT_TRUE(HexEditG->editTriggers() & QAbstractItemView::AnyKeyPressed);
  EXPECT_TRUE(HexEditG->editTriggers() & QAbstractItemView::DoubleClicked);
}

TEST_F(ImageGridTest, HeadingsStayInViewWhenScrolled) {
  HexEditG->scrollToBottom();
  QApplication::processEvents();
  EXPECT_GT(HexEditG->verticalScrollBar()->value(), 0);
  EXPECT_TRUE(HexEditG->horizontalHeader()->isVisible());
  EXPECT_EQ(HexEditG->horizontalHeader()->geometry().top(),
            HexEditG->cornerButton()->geometry().top());
  EXPECT_TRUE(HexEditG->cornerButton()->isVisible());
  // The heading column scrolls with the rows and always names the rows in view.
  const int firstVisibleRow = HexEditG->rowAt(0);
  EXPECT_GT(firstVisibleRow, 0);
  EXPECT_EQ(HexEditG->verticalHeader()->logicalIndexAt(0), firstVisibleRow);
}

TEST_F(ImageGridTest, TypingInACellKeepsTheTextAndRaisesTheExtent) {
  image.setProgEnd(5);
  QSignalSpy edits(HexEditG, &ImageGrid::cellEdited);
  typeInto(HexEditG, 3, 2, QStringLiteral("12g4"));
  ASSERT_EQ(edits.count(), 1);
  EXPECT_EQ(edits[0][0].toInt(), 3);
  EXPECT_EQ(edits[0][1].toInt(), 2);
  EXPECT_EQ(edits[0][2].toString(), "12g4");
  EXPECT_EQ(image.progText(0x12), "12g4");
  EXPECT_EQ(image.ProgEnd(), 19);
  typeInto(HexEditG, 1, 1, QStringLiteral("0"));
  EXPECT_EQ(image.progText(0), "0");
  EXPECT_EQ(image.ProgEnd(), 19);
  EXPECT_EQ(edits.count(), 2);

  QSignalSpy eeEdits(DatosEditG, &ImageGrid::cellEdited);
  typeInto(DatosEditG, 16, 4, QStringLiteral("a5"));
  EXPECT_EQ(image.eeText(63), "a5");
  EXPECT_EQ(image.EEPromEnd(), 64);
  EXPECT_EQ(eeEdits.count(), 1);

  // Typing the text a cell already holds is an edit all the same: it brings the cell in.
  typeInto(HexEditG, 1, 4, QStringLiteral("3FFF"));
  EXPECT_EQ(edits.count(), 3);
  EXPECT_EQ(image.progText(0x30), "3FFF");
  EXPECT_EQ(image.ProgEnd(), 0x31);
}

TEST_F(ImageGridTest, EscapeAndCodeFillsAreNotEdits) {
  QSignalSpy edits(HexEditG, &ImageGrid::cellEdited);
  HexEditG->setFocus();
  HexEditG->setCurrentIndex(progModel.index(0, 4));
  QTest::keyClicks(HexEditG, QStringLiteral("7"));
  QWidget* editor = QApplication::focusWidget();
  ASSERT_NE(editor, HexEditG);
  QTest::keyClick(editor, Qt::Key_Escape);
  QApplication::processEvents();
  EXPECT_EQ(image.progText(4), "3FFF");
  image.setProgText(4, QStringLiteral("2805"));
  image.storeProgValue(5, 0x12);
  QApplication::processEvents();
  EXPECT_EQ(edits.count(), 0);
  EXPECT_EQ(image.ProgEnd(), 0);
  EXPECT_EQ(HexEditG->model()->data(progModel.index(0, 4)).toString(), "2805");
  EXPECT_EQ(HexEditG->model()->data(progModel.index(0, 5)).toString(), "0012");
}

TEST_F(ImageGridTest, FollowsResetsOfTheImage) {
  QAbstractItemModelTester tester(&progModel,
                                  QAbstractItemModelTester::FailureReportingMode::Fatal);
  dev.ProgMem = 20;
  image.ResetProgramGrid();
  EXPECT_EQ(HexEditG->model()->rowCount(), 1);
  dev.ProgMem = 8192;
  image.ResetProgramGrid();
  QApplication::processEvents();
  EXPECT_EQ(HexEditG->model()->rowCount(), 512);
  EXPECT_EQ(HexEditG->rowHeight(511), 20);
  EXPECT_EQ(HexEditG->columnWidth(15), 40);
  EXPECT_EQ(HexEditG->cornerButton()->text(), "PROG");
}

}  // namespace
}  // namespace tavrix
