#include "app/TTavrixForm.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QSessionManager>
#include <QStatusBar>

#include <iterator>

#include "app/AnchoredArea.h"
#include "app/AppTexts.h"
#include "app/ImageGrid.h"
#include "device/DeviceFile.h"
#include "device/DeviceTexts.h"
#include "dialogs/LostWindowWatch.h"
#include "dialogs/TAboutForm.h"
#include "dialogs/TBoardTestForm.h"
#include "dialogs/TPalConfForm.h"
#include "dialogs/TProcesaForm.h"
#include "files/FileNames.h"
#include "files/VisibleText.h"
#include "image/DeviceSelection.h"
#include "image/GridTableModel.h"
#include "image/HexText.h"
#include "link/EndingSignals.h"
#include "link/ParallelPort.h"
#include "link/RealClock.h"

namespace tavrix {

namespace {

// Stands in for the board until start-up has opened the port: writes go nowhere.
class DisconnectedPort : public Port {
 public:
  bool writeByte(std::uint8_t) override { return false; }
  std::uint8_t readStatus() override { return 0; }
};

// Menu captions are the texts themselves: an "&" is shown, never taken as an accelerator, and a
// control character is shown as visibleText() shows it.
QString literalCaption(const QString& text) {
  QString caption = visibleText(text);
  caption.replace(QLatin1Char('&'), QLatin1String("&&"));
  return caption;
}

// The widest text the "CONF=" panel can show: the word is at most 3FFF, so its first digit is
// 0 to 3, and each other digit the widest of the sixteen in this font.
QString widestConfText(const QFontMetrics& metrics) {
  auto widest = [&](QStringView digits) {
    QChar best = digits.front();
    for (QChar c : digits)
      if (metrics.horizontalAdvance(c) > metrics.horizontalAdvance(best)) best = c;
    return best;
  };
  const QChar any = widest(u"0123456789ABCDEF");
  return QStringLiteral("CONF=") + widest(u"0123") + any + any + any;
}

// A condensed face with capitals and digits at least 9 pixels high, narrowed (a horizontal
// stretch) until every word fits `room` pixels. Shrinking the size instead made it unreadable.
QFont confPanelFont(QFont font, int room) {
  font.setFamily(QStringLiteral("DejaVu Sans Condensed"));
  font.setPixelSize(12);
  while (QFontMetrics(font).capHeight() < 9 && font.pixelSize() < 20)
    font.setPixelSize(font.pixelSize() + 1);
  for (int stretch = 100; stretch > 40; --stretch) {
    font.setStretch(stretch);
    const QFontMetrics metrics(font);
    if (metrics.horizontalAdvance(widestConfText(metrics)) <= room) break;
  }
  return font;
}

constexpr int kWindowWidth = 750;
constexpr int kWindowHeight = 495;
constexpr int kStatusHeight = 25;

}  // namespace

TTavrixForm::TTavrixForm(Prompts& prompts, StartupOptions options, QWidget* parent)
    : QMainWindow(parent),
      prompts_(prompts),
      options_(std::move(options)),
      ownClock_(options_.clock ? nullptr : std::make_unique<RealClock>()),
      clock_(options_.clock ? options_.clock : ownClock_.get()),
      idleClock_(*clock_),
      image_(devices_.CurrentDevice),
      noPort_(std::make_unique<DisconnectedPort>()),
      link_(*noPort_, idleClock_, [this] { return devices_.CurrentDevice.ProgBits; }) {
  idleClock_.setIdleWork([this] { return runDueEvents(); });
  setObjectName(QStringLiteral("TavrixForm"));
  setWindowTitle(texts::kAppTitle + options_.boardNote);
  buildMenus();
  buildStatusBar();
  buildControls();
  resize(kWindowWidth, kWindowHeight);
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - QPoint(kWindowWidth / 2, kWindowHeight / 2));

