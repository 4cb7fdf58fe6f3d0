#include "dialogs/TProcesaForm.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFont>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPalette>
#include <QScreen>
#include <QWindow>


#include "dialogs/LostWindowWatch.h"
#include "image/HexText.h"
#include "image/MemoryImage.h"
#include "ops/OpTexts.h"

namespace tavrix {

namespace {

QLabel* makeLabel(QWidget* parent, const char* name, const QString& text, int x, int y) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(QLatin1String(name));
  label->move(x, y);
  label->adjustSize();
  return label;
}

// Text colours kept in the disabled state: the window belongs to the main window, which is
// disabled while an operation runs, and its captions must stay readable.
void keepColours(QWidget* widget) {
  QPalette p = widget->palette();
  for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::HighlightedText})
    p.setColor(QPalette::Disabled, role, p.color(QPalette::Active, role));
  widget->setPalette(p);
}

// The window's title bar: its caption on the active title colours, with no buttons. Drawn
// active whatever the owner's state: the window is disabled with its owner during a run, and
// its caption must stay readable.
class CaptionStrip : public QWidget {
 public:
  explicit CaptionStrip(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Caption"));
    setAttribute(Qt::WA_OpaquePaintEvent);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    const QColor base = palette().color(QPalette::Active, QPalette::Highlight);
    QLinearGradient shade(0, 0, 0, height());
    shade.setColorAt(0, base.lighter(140));
    shade.setColorAt(1, base);
    painter.fillRect(rect(), shade);
    QFont bold = font();
    bold.setBold(true);
    painter.setFont(bold);
    painter.setPen(palette().color(QPalette::Active, QPalette::HighlightedText));
    painter.drawText(rect(), Qt::AlignCenter, window()->windowTitle());
  }
};

}  // namespace

TProcesaForm::TProcesaForm(QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::FramelessWindowHint) {
  setObjectName(QStringLiteral("ProcesaForm"));
  setWindowTitle(QStringLiteral("Procesando PIC"));
  setWindowModality(Qt::NonModal);
  setFocusPolicy(Qt::NoFocus);
  keepColours(this);

  caption_ = new CaptionStrip(this);
  client_ = new QWidget(this);
  client_->setObjectName(QStringLiteral("ClientArea"));
  client_->move(kBorder, kCaptionHeight);
  setClientWidth(kWidth);

  Accion = makeLabel(client_, "Accion", QStringLiteral("Accion"), 32, 16);
  Label3 = makeLabel(client_, "Label3", QStringLiteral("Progreso:"), 32, 40);
  Dir = makeLabel(client_, "Dir", QStringLiteral("Dir"), 152, 40);
  Label1 = makeLabel(client_, "Label1", QStringLiteral("Final Programa;"), 32, 72);
  MaxProg = makeLabel(client_, "MaxProg", QStringLiteral("0"), 152, 72);
  Label2 = makeLabel(client_, "Label2", QStringLiteral("Final EEPROM:"), 32, 96);
  MaxEEProm = makeLabel(client_, "MaxEEProm", QStringLiteral("0"), 152, 96);

  QFont dirFont(QStringLiteral("MS Shell Dlg"));
  dirFont.setPixelSize(17);
  dirFont.setBold(true);
  Dir->setFont(dirFont);
  QPalette dirPalette = Dir->palette();
  for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
    dirPalette.setColor(group, QPalette::WindowText, Qt::black);
  Dir->setPalette(dirPalette);
  Dir->adjustSize();

  new LostWindowWatch(this, [this] { rebuildWindow(); });
}

void TProcesaForm::rebuildWindow() {
  const bool shown = isVisible();
  if (QWindow* native = windowHandle()) native->destroy();
  if (shown) {
    hide();
    showCentred();
  }
}

void TProcesaForm::setClientWidth(int width) {
  // Fixed sizes: the window manager can neither resize nor maximise the window.
  client_->setFixedSize(width, kHeight);
  caption_->setGeometry(kBorder, kBorder, width, kCaptionHeight - kBorder);
  setFixedSize(width + 2 * kBorder, kCaptionHeight + kHeight + kBorder);
}

void TProcesaForm::centre() {
  QRect area;
  if (QWidget* owner = parentWidget())
    area = owner->frameGeometry();
  else if (QScreen* screen = this->screen())
    area = screen->availableGeometry();
  if (area.isValid()) move(area.center() - QPoint(width() / 2, height() / 2));
}

void TProcesaForm::showCentred() {
  centre();
  show();
}

void TProcesaForm::fitWidth() {
  // A long action line widens the window rather than being cut; it stays centred.
  const int needed = Accion->x() + Accion->width() + Accion->x() / 2;
  if (needed <= client_->width()) return;
  setClientWidth(needed);
  if (isVisible()) centre();
}

namespace {

// A label's text and size follow `text`; one that already shows it is left alone, which spares
// the text layout of the captions that change only between areas.
void showText(QLabel* label, const QString& text) {
  if (label->text() == text) return;
  label->setText(text);
  label->adjustSize();
}

}  // namespace

bool TProcesaForm::refreshes(qint64 index) {
  return index < 5 || index % 16 == 0;
}

void TProcesaForm::ShowProgress(const QString& action, const QString& area, qint64 index) {
  setCaptions(action, area, index);
  if (refreshes(index)) QCoreApplication::processEvents();
}

void TProcesaForm::setCaptions(const QString& action, const QString& area, qint64 index) {
  const QString caption = texts::progressCaption(action, area);
  if (Accion->text() != caption) {
    showText(Accion, caption);
    fitWidth();
  }
  showText(Dir, hexText(index, 4));
  showText(MaxProg, hexText(image_ ? image_->ProgEnd() : 0, 4));
  showText(MaxEEProm, hexText(image_ ? image_->EEPromEnd() : 0, 4));
}

void TProcesaForm::closeEvent(QCloseEvent* event) {
  // Shown, a run is under way: an application quit (the desktop logging out) closes every
  // window it can, and must find this one refusing as the main window does.
  if (event->spontaneous() || isVisible())
    event->ignore();
  else
    QWidget::closeEvent(event);
}

void TProcesaForm::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() != QEvent::WindowStateChange) return;
  const Qt::WindowStates taken = Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen;
  if (!(windowState() & taken)) return;
  // Put back once the window manager's change has been handled, on the next pending events.
  QMetaObject::invokeMethod(
      this,
      [this, taken] {
        if (isVisible() && (windowState() & taken)) {
          setWindowState(windowState() & ~taken);
          show();
        }
      },
      Qt::QueuedConnection);
}

void TProcesaForm::paintEvent(QPaintEvent*) {
  // A border, since no window manager frames the window.
  QPainter painter(this);
  painter.setPen(palette().color(QPalette::Active, QPalette::Shadow));
  painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

}  // namespace tavrix
