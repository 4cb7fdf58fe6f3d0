#pragma once

#include <QMainWindow>
#include <QPointer>

#include <functional>
#include <memory>

#include "app/IdleTimeClock.h"
#include "device/DeviceDef.h"
#include "image/MemoryImage.h"
#include "image/Prompts.h"
#include "link/Clock.h"
#include "link/Link.h"
#include "link/Port.h"
#include "ops/OperationHost.h"

class QAction;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QStatusBar;

namespace tavrix {

class GridTableModel;
class ImageGrid;
class TAboutForm;
class TBoardTestForm;
class TPalConfForm;
class TProcesaForm;

// What start-up needs from outside: where the device file is, how the port is opened and which
// clock times the chip. `tavrix` uses /etc/Tavrix.ini, its port nodes and the real clock; tests
// and `tavrix-sim` put their own.
struct StartupOptions {
  QString configPath = QStringLiteral("/etc/Tavrix.ini");
  // Returns the open port, or nullptr when none of the nodes could be used. Receives the device
  // file's `portdevice` (empty when the file names no node).
  std::function<std::unique_ptr<Port>(const QString& portDevice)> openPort;
  Clock* clock = nullptr;  // the real clock when null
  // Text appended to the window caption and the About box (the virtual board says so there).
  QString boardNote;
  // Told of every device that becomes the current one (the virtual board changes its chip).
  std::function<void(const DeviceDef&)> deviceSelected;
  // A port that is not a parallel port is the virtual board; the board test names it with this
  // note after its name (its faults).
  QString portNote;
};

// The main window: grids, identifier box, scope check boxes, buttons, menus and status bar.
class TTavrixForm : public QMainWindow, public OperationHost {
  Q_OBJECT

 public:
  TTavrixForm(Prompts& prompts, StartupOptions options, QWidget* parent = nullptr);
  ~TTavrixForm() override;

  // Start-up: device file, device menu, port, configuration display, extents, identifier.
  void Principal();
  // True when start-up failed and the program must end at the first turn of its event loop.
  bool endRequested() const { return endRequested_; }

  // Operations the other windows and the engine use.
  void ShowInfo(const QString& text) { prompts_.ShowInfo(text); }
  bool AskOnError(const QString& text) { return prompts_.AskOnError(text); }
  qint64 ReadIdent() { return image_.ReadIdent(); }
  void ShowIdent(qint64 value) { image_.ShowIdent(value); }
  void UpdateStatusBar() override;
  void ReopenLastFile();
  void SelectDevice(QAction* item);
  void LoadDeviceList();

  // Handlers.
  void Open1Click();
  void SaveAs1Click();
  void Exit1Click();
  void BotonReabreClick() { ReopenLastFile(); }
  void BotonLeerClick();
  void BotonEscribirClick();
  void BotonVerificarClick();
  void BotonBlkChkClick();
  void BotonDesprotegeClick();
  void ButPalConfClick();
  void SobreProgramaPIC1Click();
  // "Probar la placa…" and "Identificar PIC", the last items of "Acción".
  void ProbarPlaca1Click();
  void IdentificarPIC1Click();
  void HexEditGSetEditText(int ACol, int ARow, const QString& Value);
  void DatosEditGSetEditText(int ACol, int ARow, const QString& Value);

  // OperationHost: what the engine asks of the main window.
  bool scopeProgram() const override;
  bool scopeEeprom() const override;
  bool scopeConfig() const override;
  bool scopeIdent() const override;
  void showProgressWindow() override;
  void hideProgressWindow() override;
  void ShowProgress(const QString& action, const QString& area, qint64 index) override;
  // Puts on the progress window the captions of a location that was not drawn (between its
  // refresh points), and leaves a refresh point's due events to whatever loop runs next: done
  // before a box opens over the window and when it is hidden.
  void flushProgress();
  void setMainWindowEnabled(bool enabled) override;
  void beep() override;
  // True once a close of the main window was asked for during the run.
  bool stopRequested() override;