  // The other windows exist from the start, hidden.
  AboutForm = new TAboutForm(this);
  if (!options_.boardNote.isEmpty()) AboutForm->setBoardNote(options_.boardNote.trimmed());
  PalConfForm = new TPalConfForm(image_, this);
  ProcesaForm = new TProcesaForm(this);
  ProcesaForm->setImage(&image_);
  BoardTestForm = new TBoardTestForm(this);
  BotonLeer->setFocus();
  // A quit of the application (the desktop's logout ends in one) is a close like any other, and
  // so is the loss of the window to another client.
  qApp->installEventFilter(this);
  new LostWindowWatch(this, [this] { close(); });
#if QT_CONFIG(sessionmanager)
  // The desktop logging out: a running operation stops as a close stops it, and the window
  // closes once the board is idle.
  connect(qGuiApp, &QGuiApplication::commitDataRequest, this, [this](QSessionManager&) {
    if (operationRunning_) closePending_ = true;
  });
#endif
}

bool TTavrixForm::eventFilter(QObject* watched, QEvent* event) {
  // Before the application closes its windows one by one: none of them closes under the run,
  // which stops as on a close of the main window, and the program ends once the board is idle.
  if (watched == qApp && event->type() == QEvent::Quit && operationRunning_) {
    closePending_ = true;
    event->ignore();
    return true;
  }
  return QMainWindow::eventFilter(watched, event);
}

TTavrixForm::~TTavrixForm() {
  releasePort();
  // The windows and grids are views of the image and the grid models, which are members: they
  // go first, while what they show still exists.
  qDeleteAll(findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly));
}

void TTavrixForm::buildMenus() {
  File1 = menuBar()->addMenu(QStringLiteral("Archivo"));
  Open1 = File1->addAction(QStringLiteral("Abrir HEX"), this, &TTavrixForm::Open1Click);
  SaveAs1 = File1->addAction(QStringLiteral("Guardar como"), this, &TTavrixForm::SaveAs1Click);
  File1->addSeparator();
  Exit1 = File1->addAction(QStringLiteral("Salir"), this, &TTavrixForm::Exit1Click);
  File1->addSeparator();

  Device1 = menuBar()->addMenu(QStringLiteral("Dispositivo"));

  Accin1 = menuBar()->addMenu(QStringLiteral("Acción"));
  // The menu's "Blank Check" runs the same blank check as the "Blk. Check" button.
  BlanckCheck1 =
      Accin1->addAction(QStringLiteral("Blank Check"), this, &TTavrixForm::BotonBlkChkClick);
  VerificarPIC1 =
      Accin1->addAction(QStringLiteral("Verificar PIC"), this, &TTavrixForm::BotonVerificarClick);
  EscribirPIC1 =
      Accin1->addAction(QStringLiteral("Escribir PIC"), this, &TTavrixForm::BotonEscribirClick);
  LeerPIC1 = Accin1->addAction(QStringLiteral("Leer PIC"), this, &TTavrixForm::BotonLeerClick);
  Desproteger1 = Accin1->addAction(QStringLiteral("Desproteger PIC"), this,
                                   &TTavrixForm::BotonDesprotegeClick);
  ConfigurarPIC1 =
      Accin1->addAction(QStringLiteral("Configurar PIC"), this, &TTavrixForm::ButPalConfClick);
  // The board's own checks come last, apart from the operations.
  Accin1->addSeparator();
  ProbarPlaca1 = Accin1->addAction(texts::kBoardTestItem, this, &TTavrixForm::ProbarPlaca1Click);
  IdentificarPIC1 =
      Accin1->addAction(texts::kIdentifyItem, this, &TTavrixForm::IdentificarPIC1Click);

  Help1 = menuBar()->addMenu(QStringLiteral("Ayuda"));
  SobreProgramaPIC1 =
      Help1->addAction(QStringLiteral("Sobre Tavrix"), this, &TTavrixForm::SobreProgramaPIC1Click);

  const std::pair<QObject*, const char*> names[] = {{File1, "File1"},
                                                    {Device1, "Device1"},
                                                    {Accin1, "Accin1"},
                                                    {Help1, "Help1"},
                                                    {Open1, "Open1"},
                                                    {SaveAs1, "SaveAs1"},
                                                    {Exit1, "Exit1"},
                                                    {BlanckCheck1, "BlanckCheck1"},
                                                    {VerificarPIC1, "VerificarPIC1"},
                                                    {LeerPIC1, "LeerPIC1"},
                                                    {EscribirPIC1, "EscribirPIC1"},
                                                    {Desproteger1, "Desproteger1"},
                                                    {ConfigurarPIC1, "ConfigurarPIC1"},
                                                    {ProbarPlaca1, "ProbarPlaca1"},
                                                    {IdentificarPIC1, "IdentificarPIC1"},
                                                    {SobreProgramaPIC1, "SobreProgramaPIC1"}};
  for (const auto& [object, name] : names) object->setObjectName(QLatin1String(name));
  menuBar()->setObjectName(QStringLiteral("MainMenu1"));
}

