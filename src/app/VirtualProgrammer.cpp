#include "app/VirtualProgrammer.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include "app/AppTexts.h"
#include "files/FileNodes.h"
#include "ops/BoardTexts.h"

namespace tavrix {

namespace {

// The board stays the programmer's; the main window holds it only through this handle.
class BoardHandle : public Port {
 public:
  explicit BoardHandle(VirtualBoard& board) : board_(board) {}
  bool writeByte(std::uint8_t value) override { return board_.writeByte(value); }
  std::uint8_t readStatus() override { return board_.readStatus(); }
  bool goIdleNow() noexcept override { return board_.goIdleNow(); }

 private:
  VirtualBoard& board_;
};

// A regular file this process can open for reading: one it cannot read is as good as absent.
bool readableFile(const QString& path) {
  QFile file;
  return openRegularFile(path, file);
}

}  // namespace

VirtualProgrammer::VirtualProgrammer(Clock& clock) : clock_(clock), shelf_(clock, &board_) {}

StartupOptions VirtualProgrammer::startupOptions(const QString& configPath) {
  StartupOptions options;
  options.configPath = configPath;
  options.clock = &clock_;
  options.boardNote = boardNote();
  options.openPort = [this](const QString&) {
    // As on a real port, the board goes idle as soon as it is opened.
    board_.writeByte(kIdleLines);
    return std::unique_ptr<Port>(new BoardHandle(board_));
  };
  options.deviceSelected = [this](const DeviceDef& device) { shelf_.select(device); };
  if (board_.faults().any()) options.portNote = texts::virtualFaultsNote(board_.faults().names());
  return options;
}

QString VirtualProgrammer::defaultConfigPath(const QString& shippedPath,
                                             const QString& systemPath) {
  if (readableFile(systemPath)) return systemPath;
  const QString installed =
      QCoreApplication::applicationDirPath() + QStringLiteral("/../share/tavrix/Tavrix.ini");
  if (readableFile(installed)) return QFileInfo(installed).canonicalFilePath();
  return shippedPath.isEmpty() ? systemPath : shippedPath;
}

QString VirtualProgrammer::takeFaultsFromEnvironment() {
  board_.setFaults({});
  const QString list = qEnvironmentVariable(texts::kVirtualFaultVariable);
  if (list.isEmpty()) return {};
  BoardFaults faults;
  QString problem;
  if (!parseBoardFaults(list, &faults, &problem)) return texts::virtualFaultProblem(problem);
  board_.setFaults(faults);
  return {};
}

QString VirtualProgrammer::boardNote() const {
  if (!board_.faults().any()) return QStringLiteral(" (placa virtual)");
  return QStringLiteral(" (placa virtual; fallos: %1)").arg(board_.faults().names());
}

}  // namespace tavrix
