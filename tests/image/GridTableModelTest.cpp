#include <QAbstractItemModelTester>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include "device/DeviceDef.h"
#include "image/GridTableModel.h"
#include "image/MemoryImage.h"

namespace tavrix {
namespace {

DeviceDef device(int progMem, int eeProm, int bits = 14) {
  DeviceDef d;
  d.Name = QStringLiteral("PIC16F84");
  d.ProgMem = progMem;
  d.EEProm = eeProm;
  d.ProgBits = bits;
  d.Programming = QStringLiteral("Flash");
  return d;
}

struct Fixture {
  explicit Fixture(DeviceDef d)
      : dev(std::move(d)),
        image(dev),
        prog(image, GridTableModel::Program),
        ee(image, GridTableModel::EEProm),
        progTester(&prog, QAbstractItemModelTester::FailureReportingMode::Warning),
        eeTester(&ee, QAbstractItemModelTester::FailureReportingMode::Warning) {}
  DeviceDef dev;
  MemoryImage image;
  GridTableModel prog;
  GridTableModel ee;
  QAbstractItemModelTester progTester;
  QAbstractItemModelTester eeTester;
};

// The tester reports through qWarning; any warning while a model is exercised fails the test.
class WarningTrap {
 public:
  WarningTrap() {
    warnings().clear();
    previous_ = qInstallMessageHandler(&WarningTrap::handler);
  }
  ~WarningTrap() { qInstallMessageHandler(previous_); }
  static QStringList& warnings() {
    static QStringList list;
    return list;
  }

