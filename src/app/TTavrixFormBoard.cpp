// The main window's checks of the board and the chip: "Probar la placa…" and "Identificar PIC".
#include <QAction>
#include <QApplication>
#include <QMenu>

#include "app/AppTexts.h"
#include "app/TTavrixForm.h"
#include "dialogs/TBoardTestForm.h"
#include "image/HexText.h"
#include "link/ParallelPort.h"
#include "link/RealClock.h"
#include "ops/BoardTest.h"
#include "ops/ChipIdentity.h"
#include "ops/OpTexts.h"

namespace tavrix {

void TTavrixForm::ProbarPlaca1Click() {
  BoardTestSetup setup;
  setup.port = boardPortInfo(dynamic_cast<const ParallelPort*>(port_.get()), options_.portNote);
  setup.selected = devices_.CurrentDevice;
  setup.configPath = devices_.ConfigPath;
  setup.catalogue = readDeviceCatalogue(setup.configPath);
  // The port is timed on the wall clock, whatever clock times the chip.
  RealClock timer;
  BoardTestReport report;
  const bool whole = onBoard([&] {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    report = runBoardTest(link_, timer, setup);
    QApplication::restoreOverrideCursor();
  });
  if (whole) BoardTestForm->showReport(report.lines, report.problem);
}

void TTavrixForm::IdentificarPIC1Click() {
  Identification id;
  const bool whole = onBoard([&] {
    id = identifyOnBoard(link_, devices_.CurrentDevice, readDeviceCatalogue(devices_.ConfigPath));
  });
  if (!whole) return;
  if (id.words.portFailed) {
    prompts_.ShowReport(texts::kIdentifyCaption, texts::portFailure(link_.port().writeProblem()),
                        true);
    return;
  }
  // One device answers and it is not the current one: chosen as the device menu would. The
  // current device is left as it is, so a loaded image is not thrown away for nothing.
  if (id.answer == ChipAnswer::Known && id.matches.size() == 1 && !id.selectedMatches) {
    for (QAction* item : Device1->actions()) {
      if (item->data().toString() != id.matches.first()) continue;
      SelectDevice(item);
      if (currentDeviceItem_ == item) {
        prompts_.ShowReport(
            texts::kIdentifyCaption,
            texts::identifiedAndSelected(id.matches.first(), id.words.idWord & kDeviceRevisionMask,
                                         hexText(id.words.idWord, 4)),
            false);
      }
      return;  // a device the program refuses has had its own box
    }
  }
  prompts_.ShowReport(texts::kIdentifyCaption, id.lines.join(QLatin1Char('\n')),
                      identificationProblem(id, devices_.CurrentDevice));
}

}  // namespace tavrix
