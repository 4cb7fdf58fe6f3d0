#pragma once

#include <QString>

// The board test window's user-visible texts.
namespace tavrix::texts {

inline QString boardTestCaption() {
  return QStringLiteral("Prueba de la placa");
}
inline QString copyButton() {
  return QStringLiteral("Copiar");
}
inline QString closeButton() {
  return QStringLiteral("Cerrar");
}

}  // namespace tavrix::texts
