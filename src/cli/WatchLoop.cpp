#include "WatchLoop.h"

#include <QFile>
#include <QTime>

#include "BoardCliTexts.h"
#include "BoardCommands.h"
#include "ChipBoard.h"
#include "CliCommands.h"
#include "CliHost.h"
#include "CliSession.h"
#include "Console.h"
#include "FileWatch.h"
#include "device/FileNames.h"
#include "device/FileNodes.h"
#include "image/HexReader.h"
#include "image/HexTexts.h"
#include "image/LineReader.h"
#include "link/Link.h"
#include "link/StopSignals.h"
#include "ops/Commands.h"
#include "ops/Engine.h"
#include "ops/OpTexts.h"

namespace tavrix::cli {

namespace {

// A version that failed to load is given this long to be completed before it is given up.
constexpr int kCompleteWithinMs = 2000;

// Keeps every text a load would have asked or shown: a load is clean only when there is none.
// Every question is answered OK, so the whole file is read and its problems can be told.
class QuietPrompts : public Prompts {
 public:
  void ShowInfo(const QString& text) override { texts << text; }
  bool AskOnError(const QString& text) override {
    texts << text;
    return false;
  }
  void ShowError(const QString& text) override { texts << text; }
  bool AskYesNo(const QString&, const QString& text) override {
    texts << text;
    return false;
  }
  // How many lines a question covered: part of the report, not a problem of its own.
  void ShowSummary(const QString& text) override { summaries << text; }

  QStringList texts;
  QStringList summaries;
};

// The round's prompts: the chip's errors as write shows and counts them, without the
// completion message, which the round's line says.
class RoundPrompts : public Prompts {
 public:
  explicit RoundPrompts(Prompts& inner) : inner_(inner) {}
  void ShowInfo(const QString&) override {}
  bool AskOnError(const QString& text) override { return inner_.AskOnError(text); }
  void ShowError(const QString& text) override { inner_.ShowError(text); }
  bool AskYesNo(const QString& caption, const QString& text) override {
    return inner_.AskYesNo(caption, text);
  }
  void ShowSummary(const QString& text) override { inner_.ShowSummary(text); }

 private:
  Prompts& inner_;
};

// An assembler writes the end record last: a file without one is still being written.
bool hasEndRecord(const QString& path) {
  QFile file;
  if (!openRegularFile(path, file)) return false;
  LineReader lines(file);
  QByteArrayView line;
  bool cut = false;
  while (lines.next(&line, &cut)) {
    line = line.trimmed();
    if (line.startsWith(':') && line.size() >= 9 && line.sliced(7, 2) == QByteArrayView("01"))
      return true;
  }
  return false;
}

// Questions a complete file can raise by what it holds, not by being caught half-written:
// records for addresses the device does not have, or of a type the reader does not take.
bool onlyCompleteFileProblems(const QStringList& problems) {
  for (const QString& text : problems)
    if (text != ::tavrix::texts::hexAddressOutOfRange() &&
        text != ::tavrix::texts::hexUnknownRecord())
      return false;
  return true;
}

QString clockText() {
  return QTime::currentTime().toString(QStringLiteral("HH:mm:ss"));
}

class WatchLoop {
 public:
  WatchLoop(CliSession& session, ChipBoard& board)
      : session_(session),
        board_(board),
        device_(session.devices().CurrentDevice),
        link_(board.port(), board.clock(), [this] { return int(device_.ProgBits); }),
        host_(session.console(), session.options().areas, session.image()),
        roundPrompts_(session.prompts()),
        engine_(session.devices(), session.image(), link_, roundPrompts_, host_),
        path_(session.options().args[0]),
        file_(visibleName(fileNameOf(path_))),
        watch_(path_) {
    host_.stopWhen([this] { return board_.traceFailed(); });
  }

  int run() {
    Console& console = session_.console();
    console.error(texts::watchStarted(visibleName(path_)));
    FileStamp last = stampOf(path_);
    bool pending = attempt(last) == Version::Unfinished;
    if (failed_) return kExitFailure;
    for (;;) {
      FileStamp now;
      // The board is idle and the chip saved while the loop waits: a signal then ends the tool
      // as it ends a run, with the trace complete.
      board_.watchSignals();
      const FileWatch::Wake wake =
          watch_.waitForChange(last, pending ? kCompleteWithinMs : -1, &now);
      board_.unwatchSignals();
      if (wake == FileWatch::Wake::Interrupted) continue;
      if (wake == FileWatch::Wake::TimedOut) {
        console.error(texts::watchAbandoned(clockText(), file_));
        tellProblems();
        pending = false;
        continue;
      }
      last = now;
      pending = attempt(last) == Version::Unfinished;
      if (failed_) return kExitFailure;
    }
  }

