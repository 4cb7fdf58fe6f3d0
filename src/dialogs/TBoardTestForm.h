#pragma once

#include <QDialog>
#include <QStringList>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace tavrix {

// "Prueba de la placa": the board test's report, one line each, in a text the user can select
// and copy (Copiar puts all of it on the clipboard). Not modal: it may stay open while the user
// sees to the board and runs the test again, which refreshes it.
class TBoardTestForm : public QDialog {
  Q_OBJECT

 public:
  explicit TBoardTestForm(QWidget* parent = nullptr);

  // Shows the report, replacing the previous one, and brings the window to the front. Its icon
  // is a warning when the test found something wrong (`problem`), information otherwise.
  void showReport(const QStringList& lines, bool problem);
  bool showsProblem() const { return problem_; }

  void BotonCopiarClick();

  QLabel* Icono;
  QPlainTextEdit* Informe;
  QPushButton* BotonCopiar;
  QPushButton* BotonCerrar;

 private:
  bool problem_ = false;
};

}  // namespace tavrix
