#include "files/VisibleText.h"

namespace tavrix {

namespace {

bool isControl(char16_t u) {
  return u < 0x20 || (u >= 0x7F && u <= 0x9F);
}

}  // namespace

QString visibleText(QStringView text, LineFeeds lineFeeds) {
  qsizetype i = 0;
  while (i < text.size() && !isControl(text[i].unicode())) ++i;
  if (i == text.size()) return text.toString();
  QString shown = text.left(i).toString();
  shown.reserve(text.size() + 8);
  for (; i < text.size(); ++i) {
    const char16_t u = text[i].unicode();
    if (u == u'\n' && lineFeeds == LineFeeds::kKeep) {
      shown.append(QChar(u));
    } else if (u < 0x20) {
      shown.append(QChar(char16_t(0x2400 + u)));
    } else if (u == 0x7F) {
      shown.append(QChar(char16_t(0x2421)));
    } else if (u > 0x7F && u <= 0x9F) {
      shown.append(QStringLiteral("\\x") + QString::number(u, 16).toUpper());
    } else {
      shown.append(QChar(u));
    }
  }
  return shown;
}

}  // namespace tavrix