void TTavrixForm::buildStatusBar() {
  StatusBar1 = new QStatusBar(this);
  StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
  StatusBar1->setFixedHeight(kStatusHeight);
  StatusBar1->setSizeGripEnabled(false);
  setStatusBar(StatusBar1);
  const int leftWidths[5] = {75, 130, 120, 60, 50};
  for (int i = 0; i < 5; ++i) {
    leftPanels[i] = new QLabel(StatusBar1);
    leftPanels[i]->setObjectName(QStringLiteral("leftPanel%1").arg(i));
    leftPanels[i]->setFixedWidth(leftWidths[i]);
    leftPanels[i]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    StatusBar1->addWidget(leftPanels[i]);
  }
  // The 50-pixel panel shows the whole "CONF=" word with glyphs tall enough to read.
  leftPanels[4]->setIndent(1);
  leftPanels[4]->setFont(
      confPanelFont(leftPanels[4]->font(), 50 - 2 * leftPanels[4]->frameWidth() - 1));
  for (int i = 0; i < 3; ++i) {
    rightPanels[i] = new QLabel(StatusBar1);
    rightPanels[i]->setObjectName(QStringLiteral("rightPanel%1").arg(i));
    rightPanels[i]->setFixedWidth(80);
    rightPanels[i]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    rightPanels[i]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    StatusBar1->addPermanentWidget(rightPanels[i]);
  }
}

