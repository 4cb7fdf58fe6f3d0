#include "app/RealPortOpener.h"

#include <QFile>

#include "files/FileNames.h"
#include "link/LinkTexts.h"
#include "link/PortOpening.h"

namespace tavrix {

std::function<std::unique_ptr<Port>(const QString&)> realPortOpener(PortSystem& system,
                                                                    std::string dir,
                                                                    std::ostream* problems) {
  return [&system, dir = std::move(dir), problems](const QString& portDevice) {
    PortOpening opening =
        openNamedOrSearch(system, QFile::encodeName(portDevice).toStdString(), dir);
    std::vector<std::string> lines = opening.problemLines();
    // The lines keep whatever was last put on them (a driver's probe can leave the socket
    // powered): the board goes idle first, and a port that does not take that byte is none.
    if (opening.port && !opening.port->writeByte(kIdleLines)) {
      lines.clear();
      if (const std::string why = opening.port->writeProblem(); !why.empty()) lines.push_back(why);
      opening.port.reset();
    }
    if (!opening.port && problems) {
      *problems << "tavrix: " << texts::kNoParallelPortUtf8 << '\n';
      // The node comes from the device file: its bytes are shown, never obeyed by the terminal.
      for (const std::string& line : lines)
        *problems << visibleName(nameFromBytes(QByteArrayView(line))).toStdString() << '\n';
      problems->flush();
    }
    return std::unique_ptr<Port>(std::move(opening.port));
  };
}

}  // namespace tavrix
