#include "app/MessageBoxPrompts.h"

#include <QMessageBox>
#include <QPushButton>

namespace tavrix {

void MessageBoxPrompts::ShowInfo(const QString& text) {
  QMessageBox box(QMessageBox::Information, QStringLiteral("Mensaje"), text, QMessageBox::Ok,
                  parent_);
  box.exec();
}

bool MessageBoxPrompts::AskOnError(const QString& text) {
  QMessageBox box(QMessageBox::Critical, QStringLiteral("Error"), text,
                  QMessageBox::Ok | QMessageBox::Cancel, parent_);
  box.setDefaultButton(QMessageBox::Ok);
  box.setEscapeButton(QMessageBox::Cancel);
  return box.exec() != QMessageBox::Ok;
}

void MessageBoxPrompts::ShowError(const QString& text) {
  QMessageBox box(QMessageBox::Critical, QStringLiteral("Error"), text, QMessageBox::Ok, parent_);
  box.exec();
}

bool MessageBoxPrompts::AskYesNo(const QString& caption, const QString& text) {
  QMessageBox box(QMessageBox::Warning, caption, text, QMessageBox::Yes | QMessageBox::No, parent_);
  box.setDefaultButton(QMessageBox::Yes);
  box.setEscapeButton(QMessageBox::No);
  return box.exec() == QMessageBox::Yes;
}

}  // namespace tavrix