void TTavrixForm::buildControls() {
  const int clientHeight = kWindowHeight - kStatusHeight - menuBar()->sizeHint().height();
  auto* area = new AnchoredArea(QSize(kWindowWidth, clientHeight), this);
  area->setObjectName(QStringLiteral("ClientArea"));
  setCentralWidget(area);
  // The controls stand at their designed places even before the window is first laid out.
  area->resize(kWindowWidth, clientHeight);
  using A = AnchoredArea;

  auto button = [&](QPushButton*& b, const char* name, const QString& text, int x, int w,
                    void (TTavrixForm::*handler)()) {
    b = new QPushButton(text, area);
    b->setObjectName(QLatin1String(name));
    area->place(b, QRect(x, 0, w, 25), A::Left | A::Top);
    // Enter presses the button that has the focus, as Space does.
    b->setAutoDefault(true);
    connect(b, &QPushButton::clicked, this, handler);
  };
  button(BotonReabre, "BotonReabre", QStringLiteral("Reabre Hex"), 8, 81,
         &TTavrixForm::BotonReabreClick);
  button(BotonBlkChk, "BotonBlkChk", QStringLiteral("Blk. Check"), 96, 75,
         &TTavrixForm::BotonBlkChkClick);
  button(BotonEscribir, "BotonEscribir", QStringLiteral("Escribir"), 176, 65,
         &TTavrixForm::BotonEscribirClick);
  button(BotonVerificar, "BotonVerificar", QStringLiteral("Comparar"), 248, 73,
         &TTavrixForm::BotonVerificarClick);
  button(BotonLeer, "BotonLeer", QStringLiteral("Leer"), 328, 57, &TTavrixForm::BotonLeerClick);
  button(BotonDesprotege, "BotonDesprotege", QStringLiteral("Desproteger"), 392, 81,
         &TTavrixForm::BotonDesprotegeClick);
  button(ButPalConf, "ButPalConf", QStringLiteral("Configuración"), 480, 89,
         &TTavrixForm::ButPalConfClick);

  Label1 = new QLabel(QStringLiteral("Identificador"), area);
  Label1->setObjectName(QStringLiteral("Label1"));
  area->place(Label1, QRect(600, 0, 79, 17), A::Top | A::Right);

  EditIdent = new QLineEdit(area);
  EditIdent->setObjectName(QStringLiteral("EditIdent"));
  EditIdent->setMaxLength(4);
  area->place(EditIdent, QRect(679, 0, 58, 25), A::Top | A::Right);
  connect(EditIdent, &QLineEdit::textEdited, &image_, &MemoryImage::setIdentText);
  connect(&image_, &MemoryImage::identChanged, this, [this] {
    if (EditIdent->text() != image_.identText()) EditIdent->setText(image_.identText());
  });

  progModel_ = std::make_unique<GridTableModel>(image_, GridTableModel::Program);
  HexEditG = new ImageGrid(progModel_.get(), area);
  HexEditG->setObjectName(QStringLiteral("HexEditG"));
  area->place(HexEditG, QRect(8, 32, 737, 265), A::Left | A::Top | A::Right | A::Bottom);
  connect(progModel_.get(), &GridTableModel::cellEdited, this, &TTavrixForm::HexEditGSetEditText);

  GBalcance = new QGroupBox(QStringLiteral("Alcance de las operaciones"), area);
  GBalcance->setObjectName(QStringLiteral("GBalcance"));
  area->place(GBalcance, QRect(8, 304, 209, 137), A::Left | A::Bottom);
  auto check = [&](QCheckBox*& c, const char* name, const QString& text, int y, int w, bool on) {
    c = new QCheckBox(text, GBalcance);
    c->setObjectName(QLatin1String(name));
    c->setGeometry(16, y, w, 17);
    c->setChecked(on);
  };
  check(CBmemprog, "CBmemprog", QStringLiteral("Memoria de Programa"), 24, 161, true);
  check(CBmemdatos, "CBmemdatos", QStringLiteral("Memoria (EEPROM)"), 48, 161, false);
  check(CBpalconfig, "CBpalconfig", QStringLiteral("Palabra de Configuración"), 72, 185, false);
  check(CBident, "CBident", QStringLiteral("Identificador"), 96, 169, false);

  eeModel_ = std::make_unique<GridTableModel>(image_, GridTableModel::EEProm);
  DatosEditG = new ImageGrid(eeModel_.get(), area);
  DatosEditG->setObjectName(QStringLiteral("DatosEditG"));
  area->place(DatosEditG, QRect(224, 304, 521, 137), A::Left | A::Right | A::Bottom);
  connect(eeModel_.get(), &GridTableModel::cellEdited, this, &TTavrixForm::DatosEditGSetEditText);

  // Tab goes through the buttons left to right, the identifier, the program grid, the area
  // boxes and the EEPROM grid, then round again; Shift+Tab goes back.
  QWidget* const tabOrder[] = {BotonReabre, BotonBlkChk,     BotonEscribir, BotonVerificar,
                               BotonLeer,   BotonDesprotege, ButPalConf,    EditIdent,
                               HexEditG,    CBmemprog,       CBmemdatos,    CBpalconfig,
                               CBident,     DatosEditG};
  for (std::size_t i = 1; i < std::size(tabOrder); ++i) setTabOrder(tabOrder[i - 1], tabOrder[i]);
}

int TTavrixForm::PortHandle() const {
  if (const auto* real = dynamic_cast<const ParallelPort*>(port_.get())) return real->PortHandle();
  return port_ ? 1 : -1;
}

void TTavrixForm::Principal() {
  devices_.ConfigPath = options_.configPath;
  LoadDeviceList();
  port_ = options_.openPort ? options_.openPort(portDevice_) : nullptr;
  if (port_) {
    link_.setPort(*port_);
    // A signal that ends the program leaves the board idle (where the program installed that).
    EndingSignals::watch(*port_);
  }
  if (PortHandle() < 1) {
    AskOnError(texts::kNoParallelPort);
    requestEnd();
  }
  PalConfForm->ShowPalConf();
  image_.setProgEnd(0);
  image_.setEEPromEnd(0);
  ShowIdent(0xFFFF);
}