  // Program-wide state, reachable for tests and the windows.
  DeviceContext& devices() { return devices_; }
  MemoryImage& image() { return image_; }
  Prompts& prompts() { return prompts_; }
  Link& link() { return link_; }
  Clock& clock() { return *clock_; }
  Port* port() { return port_.get(); }
  int PortHandle() const;
  TPalConfForm* palConfForm() { return PalConfForm; }
  TAboutForm* aboutForm() { return AboutForm; }
  TProcesaForm* procesaForm() { return ProcesaForm; }
  TBoardTestForm* boardTestForm() { return BoardTestForm; }
  // Tests answer the file dialogs with a path (empty = cancelled) instead of showing them.
  void setHexPathChooser(std::function<QString(QWidget*)> chooser) {
    hexPathChooser_ = std::move(chooser);
  }
  // Loads a HEX file as if it had been chosen in the open dialog.
  void loadHexFile(const QString& path);

  // Controls, named as the window definition names them.
  QPushButton* BotonReabre;
  QPushButton* BotonBlkChk;
  QPushButton* BotonEscribir;
  QPushButton* BotonVerificar;
  QPushButton* BotonLeer;
  QPushButton* BotonDesprotege;
  QPushButton* ButPalConf;
  QLabel* Label1;
  QLineEdit* EditIdent;
  ImageGrid* HexEditG;
  QGroupBox* GBalcance;
  QCheckBox* CBmemprog;
  QCheckBox* CBmemdatos;
  QCheckBox* CBpalconfig;
  QCheckBox* CBident;
  ImageGrid* DatosEditG;
  QStatusBar* StatusBar1;
  QMenu* File1;
  QMenu* Device1;
  QMenu* Accin1;
  QMenu* Help1;
  QAction* Open1;
  QAction* SaveAs1;
  QAction* Exit1;
  QAction* LastFileItem = nullptr;
  QAction* BlanckCheck1;
  QAction* VerificarPIC1;
  QAction* EscribirPIC1;
  QAction* LeerPIC1;
  QAction* Desproteger1;
  QAction* ConfigurarPIC1;
  QAction* ProbarPlaca1;
  QAction* IdentificarPIC1;
  QAction* SobreProgramaPIC1;
  // The five left status-bar panels (75, 130, 120, 60, 50 px) and the three right ones (80 px).
  QLabel* leftPanels[5];
  QLabel* rightPanels[3];

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void buildControls();
  void buildMenus();
  void buildStatusBar();
  bool FormCloseQuery();
  void FormClose();
  // Leaves the board idle and gives the port back; nothing when it is not open.
  void releasePort();
  void requestEnd() { endRequested_ = true; }
  // Runs a command that drives the board: a close asked for meanwhile stops it and comes once
  // it has ended, and a stop signal (Ctrl+Z) ends it as cancelled, which is said. False when the
  // command did not run to its end for either reason: nothing of it is to be shown.
  bool onBoard(const std::function<void()>& command);
  void hexFileOpened(const QString& path);

  Prompts& prompts_;
  StartupOptions options_;
  std::unique_ptr<Clock> ownClock_;
  Clock* clock_;
  IdleTimeClock idleClock_;  // the link's: clock_, lending its waits to the due repaint
  DeviceContext devices_;
  MemoryImage image_;
  std::unique_ptr<Port> port_;
  QString portDevice_;  // `portdevice` of the device file, read with the device list
  std::unique_ptr<Port> noPort_;
  Link link_;
  std::unique_ptr<GridTableModel> progModel_;
  std::unique_ptr<GridTableModel> eeModel_;
  TAboutForm* AboutForm = nullptr;
  TPalConfForm* PalConfForm = nullptr;
  TProcesaForm* ProcesaForm = nullptr;
  TBoardTestForm* BoardTestForm = nullptr;
  QAction* currentDeviceItem_ = nullptr;
  std::function<QString(QWidget*)> hexPathChooser_;
  QPointer<QWidget> focusBeforeRun_;  // the control that had the focus when a run began
  bool endRequested_ = false;
  bool operationRunning_ = false;
  bool closePending_ = false;
  struct Progress {
    QString action;
    QString area;
    qint64 index = 0;
  };
  Progress pendingProgress_;
  bool progressPending_ = false;
  // A refresh point's pending events, run at the start of the next wait (or the next update).
  bool eventsDue_ = false;
  bool runDueEvents();
};

}  // namespace tavrix
