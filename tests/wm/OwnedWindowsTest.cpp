// The windows the main window opens, under openbox on a real X server: what the window manager
// offers them, and that nothing done to one of them hides the program.
#include <QAction>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

#include "app/HexFileDialogs.h"
#include "app/MessageBoxPrompts.h"
#include "app/TTavrixForm.h"
#include "app/VirtualProgrammer.h"
#include "dialogs/TAboutForm.h"
#include "dialogs/TBoardTestForm.h"
#include "dialogs/TPalConfForm.h"
#include "link/VirtualClock.h"
#include "wm/WindowManagerRig.h"

namespace tavrix::test {
namespace {

class OwnedWindowsUnderOpenbox : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!windowManagerMissing.empty())
      GTEST_SKIP() << "needs Xvfb and openbox: " << windowManagerMissing;
    form = std::make_unique<TTavrixForm>(prompts, programmer.startupOptions(TAVRIX_SHIPPED_INI));
    prompts.setParent(form.get());
    form->Principal();
    form->show();
    ASSERT_TRUE(waitUntil([this] { return x11::wmState(std::uint32_t(form->winId())) == 1; }))
        << "openbox did not map the main window " << x11::wmState(std::uint32_t(form->winId()))
        << " "
        << x11::atoms(std::uint32_t(form->winId()), "_NET_WM_ALLOWED_ACTIONS")
               .join(' ')
               .toStdString()
        << " "
        << x11::atoms(std::uint32_t(form->winId()), "_NET_WM_WINDOW_TYPE").join(' ').toStdString();
  }

  // What is wrong with `window` under openbox: buttons it should not have, or the program
  // hidden after a minimise and a maximise were asked of it.
  QStringList problems(QWidget* window) {
    QStringList found;
    if (!window) return {"no window"};
    const auto id = std::uint32_t(window->winId());
    const auto main = std::uint32_t(form->winId());
    if (!waitUntil([id] { return !x11::atoms(id, "_NET_WM_ALLOWED_ACTIONS").isEmpty(); }))
      return {"openbox did not manage the window"};
    const QStringList actions = x11::atoms(id, "_NET_WM_ALLOWED_ACTIONS");
    for (const char* offered : {"_NET_WM_ACTION_MINIMIZE", "_NET_WM_ACTION_MAXIMIZE_HORZ",
                                "_NET_WM_ACTION_MAXIMIZE_VERT"})
      if (actions.contains(QLatin1String(offered))) found << QStringLiteral("offers ") + offered;
    if (!actions.contains("_NET_WM_ACTION_CLOSE")) found << "no close";
    if (x11::frameTop(id) <= 0) found << "no title bar";

    x11::requestMinimise(id);
    x11::requestState(id, true, "_NET_WM_STATE_MAXIMIZED_VERT", "_NET_WM_STATE_MAXIMIZED_HORZ");
    // Openbox takes requests in order: once this harmless state is seen, the two before it
    // were handled.
    x11::requestState(id, true, "_NET_WM_STATE_SKIP_PAGER");
    if (!waitUntil(
            [id] { return x11::atoms(id, "_NET_WM_STATE").contains("_NET_WM_STATE_SKIP_PAGER"); }))
      found << "openbox did not answer";
    QTest::qWait(100);  // and the program has seen what came of them
    if (x11::wmState(main) != 1 || form->isMinimized()) found << "the main window was hidden";
    if (x11::wmState(id) != 1) found << "the window was minimised";
    if (x11::atoms(id, "_NET_WM_STATE").join(' ').contains("MAXIMIZED")) found << "maximised";
    x11::requestState(id, false, "_NET_WM_STATE_SKIP_PAGER");
    return found;
  }

  // Runs `open`, which shows a modal window, and checks that window while it waits.
  QStringList problemsOfModal(const std::function<void()>& open) {
    QStringList found = {"nothing opened"};
    QTimer::singleShot(0, form.get(), [&] {
      QWidget* modal = QApplication::activeModalWidget();
      waitUntil([&] { return (modal = QApplication::activeModalWidget()) != nullptr; });
      found = problems(modal);
      if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->done(QDialog::Accepted);
    });
    open();
    return found;
  }

  VirtualClock clock;
  VirtualProgrammer programmer{clock};
  MessageBoxPrompts prompts;
  std::unique_ptr<TTavrixForm> form;
};

TEST_F(OwnedWindowsUnderOpenbox, NoneOffersMinimiseOrMaximiseNorHidesTheProgram) {
  auto none = [](const QStringList& found, const char* window) {
    EXPECT_TRUE(found.isEmpty()) << window << ": " << found.join("; ").toStdString();
  };
  none(problemsOfModal([this] { form->SobreProgramaPIC1->trigger(); }), "About");
  none(problemsOfModal([this] { form->ConfigurarPIC1->trigger(); }), "configuration editor");
  none(problemsOfModal([this] { prompts.ShowInfo("Operación Completada."); }), "information");
  none(problemsOfModal([this] { prompts.AskOnError("Error de verificación"); }), "question");
  none(problemsOfModal([this] { chooseOpenHexPath(form.get()); }), "open dialog");
  form->ProbarPlaca1->trigger();
  none(problems(form->boardTestForm()), "board test report");
  form->boardTestForm()->close();
  // The main window itself keeps its buttons.
  EXPECT_TRUE(x11::atoms(std::uint32_t(form->winId()), "_NET_WM_ALLOWED_ACTIONS")
                  .contains("_NET_WM_ACTION_MINIMIZE"));
}

}  // namespace
}  // namespace tavrix::test
