#include "app/MessageBoxPrompts.h"

#include <QMessageBox>
#include <QPushButton>

#include "device/VisibleText.h"

namespace tavrix {

namespace {

// Texts come from files and devices too: they are shown as plain text, never read as markup,
// with their control characters made visible; the lines of the message stay.
int showBox(QMessageBox::Icon icon, const QString& caption, const QString& text,
            QMessageBox::StandardButtons buttons, QWidget* parent,
            QMessageBox::StandardButton defaultButton = QMessageBox::NoButton,
            QMessageBox::StandardButton escapeButton = QMessageBox::NoButton) {
  QMessageBox box(icon, visibleText(caption), visibleText(text, LineFeeds::kKeep), buttons, parent);
  box.setTextFormat(Qt::PlainText);
  if (defaultButton != QMessageBox::NoButton) box.setDefaultButton(defaultButton);
  if (escapeButton != QMessageBox::NoButton) box.setEscapeButton(escapeButton);
  return box.exec();
}

}  // namespace

void MessageBoxPrompts::ShowInfo(const QString& text) {
  showBox(QMessageBox::Information, QStringLiteral("Mensaje"), text, QMessageBox::Ok, parent_);
}

bool MessageBoxPrompts::AskOnError(const QString& text) {
  return showBox(QMessageBox::Critical, QStringLiteral("Error"), text,
                 QMessageBox::Ok | QMessageBox::Cancel, parent_, QMessageBox::Ok,
                 QMessageBox::Cancel) != QMessageBox::Ok;
}

void MessageBoxPrompts::ShowError(const QString& text) {
  showBox(QMessageBox::Critical, QStringLiteral("Error"), text, QMessageBox::Ok, parent_);
}

bool MessageBoxPrompts::AskYesNo(const QString& caption, const QString& text) {
  return showBox(QMessageBox::Warning, caption, text, QMessageBox::Yes | QMessageBox::No, parent_,
                 QMessageBox::Yes, QMessageBox::No) == QMessageBox::Yes;
}

void MessageBoxPrompts::ShowReport(const QString& caption, const QString& text, bool problem) {
  showBox(problem ? QMessageBox::Warning : QMessageBox::Information, caption, text, QMessageBox::Ok,
          parent_);
}

}  // namespace tavrix