 private:
  static void handler(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type != QtDebugMsg && type != QtInfoMsg) warnings().append(text);
  }
  QtMessageHandler previous_;
};

TEST(GridTableModel, ShapesHeadingsAndCornerFollowTheImage) {
  WarningTrap trap;
  Fixture f(device(1024, 64));
  // Before any reset: 100 grid rows, that is 99 data rows of empty cells.
  EXPECT_EQ(f.prog.rowCount(), 99);
  EXPECT_EQ(f.prog.data(f.prog.index(0, 0)).toString(), QString());

  f.image.ResetProgramGrid();
  f.image.ResetEEPromGrid();
  EXPECT_EQ(f.prog.rowCount(), 64);
  EXPECT_EQ(f.prog.columnCount(), 16);
  EXPECT_EQ(f.ee.rowCount(), 4);
  EXPECT_EQ(f.prog.cornerText(), "PROG");
  EXPECT_EQ(f.ee.cornerText(), "EEPR");
  EXPECT_EQ(f.prog.property("cornerText").toString(), "PROG");
  EXPECT_EQ(f.prog.headerData(0, Qt::Horizontal).toString(), "0");
  EXPECT_EQ(f.prog.headerData(10, Qt::Horizontal).toString(), "A");
  EXPECT_EQ(f.prog.headerData(15, Qt::Horizontal).toString(), "F");
  EXPECT_EQ(f.prog.headerData(0, Qt::Vertical).toString(), "0000");
  EXPECT_EQ(f.prog.headerData(1, Qt::Vertical).toString(), "0010");
  EXPECT_EQ(f.prog.headerData(63, Qt::Vertical).toString(), "03F0");
  EXPECT_EQ(f.ee.headerData(3, Qt::Vertical).toString(), "0030");
  EXPECT_EQ(f.prog.data(f.prog.index(63, 15)).toString(), "3FFF");
  EXPECT_EQ(f.ee.data(f.ee.index(3, 15), Qt::EditRole).toString(), "FF");
  EXPECT_TRUE(f.prog.flags(f.prog.index(5, 5)) & Qt::ItemIsEditable);
  EXPECT_TRUE(trap.warnings().isEmpty()) << trap.warnings().join('\n').toStdString();
}

TEST(GridTableModel, FinalPartialRowIsHeldButNotShown) {
  WarningTrap trap;
  Fixture f(device(20, 0));
  f.image.ResetProgramGrid();
  EXPECT_EQ(f.prog.rowCount(), 1);
  EXPECT_EQ(f.image.progCount(), 20);
  EXPECT_EQ(f.image.progText(19), "3FFF");
  QSignalSpy changed(&f.prog, &QAbstractItemModel::dataChanged);
  f.image.setProgText(18, QStringLiteral("0123"));  // no row shows it: nothing to refresh
  EXPECT_EQ(changed.count(), 0);
  f.image.setProgText(15, QStringLiteral("0123"));
  ASSERT_EQ(changed.count(), 1);
  EXPECT_EQ(changed[0][0].toModelIndex(), f.prog.index(0, 15));
  EXPECT_TRUE(trap.warnings().isEmpty()) << trap.warnings().join('\n').toStdString();
}

TEST(GridTableModel, UserEditStoresTextAsTypedAndReportsGridCoordinates) {
  WarningTrap trap;
  Fixture f(device(1024, 64));
  f.image.ResetProgramGrid();
  f.image.ResetEEPromGrid();
  QSignalSpy progEdits(&f.prog, &GridTableModel::cellEdited);
  QSignalSpy eeEdits(&f.ee, &GridTableModel::cellEdited);
  QSignalSpy changed(&f.prog, &QAbstractItemModel::dataChanged);

  // Address 0x12: column 3, row 2 of the grid.
  EXPECT_TRUE(f.prog.setData(f.prog.index(1, 2), QStringLiteral("12g4 x")));
  EXPECT_EQ(f.image.progText(0x12), "12g4 x");
  EXPECT_EQ(f.image.progValue(0x12), 0xFFFF);
  ASSERT_EQ(progEdits.count(), 1);
  EXPECT_EQ(progEdits[0][0].toInt(), 3);
  EXPECT_EQ(progEdits[0][1].toInt(), 2);
  EXPECT_EQ(progEdits[0][2].toString(), "12g4 x");
  EXPECT_EQ(changed.count(), 1);
  // The model does not touch the extent itself: the main window's handler does.
  EXPECT_EQ(f.image.ProgEnd(), 0);

  EXPECT_TRUE(f.ee.setData(f.ee.index(3, 15), QStringLiteral("")));
  EXPECT_EQ(f.image.eeText(63), "");
  ASSERT_EQ(eeEdits.count(), 1);
  EXPECT_EQ(eeEdits[0][0].toInt(), 16);
  EXPECT_EQ(eeEdits[0][1].toInt(), 4);

  // Committing the unchanged text is an edit; another role or a cell outside the grid is not.
  EXPECT_TRUE(f.prog.setData(f.prog.index(0, 0), QStringLiteral("3FFF")));
  ASSERT_EQ(progEdits.count(), 2);
  EXPECT_EQ(progEdits[1][0].toInt(), 1);
  EXPECT_EQ(progEdits[1][1].toInt(), 1);
  EXPECT_FALSE(f.prog.setData(f.prog.index(0, 0), QStringLiteral("1"), Qt::DisplayRole));
  EXPECT_FALSE(f.prog.setData(QModelIndex(), QStringLiteral("1")));
  EXPECT_EQ(progEdits.count(), 2);
  EXPECT_EQ(f.image.progText(0), "3FFF");
  EXPECT_TRUE(trap.warnings().isEmpty()) << trap.warnings().join('\n').toStdString();
}

TEST(GridTableModel, CodeFillsRaiseDataChangedOnly) {
  WarningTrap trap;
  Fixture f(device(64, 16));
  f.image.ResetProgramGrid();
  f.image.ResetEEPromGrid();
  QSignalSpy edits(&f.prog, &GridTableModel::cellEdited);
  QSignalSpy eeEdits(&f.ee, &GridTableModel::cellEdited);
  QSignalSpy changed(&f.prog, &QAbstractItemModel::dataChanged);
  QSignalSpy eeChanged(&f.ee, &QAbstractItemModel::dataChanged);
  f.image.setProgText(17, QStringLiteral("2805"));
  f.image.storeProgValue(33, 0x3F);
  f.image.storeEeValue(2, 0xA);
  EXPECT_EQ(edits.count(), 0);
  EXPECT_EQ(eeEdits.count(), 0);
  ASSERT_EQ(changed.count(), 2);
  EXPECT_EQ(changed[0][0].toModelIndex(), f.prog.index(1, 1));
  EXPECT_EQ(changed[1][0].toModelIndex(), f.prog.index(2, 1));
  EXPECT_EQ(f.prog.data(f.prog.index(2, 1)).toString(), "003F");
  ASSERT_EQ(eeChanged.count(), 1);
  EXPECT_EQ(f.ee.data(f.ee.index(0, 2)).toString(), "0A");
  EXPECT_TRUE(trap.warnings().isEmpty()) << trap.warnings().join('\n').toStdString();
}

TEST(GridTableModel, ResetsAreModelResets) {
  WarningTrap trap;
  DeviceDef dev = device(1024, 64);
  MemoryImage image(dev);
  GridTableModel prog(image, GridTableModel::Program);
  QAbstractItemModelTester tester(&prog, QAbstractItemModelTester::FailureReportingMode::Warning);
  QSignalSpy aboutToReset(&prog, &QAbstractItemModel::modelAboutToBeReset);
  QSignalSpy reset(&prog, &QAbstractItemModel::modelReset);
  int rowsSeenBeforeReset = -1;
  QObject::connect(&prog, &QAbstractItemModel::modelAboutToBeReset,
                   [&] { rowsSeenBeforeReset = prog.rowCount(); });
  image.ResetProgramGrid();
  EXPECT_EQ(rowsSeenBeforeReset, 99);  // the old size is still visible when the reset begins
  dev.ProgMem = 32768;
  dev.ProgBits = 12;
  image.ResetProgramGrid();
  EXPECT_EQ(prog.rowCount(), 2048);
  EXPECT_EQ(prog.data(prog.index(2047, 15)).toString(), "0FFF");
  EXPECT_EQ(prog.headerData(2047, Qt::Vertical).toString(), "7FF0");
  dev.ProgMem = 0;
  image.ResetProgramGrid();
  EXPECT_EQ(prog.rowCount(), 0);
  EXPECT_EQ(aboutToReset.count(), 3);
  EXPECT_EQ(reset.count(), 3);
  // The EEPROM model is not disturbed by program resets.
  GridTableModel ee(image, GridTableModel::EEProm);
  QSignalSpy eeReset(&ee, &QAbstractItemModel::modelReset);
  image.ResetProgramGrid();
  EXPECT_EQ(eeReset.count(), 0);
  EXPECT_TRUE(trap.warnings().isEmpty()) << trap.warnings().join('\n').toStdString();
}

}  // namespace
}  // namespace tavrix
