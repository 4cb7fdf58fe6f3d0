#include "dialogs/TBoardTestForm.h"

#include <QApplication>
#include <QClipboard>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "device/VisibleText.h"
#include "dialogs/DialogTexts.h"

namespace tavrix {

TBoardTestForm::TBoardTestForm(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("BoardTestForm"));
  setWindowTitle(texts::boardTestCaption());
  setModal(false);
  resize(640, 260);

  Icono = new QLabel(this);
  Icono->setObjectName(QStringLiteral("Icono"));
  Icono->setAlignment(Qt::AlignHCenter | Qt::AlignTop);

  Informe = new QPlainTextEdit(this);
  Informe->setObjectName(QStringLiteral("Informe"));
  Informe->setReadOnly(true);
  // Read only, yet selectable and copyable with the mouse and the keyboard.
  Informe->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  Informe->setLineWrapMode(QPlainTextEdit::WidgetWidth);

  BotonCopiar = new QPushButton(texts::copyButton(), this);
  BotonCopiar->setObjectName(QStringLiteral("BotonCopiar"));
  connect(BotonCopiar, &QPushButton::clicked, this, &TBoardTestForm::BotonCopiarClick);
  BotonCerrar = new QPushButton(texts::closeButton(), this);
  BotonCerrar->setObjectName(QStringLiteral("BotonCerrar"));
  BotonCerrar->setDefault(true);
  connect(BotonCerrar, &QPushButton::clicked, this, &QDialog::accept);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(BotonCopiar);
  buttons->addWidget(BotonCerrar);
  auto* report = new QHBoxLayout;
  report->addWidget(Icono);
  report->addWidget(Informe, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(report);
  layout->addLayout(buttons);
}

void TBoardTestForm::showReport(const QStringList& lines, bool problem) {
  problem_ = problem;
  // The message boxes' icons: a warning when something is wrong.
  const QStyle::StandardPixmap icon =
      problem ? QStyle::SP_MessageBoxWarning : QStyle::SP_MessageBoxInformation;
  const int size = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
  Icono->setPixmap(style()->standardIcon(icon, nullptr, this).pixmap(size, size));
  // Names from the device file are shown, and copied, with their control characters visible.
  Informe->setPlainText(visibleText(lines.join(QLatin1Char('\n')), LineFeeds::kKeep));
  show();
  raise();
  activateWindow();
  // The text has the focus, ready to be selected and copied; Enter still closes (default button).
  Informe->setFocus();
}

void TBoardTestForm::BotonCopiarClick() {
  QApplication::clipboard()->setText(Informe->toPlainText());
}

}  // namespace tavrix
