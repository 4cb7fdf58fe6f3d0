#pragma once

#include <QWidget>

class QLabel;

namespace tavrix {

class MemoryImage;

// The progress window "Procesando PIC": what a chip operation is doing, at which address, and
// where the walks of program memory and EEPROM end. It has no controls: an operation is stopped
// only from its error boxes. Created hidden; shown over its parent for each run.
class TProcesaForm : public QWidget {
  Q_OBJECT

 public:
  explicit TProcesaForm(QWidget* parent = nullptr);

  // Where ProgEnd and EEPromEnd are read for MaxProg and MaxEEProm (0 while none is set).
  void setImage(const MemoryImage* image) { image_ = image; }

  // Shows the window centred over its parent (or the screen when it has none), not modal.
  void showCentred();

  // Sets the four captions; lets the toolkit process pending events on the first five
  // locations of an area, every sixteenth, and the configuration word's step (-1).
  void ShowProgress(const QString& action, const QString& area, qint64 index);

  QLabel* Accion;
  QLabel* Label3;
  QLabel* Dir;
  QLabel* Label1;
  QLabel* MaxProg;
  QLabel* Label2;
  QLabel* MaxEEProm;

  static constexpr int kWidth = 268;
  static constexpr int kHeight = 134;

 protected:
  // The title bar has no close button; the window manager's close is refused as well.
  void closeEvent(QCloseEvent* event) override;

 private:
  void fitWidth();

  const MemoryImage* image_ = nullptr;
};

}  // namespace tavrix
