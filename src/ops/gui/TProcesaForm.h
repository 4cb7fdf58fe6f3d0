#pragma once

#include <QWidget>

class QLabel;

namespace tavrix {

class MemoryImage;

// The progress window "Procesando PIC": what a chip operation is doing, at which address, and
// where the walks of program memory and EEPROM end. It has no controls: an operation is stopped
// only from its error boxes. Created hidden; shown over its parent for each run.
//
// Window managers give a titled window a close button whatever the window asks for, so the
// window draws its own title bar: it is undecorated and shows its caption in a strip above a
// client area of the designed 268 x 134 pixels. Nothing the window manager offers closes,
// minimises, maximises or resizes it.
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
  // The captions alone, without processing events.
  void setCaptions(const QString& action, const QString& area, qint64 index);
  // True for the indexes at which ShowProgress processes pending events.
  static bool refreshes(qint64 index);

  // Builds a new native window after another client destroyed the one shown; shown again
  // where it was shown.
  void rebuildWindow();

  // The area below the title strip that holds the labels.
  QWidget* clientArea() const { return client_; }

  QLabel* Accion;
  QLabel* Label3;
  QLabel* Dir;
  QLabel* Label1;
  QLabel* MaxProg;
  QLabel* Label2;
  QLabel* MaxEEProm;

  static constexpr int kWidth = 268;
  static constexpr int kHeight = 134;
  static constexpr int kCaptionHeight = 22;
  static constexpr int kBorder = 1;

 protected:
  // A close request from the window manager, or any while the window is shown, is refused; the
  // program's own hide is not.
  void closeEvent(QCloseEvent* event) override;
  // Minimised or maximised by the window manager: put back as it was.
  void changeEvent(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  // Over the parent's centre (or the screen's when it has none).
  void centre();
  void fitWidth();
  void setClientWidth(int width);

  const MemoryImage* image_ = nullptr;
  QWidget* caption_;
  QWidget* client_;
};

}  // namespace tavrix
