#pragma once

#include <QString>

#include "link/LinkTexts.h"

// The main window's user-visible texts.
namespace tavrix::texts {

inline const QString kAppTitle = QStringLiteral("Tavrix");
inline const QString kNoParallelPort =
    QStringLiteral("Imposible comunicar con el puerto paralelo.");

}  // namespace tavrix::texts
