#pragma once

#include <QString>

#include <cstdio>

namespace tavrix::cli {

// The tool's two output streams. Information goes to stdout, errors and the progress line to
// stderr; the progress line is drawn only when stderr is a terminal, and is cleared before
// anything else is written so that messages never share a line with it. Control characters in
// what is written are shown as visibleText() shows them (the line ends of the tool's own
// messages and the progress line's own escapes excepted), so that no text from a file or an
// argument can drive the terminal.
//
// A write that fails (a pipe whose reader has gone, a full disk) is remembered: the command
// should stop and end with status 2, after saying why on whichever stream still works.
class Console {
 public:
  Console(std::FILE* out, std::FILE* err, bool progressOnTerminal);

  // Whether stderr was a terminal when the tool started.
  static bool stderrIsTerminal();

  void info(const QString& text);  // a line on stdout
  // A line on stdout left in the stream's buffer, for long listings; error() writes what is
  // buffered first, so the two streams keep their order.
  void listItem(const QString& text);
  void error(const QString& text);  // a line on stderr
  // Rewrites the progress line (terminals only).
  void progress(const QString& text);
  // Removes the progress line, if one is drawn.
  void clearProgress();
  bool showsProgress() const { return progressOnTerminal_; }

  // True once a write to either stream has failed.
  bool failed() const { return outError_ != 0 || errError_ != 0; }
  // Writes out what stdout holds; then, when stdout has failed, says so on stderr (if it still
  // works). False when either stream has failed.
  bool finish();

 private:
  // Writes `bytes` and, unless `flush` is false, pushes them out; a failure is remembered.
  void put(std::FILE* stream, const QByteArray& bytes, bool flush = true);

  std::FILE* out_;
  std::FILE* err_;
  bool progressOnTerminal_;
  bool progressDrawn_ = false;
  int outError_ = 0;
  int errError_ = 0;
  bool outErrorTold_ = false;
};

}  // namespace tavrix::cli
