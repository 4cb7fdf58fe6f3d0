#pragma once

#include <QString>

#include <optional>

namespace tavrix {

// Upper-case hexadecimal with at least `minDigits` digits; a negative value prints as the
// 8 digits of its 32-bit two's complement (-1 is FFFFFFFF).
QString hexText(qint64 value, int minDigits);

// "$" + text read as hexadecimal: 1 to 8 digits 0-9, A-F, a-f and nothing else.
std::optional<quint32> parseHex(QStringView text);

// The value rule of a grid cell: the hexadecimal value of its text, 0xFFFF when it does not read.
qint64 cellValue(QStringView text);

// "'$text' is not a valid integer value." as shown when a text must be a number and is not.
// Control characters in the text are shown as visibleText() shows them (NUL as U+2400).
QString notAnIntegerMessage(QStringView text);

}  // namespace tavrix