 private:
  enum class Version {
    Written,     // loaded cleanly and programmed (the chip may have reported errors)
    Unfinished,  // looks caught half-written: given time to be completed
    Refused,     // complete, but it does not load without questions: said at once
  };

  // Loads the version stamped `stamp` and, when it loads cleanly, programs it; otherwise its
  // problems are kept for the report.
  Version attempt(const FileStamp& stamp) {
    const Version version = load(stamp);
    if (version == Version::Written) {
      programRound();
    } else if (version == Version::Refused) {
      session_.console().error(texts::watchRefused(clockText(), file_));
      tellProblems();
    }
    return version;
  }

  void tellProblems() {
    for (const QString& text : loadProblems_) session_.console().error(QStringLiteral("  ") + text);
  }

  Version load(const FileStamp& stamp) {
    loadProblems_.clear();
    QFile file;
    if (!openRegularFile(path_, file)) {
      loadProblems_ << ::tavrix::texts::hexCannotRead();
      return Version::Unfinished;
    }
    file.close();
    if (!hasEndRecord(path_)) {
      loadProblems_ << texts::watchMissingEndRecord();
      return Version::Unfinished;
    }
    // Each round starts from the image as the write command would: the device's configuration
    // word, unless the file gives one.
    session_.image().SetPalConf(device_.PalConfDef);
    QuietPrompts quiet;
    const HexLoad load = ReadHexFile(path_, session_.image(), quiet);
    loadProblems_ = quiet.texts + quiet.summaries;
    // Rewritten while it was read: the next version is on its way.
    if (load != HexLoad::Completed || stampOf(path_) != stamp) return Version::Unfinished;
    if (quiet.texts.isEmpty()) return Version::Written;
    return onlyCompleteFileProblems(quiet.texts) ? Version::Refused : Version::Unfinished;
  }

  void programRound() {
    ++round_;
    // On the board's clock: the real time on a real board, the chip's own time on the virtual one.
    const std::int64_t start = link_.clock().nowUs();
    CliPrompts& prompts = session_.prompts();
    prompts.resetCounts();
    board_.watchSignals();
    bool allowed = false;
    bool written = false;
    bool suspended = false;
    {
      StopSignals::Operation operation;
      allowed = identityAllowsWriting(session_, link_);
      written = allowed && writeChip(engine_) && prompts.errors() == 0;
      suspended = operation.boardReleased();
    }
    const double seconds = double(link_.clock().nowUs() - start) / 1e6;
    // The chip and the trace are kept after every round, before it is announced: Ctrl+C may
    // come at any time, also during the save, which it then leaves undone.
    QString problem;
    const bool kept = board_.checkpoint(&problem);
    board_.unwatchSignals();
    if (!kept) {
      session_.console().error(QStringLiteral("Error: ") + problem);
      failed_ = true;
      return;
    }
    // Stopped by Ctrl+Z: the round ended as cancelled, and so does the loop, as any command.
    if (suspended) {
      session_.console().error(QStringLiteral("Error: ") + ::tavrix::texts::operationSuspended());
      failed_ = true;
      return;
    }
    if (!allowed) {
      session_.console().info(texts::roundRefused(clockText(), round_, file_, seconds));
    } else if (written) {
      session_.console().info(texts::roundWritten(clockText(), round_, file_, seconds));
    } else {
      session_.console().info(texts::roundChipErrors(clockText(), round_, file_, seconds));
    }
    // Nobody can read the rounds any more (a closed pipe): the loop ends there.
    if (session_.console().failed()) failed_ = true;
  }

  CliSession& session_;
  ChipBoard& board_;
  const DeviceDef& device_;
  Link link_;
  CliHost host_;
  RoundPrompts roundPrompts_;
  Engine engine_;
  QString path_;
  QString file_;
  FileWatch watch_;
  QStringList loadProblems_;
  int round_ = 0;
  bool failed_ = false;
};

}  // namespace

int watchCommand(CliSession& session) {
  const QString path = session.options().args[0];
  const QString folder = folderOf(path);
  if (!isFolder(folder)) {
    session.console().error(QStringLiteral("Error: ") + texts::watchNoFolder(visibleName(folder)));
    return kExitFailure;
  }
  ChipBoard board;
  QString problem;
  if (!board.open(session.options(), session.devices().CurrentDevice, session.portDevice(),
                  &problem)) {
    session.console().error(QStringLiteral("Error: ") + problem);
    return kExitFailure;
  }
  WatchLoop loop(session, board);
  const int status = loop.run();
  board.finish(&problem);
  return status;
}

}  // namespace tavrix::cli
