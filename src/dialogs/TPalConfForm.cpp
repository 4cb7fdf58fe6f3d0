#include "dialogs/TPalConfForm.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>

#include "image/HexText.h"

namespace tavrix {

namespace {

const char* const kCaption = "Palabra de Configuración";
const char* const kOscCaptions[4] = {"Low Power (32-200 KHz)", "Xtal (100 KHz - 4 MHz)",
                                     "Xtal (4-20 MHz)", "RC"};

struct LegendLine {
  int number;
  int top;
  const char* text;
};
// The fixed legend of the bit names the supported devices use.
const LegendLine kLegend[] = {
    {1, 128, "Palabra de Configuración:"},
    {2, 160, "WDTE: Watch Dog Timer Enable"},
    {3, 176, "_PWRTE: Power-On Timer Enable (Nivel Bajo)"},
    {4, 192, "BODEN: Brown-Out Reset Enable"},
    {5, 208, "LVP: Low Voltage In-Circuit Serial Programming Enable"},
    {9, 224, "CP: Code Protection Disable"},
    {10, 240, "CPx: Selective Code Protection Disable"},
    {6, 256, "CPD: Data EE Memory Code Protection Disable"},
    {7, 272, "WRT: Flash Program Memory Write Enable"},
    {8, 288, "DEBUG: In-Circuit Debugger Disable"},
    {12, 304, "MPEEN: Memory Parity Error Enable"},
    {11, 320, "- No  Implementado"},
};

}  // namespace

TPalConfForm::TPalConfForm(MemoryImage& image, QWidget* parent) : QDialog(parent), image_(image) {
  setObjectName(QStringLiteral("PalConfForm"));
  setWindowTitle(QString::fromUtf8(kCaption));
  setModal(true);
  setFixedSize(569, 381);

  PalConfBox = new QGroupBox(QString::fromUtf8(kCaption), this);
  PalConfBox->setObjectName(QStringLiteral("PalConfBox"));
  PalConfBox->setGeometry(8, 0, 201, 361);
  for (int i = 0; i < 14; ++i) {
    PC[i] = new QCheckBox(PalConfBox);
    PC[i]->setObjectName(QStringLiteral("PC%1").arg(i));
    // The window definition places PC6 two pixels lower than the rhythm of the others.
    PC[i]->setGeometry(20, i == 6 ? 162 : 16 + 24 * i, 101, 31);
    connect(PC[i], &QCheckBox::clicked, this, [this, i](bool checked) {
      image_.setPalConfBit(i, checked);
      PCClick();
    });
  }
  // The oscillator bits follow the radio buttons only.
  PC[0]->setEnabled(false);
  PC[1]->setEnabled(false);

  GroupBox1 = new QGroupBox(QStringLiteral("Oscilador"), this);
  GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
  GroupBox1->setGeometry(224, 0, 233, 121);
  GroupBox1->installEventFilter(this);
  oscGroup_ = new QButtonGroup(this);
  oscGroup_->setExclusive(true);
  for (int k = 0; k < 4; ++k) {
    Osc[k] = new QRadioButton(QString::fromUtf8(kOscCaptions[k]), GroupBox1);
    Osc[k]->setObjectName(QStringLiteral("Osc%1").arg(k));
    Osc[k]->setGeometry(8, 24 + 24 * k, k == 0 ? 169 : 161, 17);
    oscGroup_->addButton(Osc[k], k);
  }
  connect(oscGroup_, &QButtonGroup::idClicked, this, [this] { GroupBox1Click(); });

  Label[0] = nullptr;
  for (const LegendLine& line : kLegend) {
    QLabel* label = new QLabel(QString::fromUtf8(line.text), this);
    label->setObjectName(QStringLiteral("Label%1").arg(line.number));
    label->setTextFormat(Qt::PlainText);
    label->move(224, line.top);
    label->adjustSize();
    Label[line.number] = label;
  }

  PalEdit = new QLineEdit(this);
  PalEdit->setObjectName(QStringLiteral("PalEdit"));
  PalEdit->setGeometry(408, 128, 49, 24);
  PalEdit->setEnabled(false);
  PalEdit->setText(QStringLiteral("0000"));

  Button1 = new QPushButton(QStringLiteral("Cerrar"), this);
  Button1->setObjectName(QStringLiteral("Button1"));
  Button1->setGeometry(280, 344, 121, 25);
  connect(Button1, &QPushButton::clicked, this, &TPalConfForm::Button1Click);

  connect(&image_, &MemoryImage::palConfChanged, this, &TPalConfForm::followImage);
  // The window's design state: Osc2 selected and "0000" shown, whatever bits 1:0 say, until the
  // first word is loaded. The boxes show the image's word (0, all clear, when the program
  // starts); nothing is written into the image here.
  for (int i = 0; i < 14; ++i) PC[i]->setChecked((image_.GetPalConf() >> i) & 1);
  Osc[2]->setChecked(true);
}

int TPalConfForm::GetPalConf() const {
  int word = 0;
  for (int i = 0; i < 14; ++i)
    if (PC[i]->isChecked()) word |= 1 << i;
  return word;
}

void TPalConfForm::SetPalConf(qint64 word) {
  image_.SetPalConf(word);
}

void TPalConfForm::SetPalNames(const QString& names) {
  QString s = names;
  for (int i = 13; i >= 1; --i) {
    const int p = int(s.indexOf(QLatin1Char(' '))) + 1;  // 0 when there is no space
    PC[i]->setText(s.left(p));
    s.remove(0, p);
  }
  PC[0]->setText(s);
}

void TPalConfForm::ShowPalConf() {
  PalEdit->setText(hexText(GetPalConf(), 4));
}

void TPalConfForm::PCClick() {
  ShowPalConf();
}

void TPalConfForm::GroupBox1Click() {
  const int k = oscGroup_->checkedId();
  if (k >= 0) image_.setOscillator(k);
  ShowPalConf();
}

void TPalConfForm::Button1Click() {
  done(1);
}

bool TPalConfForm::eventFilter(QObject* watched, QEvent* event) {
  if (watched == GroupBox1 && event->type() == QEvent::MouseButtonRelease &&
      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
    GroupBox1Click();
  return QDialog::eventFilter(watched, event);
}

void TPalConfForm::followImage() {
  const int word = image_.GetPalConf();
  for (int i = 0; i < 14; ++i) PC[i]->setChecked((word >> i) & 1);
  Osc[word & 3]->setChecked(true);
  ShowPalConf();
}

}  // namespace tavrix
