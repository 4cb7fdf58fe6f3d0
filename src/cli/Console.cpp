#include "Console.h"

#include <errno.h>
#include <unistd.h>

#include "CliTexts.h"
#include "files/PathWalk.h"
#include "files/VisibleText.h"

namespace tavrix::cli {

namespace {

QByteArray line(const QString& text) {
  return (visibleText(text, LineFeeds::kKeep) + QLatin1Char('\n')).toUtf8();
}

}  // namespace

Console::Console(std::FILE* out, std::FILE* err, bool progressOnTerminal)
    : out_(out), err_(err), progressOnTerminal_(progressOnTerminal) {}

bool Console::stderrIsTerminal() {
  return ::isatty(STDERR_FILENO) == 1;
}

void Console::put(std::FILE* stream, const QByteArray& bytes, bool flush) {
  int& failure = stream == out_ ? outError_ : errError_;
  if (failure) return;  // a broken stream is not written to again
  errno = 0;
  const bool written = std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()),
                                   stream) == static_cast<std::size_t>(bytes.size()) &&
                       (!flush || std::fflush(stream) == 0);
  if (!written) failure = errno ? errno : EIO;
}

void Console::info(const QString& text) {
  clearProgress();
  put(out_, line(text));
}

void Console::listItem(const QString& text) {
  put(out_, line(text), false);
}

void Console::error(const QString& text) {
  if (!outError_ && std::fflush(out_) != 0) outError_ = errno ? errno : EIO;
  clearProgress();
  put(err_, line(text));
}

void Console::progress(const QString& text) {
  if (!progressOnTerminal_) return;
  // Carriage return, the text, then erase whatever a longer previous line left.
  put(err_, (QLatin1Char('\r') + visibleText(text) + QStringLiteral("\x1b[K")).toUtf8());
  progressDrawn_ = true;
}

void Console::clearProgress() {
  if (!progressDrawn_) return;
  put(err_, QByteArrayLiteral("\r\x1b[K"));
  progressDrawn_ = false;
}

bool Console::finish() {
  errno = 0;
  if (!outError_ && (std::fflush(out_) != 0 || std::ferror(out_))) outError_ = errno ? errno : EIO;
  if (outError_ && !outErrorTold_) {
    outErrorTold_ = true;
    error(QStringLiteral("Error: ") + texts::cannotWriteOutput(systemReason(outError_)));
  }
  return !failed();
}

}  // namespace tavrix::cli
