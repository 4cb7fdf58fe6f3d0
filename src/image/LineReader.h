#pragma once

#include <QByteArray>
#include <QByteArrayView>

class QIODevice;

namespace tavrix {

// Reads a file's lines in large pieces, holding at most one piece and the start of one line
// whatever the file holds: a line longer than kMaxLine bytes (its LF, or CR LF, not counted) is
// given cut to its first kMaxLine bytes, and the rest of it is read past without being kept.
class LineReader {
 public:
  // Far above the longest Intel HEX record (521 characters), far below what would strain memory.
  static constexpr qsizetype kMaxLine = 64 * 1024;

  explicit LineReader(QIODevice& in) : in_(in) {}

  // The next line without its LF, valid until the next call; `cut` says whether the line was
  // longer than kMaxLine. False at the end of the file, and on a read error (the caller asks
  // the device for it).
  bool next(QByteArrayView* line, bool* cut);

 private:
  static constexpr qsizetype kPiece = 64 * 1024;

  // Appends up to one piece to the buffer; what the read gave (0 at the end, -1 on an error).
  qint64 fill();
  // Reads past the rest of a cut line, up to and including its LF.
  bool skipRestOfLine();

  QIODevice& in_;
  QByteArray buffer_;
  qsizetype start_ = 0;    // where the next line begins in the buffer
  qsizetype scanned_ = 0;  // how far the buffer is known to hold no LF
  QByteArray cutLine_;     // the kept start of a line that was too long
};

}  // namespace tavrix
