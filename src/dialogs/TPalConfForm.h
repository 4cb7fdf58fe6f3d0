#pragma once

#include <QDialog>

#include "image/MemoryImage.h"

class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace tavrix {

// "Palabra de Configuración": the configuration word bit by bit and the oscillator mode. It is a
// view of the image's configuration word: its check boxes follow every change of the word, and
// a click changes the word at once. Closing it, however, keeps every change; there is no cancel.
// Shown modally by the main window (created with the main window as parent, so it opens centred
// on it); the caller refreshes the status bar when exec() returns.
class TPalConfForm : public QDialog {
  Q_OBJECT

 public:
  explicit TPalConfForm(MemoryImage& image, QWidget* parent = nullptr);

  // Sum of 2^i over the ticked boxes PC0..PC13.
  int GetPalConf() const;
  // Loads a word into the image: bits above 13 dropped, a negative word clears every bit; the
  // boxes, the oscillator button of bits 1:0 and the display follow.
  void SetPalConf(qint64 word);
  // Captions from bit 13 down to bit 0, each name with the space that ends it; what is left
  // after thirteen spaces (more names included) becomes PC0's caption.
  void SetPalNames(const QString& names);
  // PalEdit shows GetPalConf as four upper-case hexadecimal digits.
  void ShowPalConf();

  // Handlers.
  void PCClick();
  void GroupBox1Click();
  void Button1Click();

  QGroupBox* PalConfBox;
  QCheckBox* PC[14];
  QGroupBox* GroupBox1;
  QRadioButton* Osc[4];
  QLabel* Label[13];  // Label[1] .. Label[12]; Label[0] is unused
  QLineEdit* PalEdit;
  QPushButton* Button1;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void followImage();

  MemoryImage& image_;
  QButtonGroup* oscGroup_;
};

}  // namespace tavrix
