#pragma once

#include <QString>

#include <cstdio>

namespace tavrix::cli {

// The tool's two output streams. Information goes to stdout, errors and the progress line to
// stderr; the progress line is drawn only when stderr is a terminal, and is cleared before
// anything else is written so that messages never share a line with it.
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

 private:
  void put(std::FILE* stream, const QString& text);

  std::FILE* out_;
  std::FILE* err_;
  bool progressOnTerminal_;
  bool progressDrawn_ = false;
};

}  // namespace tavrix::cli
