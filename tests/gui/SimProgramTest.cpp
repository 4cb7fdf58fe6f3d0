#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>

#include "app/TTavrixForm.h"
#include "app/VirtualProgrammer.h"
#include "dialogs/TAboutForm.h"
#include "image/MemoryImage.h"
#include "link/VirtualClock.h"
#include "sim/VirtualChip.h"
#include "support/ScriptedPrompts.h"
#include "support/TempFiles.h"

#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace tavrix;

namespace {

// The simulator's main window on the shipped device file, with a virtual clock.
struct SimWindow {
  SimWindow()
      : programmer(clock),
        form(prompts, programmer.startupOptions(QStringLiteral(TAVRIX_SHIPPED_INI))) {
    form.Principal();
  }
  VirtualClock clock;
  VirtualProgrammer programmer;
  test::ScriptedPrompts prompts;
  TTavrixForm form;
};

QAction* deviceItem(TTavrixForm& form, const QString& name) {
  for (QAction* a : form.Device1->actions())
    if (a->data().toString() == name) return a;
  return nullptr;
}

TEST(SimProgram, StartsOnTheShippedDevicesAndSaysTheBoardIsVirtual) {
  SimWindow w;
  EXPECT_FALSE(w.form.endRequested());
  EXPECT_TRUE(w.prompts.boxes.isEmpty());
  EXPECT_EQ(w.form.devices().CurrentDevice.Name, "PIC16F84A");
  EXPECT_EQ(w.form.windowTitle(), "Tavrix (placa virtual)");
  EXPECT_TRUE(w.form.aboutForm()->Label5->text().contains("placa virtual"));
  ASSERT_NE(w.programmer.chip(), nullptr);
  EXPECT_EQ(w.form.Device1->actions().size(), 27);
}

TEST(SimProgram, ChipFollowsTheDeviceAndIsKeptWhileTheProgramRuns) {
  SimWindow w;
  VirtualChip* f84 = w.programmer.chip();
  f84->setProgramWord(0, 0x1234);
  deviceItem(w.form, "PIC16F73")->trigger();
  ASSERT_NE(w.programmer.chip(), f84);
  EXPECT_EQ(w.programmer.chip()->programWord(0), 0x3FFF);
  deviceItem(w.form, "PIC16F84A")->trigger();
  EXPECT_EQ(w.programmer.chip(), f84);
  EXPECT_EQ(f84->programWord(0), 0x1234);
}

TEST(SimProgram, WriteCompareAndReadBackThroughTheButtonsAndMenus) {
  SimWindow w;
  MemoryImage& image = w.form.image();
  for (QCheckBox* box : {w.form.CBmemprog, w.form.CBmemdatos, w.form.CBpalconfig, w.form.CBident})
    box->setChecked(true);
  image.setProgText(0, "2805");
  image.setProgText(1, "0000");
  image.setProgText(17, "1683");
  image.noteProgEdit(17);
  image.setEeText(0, "12");
  image.setEeText(5, "AB");
  image.noteEeEdit(5);
  image.ShowIdent(0x1234);
  image.SetPalConf(0x3FF2);

  QTest::mouseClick(w.form.BotonEscribir, Qt::LeftButton);
  EXPECT_EQ(w.prompts.texts(), QStringList({"Operación Completada."}));
  VirtualChip* chip = w.programmer.chip();
  EXPECT_EQ(chip->programWord(0), 0x2805);
  EXPECT_EQ(chip->programWord(17), 0x1683);
  EXPECT_EQ(chip->eepromByte(5), 0xAB);
  EXPECT_EQ(chip->configWord(), 0x3FF2);
  EXPECT_EQ(chip->timingViolations(), 0);

  w.prompts.clear();
  w.form.VerificarPIC1->trigger();
  EXPECT_EQ(w.prompts.texts(), QStringList({"Operación Completada."}));

  // Read back into a fresh image: select the device again, then "Leer PIC".
  deviceItem(w.form, "PIC16F84A")->trigger();
  w.form.ShowIdent(0xFFFF);
  EXPECT_EQ(image.progText(0), "3FFF");
  w.prompts.clear();
  w.form.LeerPIC1->trigger();
  EXPECT_EQ(w.prompts.texts(), QStringList({"Operación Completada."}));
  EXPECT_EQ(image.progText(0), "2805");
  EXPECT_EQ(image.progText(1), "0000");
  EXPECT_EQ(image.progText(17), "1683");
  EXPECT_EQ(image.progText(2), "3FFF");
  EXPECT_EQ(image.eeText(0), "12");
  EXPECT_EQ(image.eeText(5), "AB");
  EXPECT_EQ(w.form.EditIdent->text(), "1234");
  EXPECT_EQ(image.GetPalConf(), 0x3FF2);
  EXPECT_EQ(image.ProgEnd(), 1024);
  EXPECT_EQ(image.EEPromEnd(), 64);
  EXPECT_TRUE(w.form.isEnabled());
}

// TAVRIX_VIRTUAL_FAULT for the length of a test.
struct FaultVariable {
  explicit FaultVariable(const char* list) { qputenv("TAVRIX_VIRTUAL_FAULT", list); }
  ~FaultVariable() { qunsetenv("TAVRIX_VIRTUAL_FAULT"); }
};

TEST(SimProgram, FaultsFromTheEnvironmentAreOnTheBoardTheWindowUses) {
  const FaultVariable variable("nochip");
  VirtualClock clock;
  VirtualProgrammer programmer(clock);
  EXPECT_EQ(programmer.takeFaultsFromEnvironment(), QString());
  test::ScriptedPrompts prompts;
  TTavrixForm form(prompts, programmer.startupOptions(QStringLiteral(TAVRIX_SHIPPED_INI)));
  form.Principal();
  EXPECT_EQ(form.windowTitle(), "Tavrix (placa virtual; fallos: nochip)");
  ASSERT_NE(programmer.chip(), nullptr);
  programmer.chip()->setProgramWord(0, 0x2805);

  // "Leer PIC" on an empty socket: every word reads 0000, the chip itself is untouched, and
  // instead of a completion the user learns that no chip answers (a PIC16F84A would answer
  // with its identification word).
  form.CBmemprog->setChecked(true);
  form.CBpalconfig->setChecked(true);
  form.LeerPIC1->trigger();
  ASSERT_EQ(prompts.boxes.size(), 1);
  EXPECT_EQ(prompts.boxes[0].kind, test::ScriptedPrompts::Kind::Failure);
  EXPECT_TRUE(prompts.boxes[0].text.startsWith(
      "No responde ningún PIC: lo leído no se distingue de un zócalo vacío, y la palabra de "
      "identificación lee 0000, cuando un PIC16F84A respondería con la suya; compruebe el zócalo"))
      << prompts.boxes[0].text.toStdString();
  EXPECT_TRUE(form.isEnabled());
  EXPECT_EQ(form.image().progText(0), "0000");
  EXPECT_EQ(form.image().progText(1023), "0000");
  EXPECT_EQ(form.image().GetPalConf(), 0x0000);
  EXPECT_EQ(programmer.chip()->programWord(0), 0x2805);
}

TEST(SimProgram, UnusableFaultListIsNamedAndLeavesNoFault) {
  VirtualClock clock;
  VirtualProgrammer programmer(clock);
  {
    const FaultVariable variable("slow,data1");
    EXPECT_EQ(programmer.takeFaultsFromEnvironment(), QString());
    EXPECT_EQ(programmer.board().faults().names(), "data1,slow");
  }
  const FaultVariable variable("slow,stuck");
  EXPECT_EQ(programmer.takeFaultsFromEnvironment(),
            "TAVRIX_VIRTUAL_FAULT: fallo de placa desconocido: «stuck» (se admiten nochip, novpp, "
            "data0, data1, slow).");
  EXPECT_FALSE(programmer.board().faults().any());
  EXPECT_EQ(programmer.boardNote(), " (placa virtual)");
}

TEST(SimProgram, DefaultDeviceFileIsTheSystemOneWhenPresentElseTheShippedOne) {
  const QString path = VirtualProgrammer::defaultConfigPath("/shipped/Tavrix.ini");
  if (QFileInfo("/etc/Tavrix.ini").isFile()) {
    EXPECT_EQ(path, "/etc/Tavrix.ini");
  } else {
    EXPECT_TRUE(path == "/shipped/Tavrix.ini" || path.endsWith("/share/tavrix/Tavrix.ini"));
  }
}

// A system device file that cannot be read is as good as none: the shipped copy is used, as
// the simulator does when there is no system file.
TEST(SimProgram, SystemDeviceFileThatCannotBeReadIsPassedOver) {
  test::TempFiles tmp;
  const QString system = tmp.write(QStringLiteral("Tavrix.ini"), "[PIC16F84A]\n");
  const auto fallsBack = [](const QString& path) {
    const QString chosen = VirtualProgrammer::defaultConfigPath("/shipped/Tavrix.ini", path);
    return chosen == "/shipped/Tavrix.ini" || chosen.endsWith("/share/tavrix/Tavrix.ini");
  };
  EXPECT_FALSE(fallsBack(system));
  EXPECT_TRUE(fallsBack(tmp.path(QString())));  // a folder
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to look as another user";
  ASSERT_EQ(::chmod(QFile::encodeName(tmp.path(QString())).constData(), 0755), 0);
  ASSERT_EQ(::chmod(QFile::encodeName(system).constData(), 0600), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::setgroups(0, nullptr);
    if (::setresgid(65534, 65534, 65534) != 0 || ::setresuid(65534, 65534, 65534) != 0) ::_exit(2);
    ::_exit(fallsBack(system) ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

}  // namespace
