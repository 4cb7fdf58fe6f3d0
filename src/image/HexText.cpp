#include "image/HexText.h"

#include "files/VisibleText.h"

namespace tavrix {

QString hexText(qint64 value, int minDigits) {
  if (value < 0) {
    value = static_cast<quint32>(value);
    if (minDigits < 8) minDigits = 8;
  }
  return QString::number(value, 16).toUpper().rightJustified(minDigits, QLatin1Char('0'));
}

std::optional<quint32> parseHex(QStringView text) {
  if (text.isEmpty() || text.size() > 8) return std::nullopt;
  quint32 v = 0;
  for (QChar c : text) {
    const char16_t u = c.unicode();
    quint32 d;
    if (u >= '0' && u <= '9')
      d = u - '0';
    else if (u >= 'a' && u <= 'f')
      d = u - 'a' + 10;
    else if (u >= 'A' && u <= 'F')
      d = u - 'A' + 10;
    else
      return std::nullopt;
    v = (v << 4) | d;
  }
  return v;
}

qint64 cellValue(QStringView text) {
  const auto v = parseHex(text);
  return v ? qint64{*v} : qint64{0xFFFF};
}

QString notAnIntegerMessage(QStringView text) {
  // A control character (a NUL byte of a damaged file, a tab) would vanish from the box or the
  // terminal; it is shown as its Unicode control picture (NUL as U+2400) so the text stays clear.
  return QStringLiteral("'$") + visibleText(text) +
         QStringLiteral("' is not a valid integer value.");
}

}  // namespace tavrix
