#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QTimer>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include "app/HexFileDialogs.h"
#include "device/DeviceDef.h"
#include "files/FileNames.h"
#include "image/MemoryImage.h"
#include "support/ScriptedPrompts.h"
#include "support/TempFiles.h"

namespace tavrix::test {
namespace {

DeviceDef f84a() {
  DeviceDef d;
  d.Name = QStringLiteral("PIC16F84A");
  d.ProgMem = 1024;
  d.EEProm = 64;
  d.ProgBits = 14;
  d.ConfigStart = 0x2000;
  d.EEPromStart = 0x2100;
  d.PalConfDef = 0x3FF1;
  return d;
}

struct Rig {
  Rig() : image(dev) {
    image.ResetEEPromGrid();
    image.ResetProgramGrid();
    image.ShowIdent(0xFFFF);
  }
  DeviceDef dev = f84a();
  MemoryImage image;
  ScriptedPrompts prompts;
  TempFiles files;
};

// Answers the next modal file dialog: chooses `path`, or cancels when it is empty.
void answerNextDialog(const QString& path) {
  QTimer::singleShot(0, [path] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    if (path.isEmpty()) {
      dialog->reject();
    } else {
      dialog->selectFile(path);
      static_cast<QDialog*>(dialog)->accept();  // protected in QFileDialog
    }
  });
}

TEST(HexFileDialogs, OpenDialogIsSetUpAsTheMenuSays) {
  std::unique_ptr<QFileDialog> dialog(createOpenHexDialog(nullptr));
  EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Abre fichero HEX"));
  EXPECT_EQ(dialog->defaultSuffix(), QStringLiteral("hex"));
  EXPECT_EQ(dialog->nameFilters(),
            QStringList({"Hex File (*.hex *.HEX)", "Todos los ficheros (*)"}));
  EXPECT_EQ(dialog->selectedNameFilter(), QStringLiteral("Hex File (*.hex *.HEX)"));
  EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptOpen);
  EXPECT_EQ(dialog->fileMode(), QFileDialog::ExistingFile);
}

TEST(HexFileDialogs, SaveDialogIsSetUpAsTheMenuSays) {
  std::unique_ptr<QFileDialog> dialog(createSaveHexDialog(nullptr));
  EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Save As"));
  EXPECT_EQ(dialog->defaultSuffix(), QStringLiteral("hex"));
  EXPECT_EQ(dialog->nameFilters(),
            QStringList({"Hex Files (*.hex *.HEX)", "Todos los ficheros (*)"}));
  EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
}

TEST(HexFileDialogs, CancelledDialogsDoNothing) {
  Rig r;
  r.image.setProgText(0, QStringLiteral("1234"));
  int opened = 0;
  answerNextDialog(QString());
  EXPECT_FALSE(openHexWithDialog(nullptr, r.image, r.prompts, [&](const QString&) { ++opened; }));
  answerNextDialog(QString());
  EXPECT_FALSE(saveHexWithDialog(nullptr, r.image, r.prompts));
  EXPECT_EQ(opened, 0);
  EXPECT_EQ(r.image.progText(0), QStringLiteral("1234"));
  EXPECT_TRUE(r.prompts.boxes.isEmpty());
}

TEST(HexFileDialogs, ChosenFilesAreLoadedAndSaved) {
  Rig r;
  const QString in = r.files.write(QStringLiteral("in.hex"), ":020000003412B8\n:00000001FF\n");
  QStringList opened;
  answerNextDialog(in);
  EXPECT_EQ(
      openHexWithDialog(nullptr, r.image, r.prompts, [&](const QString& path) { opened << path; }),
      HexLoad::Completed);
  EXPECT_EQ(opened, QStringList{in});
  EXPECT_EQ(r.image.progText(0), QStringLiteral("1234"));

  const QString out = r.files.path(QStringLiteral("out.hex"));
  answerNextDialog(out);
  EXPECT_EQ(saveHexWithDialog(nullptr, r.image, r.prompts), HexSave::Saved);
  EXPECT_TRUE(r.files.read(out).startsWith(":200000003412FF3F"));
}

// The dialog lists a name whose bytes are not UTF-8 with U+FFFD in their place, and hands that
// back: the choice still reaches the file, and replacing it is asked first.
TEST(HexFileDialogs, NamesThatAreNotUtf8ReachTheirFiles) {
  Rig r;
  const QByteArray dir = QFile::encodeName(r.files.path(QString())) + '/';
  for (const QByteArray& name : {QByteArray("\xff.hex"), QByteArray("o\xfe.hex")}) {
    const int fd = ::open((dir + name).constData(), O_WRONLY | O_CREAT, 0644);
    ASSERT_EQ(::write(fd, ":020000003412B8\n:00000001FF\n", 28), 28);
    ::close(fd);
  }
  const QString shown = QFile::decodeName(dir);
  QStringList opened;
  answerNextDialog(shown + QStringLiteral("\uFFFD.hex"));
  EXPECT_EQ(
      openHexWithDialog(nullptr, r.image, r.prompts, [&](const QString& path) { opened << path; }),
      HexLoad::Completed);
  ASSERT_EQ(opened.size(), 1);
  EXPECT_EQ(nameToBytes(opened[0]), dir + "\xff.hex");
  EXPECT_EQ(r.image.progText(0), QStringLiteral("1234"));

  QStringList asked;
  QTimer::singleShot(0, [&] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    dialog->selectFile(shown + QStringLiteral("o\uFFFD.hex"));
    QTimer::singleShot(0, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      ASSERT_NE(box, nullptr);
      asked << box->text();
      box->button(QMessageBox::Yes)->click();
    });
    static_cast<QDialog*>(dialog)->accept();
  });
  EXPECT_EQ(saveHexWithDialog(nullptr, r.image, r.prompts), HexSave::Saved);
  EXPECT_EQ(asked, QStringList{QStringLiteral("o\\xFE.hex ya existe.\n¿Desea reemplazarlo?")});
  const int fd = ::open((dir + "o\xfe.hex").constData(), O_RDONLY);
  char head[16] = {};
  ASSERT_EQ(::read(fd, head, 9), 9);
  ::close(fd);
  EXPECT_EQ(QByteArray(head), QByteArray(":20000000"));
}

TEST(HexFileDialogs, ChooserCanStandInForTheDialog) {
  Rig r;
  const QString out = r.files.path(QStringLiteral("x.hex"));
  EXPECT_EQ(saveHexWithDialog(nullptr, r.image, r.prompts, [&](QWidget*) { return out; }),
            HexSave::Saved);
  EXPECT_EQ(openHexWithDialog(nullptr, r.image, r.prompts, {}, [&](QWidget*) { return out; }),
            HexLoad::Completed);
  EXPECT_EQ(r.image.ProgEnd(), 1024);
  EXPECT_FALSE(
      openHexWithDialog(nullptr, r.image, r.prompts, {}, [](QWidget*) { return QString(); }));
}

}  // namespace
}  // namespace tavrix::test
