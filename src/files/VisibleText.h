#pragma once

#include <QString>
#include <QStringView>

namespace tavrix {

// Text from outside the program (a device name, a path, a line of a file) as it may be shown on
// a terminal or in a box: each control character becomes something visible that a terminal
// does not obey. C0 controls become their Unicode control pictures (NUL as U+2400, ESC as
// U+241B), DEL becomes U+2421, and the C1 controls U+0080..U+009F, which some terminals also
// obey, are written as \x80..\x9F. Everything else is kept.
//
// kKeepLineFeeds keeps LF as it is, for a message whose own lines are meant; the names in such
// a message went through visibleName() already, so an LF in them is shown.
enum class LineFeeds { kShow, kKeep };
QString visibleText(QStringView text, LineFeeds lineFeeds = LineFeeds::kShow);

}  // namespace tavrix
