#include "dialogs/TAboutForm.h"

#include <QCloseEvent>
#include <QFont>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>

namespace tavrix {

TAboutForm::TAboutForm(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint) {
  setObjectName(QStringLiteral("AboutForm"));
  setWindowTitle(QStringLiteral("Sobre Tavrix"));
  setFixedSize(247, 142);
  setModal(true);

  Label2 = new QLabel(QStringLiteral("Tavrix"), this);
  Label2->setObjectName(QStringLiteral("Label2"));
  QFont big = Label2->font();
  big.setPixelSize(18);
  Label2->setFont(big);
  Label2->setGeometry(96, 16, 61, 22);

  Label4 = new QLabel(QStringLiteral("Programador de PIC"), this);
  Label4->setObjectName(QStringLiteral("Label4"));
  Label4->move(56, 48);
  Label4->adjustSize();
  Label5 = new QLabel(QStringLiteral("por puerto paralelo"), this);
  Label5->setObjectName(QStringLiteral("Label5"));
  Label5->move(48, 64);
  Label5->adjustSize();

  Label3 = new QLabel(QStringLiteral("versión " TAVRIX_VERSION), this);
  Label3->setObjectName(QStringLiteral("Label3"));
  Label3->setGeometry(88, 80, 86, 16);

  okbut = new QPushButton(QStringLiteral("OK"), this);
  okbut->setObjectName(QStringLiteral("okbut"));
  okbut->setGeometry(80, 104, 81, 25);
  okbut->setDefault(true);
  connect(okbut, &QPushButton::clicked, this, &TAboutForm::okbutClick);
}

void TAboutForm::setBoardNote(const QString& note) {
  Label5->setText(note);
  Label5->adjustSize();
  Label5->move((width() - Label5->width()) / 2, Label5->y());
}

void TAboutForm::okbutClick() {
  accept();
}  // hides the box and ends its modal display

void TAboutForm::showEvent(QShowEvent* event) {
  if (QWidget* owner = parentWidget()) {
    const QRect area = owner->frameGeometry();
    move(area.center() - QPoint(width() / 2, height() / 2));
  }
  okbut->setFocus();
  QDialog::showEvent(event);
}

void TAboutForm::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

void TAboutForm::closeEvent(QCloseEvent* event) {
  // A close from the window manager (spontaneous) is refused; the program's own hide is not.
  if (event->spontaneous())
    event->ignore();
  else
    QDialog::closeEvent(event);
}

}  // namespace tavrix
