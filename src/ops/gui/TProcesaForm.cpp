#include "ops/gui/TProcesaForm.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFont>
#include <QLabel>
#include <QPalette>
#include <QScreen>

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
  for (auto role : {QPalette::WindowText, QPalette::Text})
    p.setColor(QPalette::Disabled, role, p.color(QPalette::Active, role));
  widget->setPalette(p);
}

}  // namespace

TProcesaForm::TProcesaForm(QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
  setObjectName(QStringLiteral("ProcesaForm"));
  setWindowTitle(QStringLiteral("Procesando PIC"));
  setWindowModality(Qt::NonModal);
  setFocusPolicy(Qt::NoFocus);
  resize(kWidth, kHeight);
  setMinimumSize(kWidth, kHeight);
  keepColours(this);

  Accion = makeLabel(this, "Accion", QStringLiteral("Accion"), 32, 16);
  Label3 = makeLabel(this, "Label3", QStringLiteral("Progreso:"), 32, 40);
  Dir = makeLabel(this, "Dir", QStringLiteral("Dir"), 152, 40);
  Label1 = makeLabel(this, "Label1", QStringLiteral("Final Programa;"), 32, 72);
  MaxProg = makeLabel(this, "MaxProg", QStringLiteral("0"), 152, 72);
  Label2 = makeLabel(this, "Label2", QStringLiteral("Final EEPROM:"), 32, 96);
  MaxEEProm = makeLabel(this, "MaxEEProm", QStringLiteral("0"), 152, 96);

  QFont dirFont(QStringLiteral("MS Shell Dlg"));
  dirFont.setPixelSize(17);
  dirFont.setBold(true);
  Dir->setFont(dirFont);
  QPalette dirPalette = Dir->palette();
  for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
    dirPalette.setColor(group, QPalette::WindowText, Qt::black);
  Dir->setPalette(dirPalette);
  Dir->adjustSize();
}

void TProcesaForm::showCentred() {
  QRect area;
  if (QWidget* owner = parentWidget())
    area = owner->frameGeometry();
  else if (QScreen* screen = this->screen())
    area = screen->availableGeometry();
  if (area.isValid()) move(area.center() - QPoint(width() / 2, height() / 2));
  show();
}

void TProcesaForm::fitWidth() {
  // A long action line widens the window rather than being cut.
  const int needed = Accion->x() + Accion->width() + Accion->x() / 2;
  if (needed > width()) resize(needed, height());
}

void TProcesaForm::ShowProgress(const QString& action, const QString& area, qint64 index) {
  Accion->setText(texts::progressCaption(action, area));
  Accion->adjustSize();
  fitWidth();
  Dir->setText(hexText(index, 4));
  Dir->adjustSize();
  MaxProg->setText(hexText(image_ ? image_->ProgEnd() : 0, 4));
  MaxProg->adjustSize();
  MaxEEProm->setText(hexText(image_ ? image_->EEPromEnd() : 0, 4));
  MaxEEProm->adjustSize();
  if (index < 5 || index % 16 == 0) QCoreApplication::processEvents();
}

void TProcesaForm::closeEvent(QCloseEvent* event) {
  if (event->spontaneous())
    event->ignore();
  else
    QWidget::closeEvent(event);
}

}  // namespace tavrix
