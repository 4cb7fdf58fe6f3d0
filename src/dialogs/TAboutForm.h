#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace tavrix {

// "Sobre Tavrix": the product name and version.
class TAboutForm : public QDialog {
  Q_OBJECT

 public:
  explicit TAboutForm(QWidget* parent = nullptr);

  // Shown in place of the second credit line, centred, when the program drives the virtual
  // board.
  void setBoardNote(const QString& note);

  void okbutClick();

  QLabel* Label2;
  QLabel* Label4;
  QLabel* Label5;
  QLabel* Label3;
  QPushButton* okbut;

 protected:
  void showEvent(QShowEvent* event) override;
  // OK is the only way out: Escape and the window manager's close do nothing.
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
};

}  // namespace tavrix
