#include "Console.h"

#include <unistd.h>

namespace tavrix::cli {

Console::Console(std::FILE* out, std::FILE* err, bool progressOnTerminal)
    : out_(out), err_(err), progressOnTerminal_(progressOnTerminal) {}

bool Console::stderrIsTerminal() {
  return ::isatty(STDERR_FILENO) == 1;
}

void Console::put(std::FILE* stream, const QString& text) {
  const QByteArray bytes = text.toUtf8();
  std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stream);
  std::fflush(stream);
}

void Console::info(const QString& text) {
  clearProgress();
  put(out_, text + QLatin1Char('\n'));
}

void Console::listItem(const QString& text) {
  const QByteArray bytes = (text + QLatin1Char('\n')).toUtf8();
  std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), out_);
}

void Console::error(const QString& text) {
  std::fflush(out_);
  clearProgress();
  put(err_, text + QLatin1Char('\n'));
}

void Console::progress(const QString& text) {
  if (!progressOnTerminal_) return;
  // Carriage return, the text, then erase whatever a longer previous line left.
  put(err_, QLatin1Char('\r') + text + QStringLiteral("\x1b[K"));
  progressDrawn_ = true;
}

void Console::clearProgress() {
  if (!progressDrawn_) return;
  put(err_, QStringLiteral("\r\x1b[K"));
  progressDrawn_ = false;
}

}  // namespace tavrix::cli