void TTavrixForm::LoadDeviceList() {
  const DeviceList list = ReadDeviceList(devices_.ConfigPath);
  portDevice_ = list.portDevice;
  LastFileItem = File1->addAction(literalCaption(visibleName(list.lastFile)));
  LastFileItem->setObjectName(QStringLiteral("LastFileItem"));
  LastFileItem->setData(list.lastFile);
  LastFileItem->setVisible(!list.lastFile.isEmpty());
  connect(LastFileItem, &QAction::triggered, this, &TTavrixForm::ReopenLastFile);

  for (const QString& name : list.devices) {
    QAction* item = Device1->addAction(literalCaption(name));
    item->setData(name);
    item->setCheckable(true);
    connect(item, &QAction::triggered, this, [this, item] { SelectDevice(item); });
  }
  // A device the program cannot use is refused; start-up takes the first one it can.
  bool selected = false;
  for (QAction* item : Device1->actions()) {
    SelectDevice(item);
    if (item->isChecked()) {
      selected = true;
      break;
    }
  }
  if (!selected) {
    // A file that was read and had devices, every one refused, is not a missing file.
    AskOnError(list.devices.isEmpty() ? texts::configFileMissing(devices_.ConfigPath)
                                      : texts::noUsableDevice(devices_.ConfigPath));
    requestEnd();
  }
}

void TTavrixForm::SelectDevice(QAction* item) {
  const QString name = item->data().toString();
  const QString problem = SelectDeviceCore(devices_, image_, name);
  if (!problem.isEmpty()) {
    // The refused device stays unticked; the device in force, if any, stays ticked.
    for (QAction* other : Device1->actions()) other->setChecked(other == currentDeviceItem_);
    prompts_.ShowError(problem);
    return;
  }
  for (QAction* other : Device1->actions()) other->setChecked(false);
  item->setChecked(true);
  currentDeviceItem_ = item;
  if (options_.deviceSelected) options_.deviceSelected(devices_.CurrentDevice);
  PalConfForm->SetPalNames(devices_.CurrentDevice.PalConf);
  DatosEditG->setEnabled(devices_.CurrentDevice.EEProm > 0);
  UpdateStatusBar();
}

void TTavrixForm::UpdateStatusBar() {
  const DeviceDef& d = devices_.CurrentDevice;
  leftPanels[0]->setText(visibleText(d.Name));
  leftPanels[1]->setText(QStringLiteral("PR=%1(%2)").arg(image_.ProgEnd()).arg(d.ProgMem));
  leftPanels[2]->setText(QStringLiteral("EE=%1(%2)").arg(image_.EEPromEnd()).arg(d.EEProm));
  leftPanels[3]->setText(QStringLiteral("RA=%1").arg(d.RAM));
  leftPanels[4]->setText(QStringLiteral("CONF=") + hexText(image_.GetPalConf(), 4));
  leftPanels[4]->setToolTip(leftPanels[4]->text());
}

void TTavrixForm::HexEditGSetEditText(int ACol, int ARow, const QString&) {
  // The typed text stays as it is; only the extent follows the edit.
  image_.noteProgEdit((ARow - 1) * 16 + ACol - 1);
  UpdateStatusBar();
}

void TTavrixForm::DatosEditGSetEditText(int ACol, int ARow, const QString&) {
  image_.noteEeEdit((ARow - 1) * 16 + ACol - 1);
  UpdateStatusBar();
}

void TTavrixForm::ButPalConfClick() {
  PalConfForm->exec();
  // Whatever closed the editor, the status bar shows the word its check boxes now hold.
  UpdateStatusBar();
}

void TTavrixForm::SobreProgramaPIC1Click() {
  AboutForm->exec();
}

void TTavrixForm::Exit1Click() {
  close();
}

bool TTavrixForm::FormCloseQuery() {
  return true;
}

void TTavrixForm::FormClose() {
  releasePort();
}

void TTavrixForm::releasePort() {
  if (!port_) return;
  // The board is left idle, whatever the last command left on the lines.
  port_->writeByte(kIdleLines);
  EndingSignals::unwatch(*port_);
  link_.setPort(*noPort_);
  port_.reset();  // closes the port; the data lines keep the idle byte
}

void TTavrixForm::closeEvent(QCloseEvent* event) {
  if (operationRunning_) {
    // Closed under a running operation, the port would go under the engine, the chip be left
    // half-done and the process run on without a window. Refusing would leave the user with a
    // window that does not close and a desktop that cannot log out, so the close is taken as
    // Cancel: the run stops at its next location, leaves programming mode, and the window
    // closes then (onBoard). An open box of the run is answered Cancel.
    event->ignore();
    closePending_ = true;
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) box->close();
    return;
  }
  if (!FormCloseQuery()) {
    event->ignore();
    return;
  }
  FormClose();
  event->accept();
}

}  // namespace tavrix
