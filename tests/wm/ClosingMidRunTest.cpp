// The main window closed by the window manager in the middle of a write, under openbox on a real
// X server and with the real clock, as tavrix-sim runs it.
#include <QEvent>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include "app/TTavrixForm.h"
#include "app/VirtualProgrammer.h"
#include "link/RealClock.h"
#include "ops/gui/TProcesaForm.h"
#include "support/ScriptedPrompts.h"
#include "wm/WindowManagerRig.h"

namespace tavrix::test {
namespace {

class CloseCount : public QObject {
 public:
  int count = 0;
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Close) ++count;
    return false;
  }
};

// The title bar's close button, Alt+F4 and wmctrl -c all reach the program as this request: the
// run stops at its next location, then the window closes; the write does not run on to its end.
TEST(ClosingUnderOpenbox, WindowManagersCloseMidWriteStopsTheRunThenClosesTheWindow) {
  if (!windowManagerMissing.empty())
    GTEST_SKIP() << "needs Xvfb and openbox: " << windowManagerMissing;
  RealClock clock;
  VirtualProgrammer programmer(clock);
  ScriptedPrompts prompts;
  TTavrixForm form(prompts, programmer.startupOptions(TAVRIX_SHIPPED_INI));
  form.Principal();
  form.show();
  const auto id = std::uint32_t(form.winId());
  ASSERT_TRUE(waitUntil([id] { return x11::wmState(id) == 1; }));
  for (int a = 0; a < 1024; ++a) form.image().storeProgValue(a, 0x0123);
  form.image().setProgEnd(1024);

  CloseCount closes;
  form.installEventFilter(&closes);
  bool ended = false;
  bool shownAfterTheClose = false;
  QTimer::singleShot(0, &form, [&] {
    // At the run's first processing of events, the write under way: the close is asked for,
    // and once it has reached the window, the window is looked at.
    QTimer::singleShot(0, &form, [&] {
      x11::requestClose(id);
      waitUntil([&] { return closes.count > 0; }, 10000);
      shownAfterTheClose = closes.count > 0 && form.isVisible();
    });
    form.BotonEscribir->click();
    ended = true;
  });
  ASSERT_TRUE(waitUntil([&] { return ended; }, 30000)) << "the write was not stopped";
  EXPECT_TRUE(shownAfterTheClose);
  EXPECT_FALSE(form.isVisible());
  EXPECT_TRUE(prompts.texts().isEmpty()) << prompts.texts().join('|').toStdString();
  VirtualChip* chip = programmer.chip();
  ASSERT_NE(chip, nullptr);
  EXPECT_EQ(chip->programWord(0), 0x0123);
  EXPECT_EQ(chip->programWord(1023), 0x3FFF);  // a whole write takes ten seconds
  EXPECT_FALSE(chip->inProgrammingMode());
}

}  // namespace
}  // namespace tavrix::test
