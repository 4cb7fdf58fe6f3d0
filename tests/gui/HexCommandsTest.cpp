#include <gtest/gtest.h>

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>

#include "gui/MainWindowHarness.h"

using namespace tavrix;
using namespace tavrix::test;

namespace {

const QByteArray kSmallHex =
    ":0400000005280000CF\n:084000000100020003000400AE\n:02400E00F13F80\n:044200001200340074\n"
    ":00000001FF\n";

TEST(HexCommands, OpenSetsCaptionLastFileAndStatusBar) {
  MainWindowHarness h(smallIni());
  h.start();
  const QString path = h.files.write("prog.hex", kSmallHex);
  h.form->setHexPathChooser([&](QWidget*) { return path; });
  h.form->Open1->trigger();
  EXPECT_TRUE(h.prompts.boxes.isEmpty());
  EXPECT_EQ(h.form->windowTitle(), "Tavrix - prog.hex");
  EXPECT_EQ(h.form->LastFileItem->data().toString(), path);
  EXPECT_FALSE(h.form->LastFileItem->isVisible());  // hidden at start-up, hidden for the run
  EXPECT_EQ(h.form->EditIdent->text(), "1234");
  EXPECT_EQ(h.panels(), QStringList({"PIC16F84A", "PR=2(1024)", "EE=2(64)", "RA=68", "CONF=3FF1"}));

  // "Reabre Hex" reloads the last file opened in this run.
  h.form->image().setProgText(0, "0000");
  h.form->BotonReabre->click();
  EXPECT_EQ(h.form->image().progText(0), "2805");
}

TEST(HexCommands, CancelledDialogChangesNothing) {
  MainWindowHarness h(smallIni());
  h.start();
  h.form->setHexPathChooser([](QWidget*) { return QString(); });
  h.form->Open1->trigger();
  h.form->SaveAs1->trigger();
  EXPECT_TRUE(h.prompts.boxes.isEmpty());
  EXPECT_EQ(h.form->windowTitle(), "Tavrix");
}

TEST(HexCommands, ReopenWithNothingRecordedSaysTheFileCannotBeRead) {
  MainWindowHarness h(smallIni());
  h.start();
  h.form->BotonReabre->click();
  EXPECT_EQ(h.prompts.texts(), QStringList({"No se puede leer el fichero HEX."}));
  EXPECT_EQ(h.form->windowTitle(), "Tavrix");
}

TEST(HexCommands, ReopenUsesLastfileFromTheDeviceFile) {
  TempFiles hexDir;
  const QString path = hexDir.write("last.hex", kSmallHex);
  MainWindowHarness h(smallIni(path));
  h.start();
  EXPECT_TRUE(h.form->LastFileItem->isVisible());
  h.form->LastFileItem->trigger();
  EXPECT_EQ(h.form->image().progText(0), "2805");
  EXPECT_EQ(h.form->windowTitle(), "Tavrix - last.hex");
}

TEST(HexCommands, SaveWritesTheWholeImageAndChangesNoCaption) {
  MainWindowHarness h(smallIni());
  h.start();
  const QString in = h.files.write("in.hex", kSmallHex);
  h.form->loadHexFile(in);
  const QString out = h.files.path("out.hex");
  h.form->setHexPathChooser([&](QWidget*) { return out; });
  h.form->SaveAs1->trigger();
  EXPECT_TRUE(h.prompts.boxes.isEmpty());
  const QByteArray saved = h.files.read(out);
  EXPECT_EQ(saved.count('\n'), 71);
  EXPECT_TRUE(saved.startsWith(":2000000005280000FF3F"));
  EXPECT_TRUE(saved.contains(":084000000100020003000400AE\n"));
  EXPECT_EQ(h.form->windowTitle(), "Tavrix - in.hex");
  EXPECT_EQ(h.form->LastFileItem->data().toString(), in);
}

}  // namespace
