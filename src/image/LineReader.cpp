#include "image/LineReader.h"

#include <QIODevice>

#include <algorithm>

namespace tavrix {

qint64 LineReader::fill() {
  // Only what was not looked at yet is searched again: a long line is read once.
  buffer_.remove(0, start_);
  scanned_ -= start_;
  start_ = 0;
  const qsizetype held = buffer_.size();
  buffer_.resize(held + kPiece);
  const qint64 got = in_.read(buffer_.data() + held, kPiece);
  buffer_.resize(held + std::max<qint64>(got, 0));
  return got;
}

bool LineReader::skipRestOfLine() {
  for (;;) {
    const qsizetype end = buffer_.indexOf('\n', scanned_);
    if (end >= 0) {
      start_ = scanned_ = end + 1;
      return true;
    }
    start_ = scanned_ = buffer_.size();  // nothing of this line is kept
    const qint64 got = fill();
    if (got <= 0) return got == 0;
  }
}

bool LineReader::next(QByteArrayView* line, bool* cut) {
  *cut = false;
  for (;;) {
    const qsizetype end = buffer_.indexOf('\n', scanned_);
    if (end >= 0) {
      *line = QByteArrayView(buffer_.constData() + start_, end - start_);
      start_ = scanned_ = end + 1;
      // The CR of a CR LF is part of the line end, not of the line.
      const qsizetype length = line->size() - (line->endsWith('\r') ? 1 : 0);
      if (length > kMaxLine) {
        *line = line->first(kMaxLine);
        *cut = true;
      }
      return true;
    }
    scanned_ = buffer_.size();
    if (buffer_.size() - start_ > kMaxLine + 1) {
      cutLine_ = QByteArray(buffer_.constData() + start_, kMaxLine);
      *line = cutLine_;
      *cut = true;
      // A read error while skipping shows at the next call, as the end of the lines.
      if (!skipRestOfLine()) start_ = scanned_ = buffer_.size();
      return true;
    }
    const qint64 got = fill();
    if (got < 0) return false;
    if (got == 0) {
      if (start_ == buffer_.size()) return false;
      // The last line has no LF.
      *line = QByteArrayView(buffer_.constData() + start_, buffer_.size() - start_);
      start_ = scanned_ = buffer_.size();
      *cut = line->size() > kMaxLine;
      if (*cut) *line = line->first(kMaxLine);
      return true;
    }
  }
}

}  // namespace tavrix
