#include "CliRun.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "sim/ChipHexFile.h"

namespace tavrix::test {

QString cliBinary() {
  QByteArray dir = qgetenv("TAVRIX_BINARY_DIR");
  if (dir.isEmpty()) dir = TAVRIX_BUILD_DIR;
  return QString::fromLocal8Bit(dir) + QStringLiteral("/src/tavrix-cli");
}

CliRun runCli(const QStringList& args, const QString& workDir) {
  CliRun run;
  const QString binary = cliBinary();
  if (binary.isEmpty() || !QFile::exists(binary)) {
    ADD_FAILURE() << "tavrix-cli not found at " << binary.toStdString();
    return run;
  }
  QProcess process;
  if (!workDir.isEmpty()) process.setWorkingDirectory(workDir);
  process.setStandardInputFile(QProcess::nullDevice());
  process.start(binary, args);
  if (!process.waitForFinished(120000)) {
    process.kill();
    process.waitForFinished();
    ADD_FAILURE() << "tavrix-cli did not finish: " << args.join(' ').toStdString();
    return run;
  }
  run.crashed = process.exitStatus() != QProcess::NormalExit;
  run.status = process.exitCode();
  run.out = QString::fromUtf8(process.readAllStandardOutput());
  run.err = QString::fromUtf8(process.readAllStandardError());
  return run;
}

QString cliCopyForOthers(const QString& folder, QString* why) {
  const QString own = folder + QStringLiteral("/tool");
  const QString copy = own + QStringLiteral("/tavrix-cli");
  if (!QDir().mkpath(own) || !QFile::copy(cliBinary(), copy) ||
      ::chmod(QFile::encodeName(own).constData(), 0755) != 0 ||
      ::chmod(QFile::encodeName(copy).constData(), 0755) != 0) {
    *why = QStringLiteral("cannot copy tavrix-cli into ") + own;
    return {};
  }
  // Every folder on the way must let others through.
  for (QString dir = own; !dir.isEmpty() && dir != QStringLiteral("/");
       dir = QFileInfo(dir).path()) {
    struct stat st {};
    if (::stat(QFile::encodeName(dir).constData(), &st) != 0 || (st.st_mode & S_IXOTH) == 0) {
      *why = dir + QStringLiteral(" does not let other users through (mode ") +
             QString::number(st.st_mode & 07777, 8) + QLatin1Char(')');
      return {};
    }
  }
  return copy;
}

CliRun runCliBytes(const QList<QByteArray>& args, const std::function<void()>& inChild,
                   const QString& tool) {
  CliRun run;
  const QByteArray binary = QFile::encodeName(tool.isEmpty() ? cliBinary() : tool);
  std::vector<QByteArray> argv = {binary};
  argv.insert(argv.end(), args.begin(), args.end());
  std::vector<char*> pointers;
  for (QByteArray& a : argv) pointers.push_back(a.data());
  pointers.push_back(nullptr);
  int out[2];
  int err[2];
  if (::pipe(out) != 0 || ::pipe(err) != 0) {
    ADD_FAILURE() << "no pipes";
    return run;
  }
  const pid_t child = ::fork();
  if (child == 0) {
    ::dup2(out[1], STDOUT_FILENO);
    ::dup2(err[1], STDERR_FILENO);
    const int null = ::open("/dev/null", O_RDONLY);
    ::dup2(null, STDIN_FILENO);
    for (int fd : {out[0], out[1], err[0], err[1], null}) ::close(fd);
    if (inChild) inChild();
    ::execv(binary.constData(), pointers.data());
    ::_exit(127);
  }
  ::close(out[1]);
  ::close(err[1]);
  QByteArray outBytes;
  QByteArray errBytes;
  pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
  for (int open = 2; open > 0;) {
    if (::poll(fds, 2, 120000) <= 0) break;
    for (pollfd& p : fds) {
      if (p.fd < 0 || !p.revents) continue;
      char buffer[4096];
      const ssize_t n = ::read(p.fd, buffer, sizeof buffer);
      if (n > 0) {
        (p.fd == out[0] ? outBytes : errBytes).append(buffer, n);
      } else {
        ::close(p.fd);
        p.fd = -1;
        --open;
      }
    }
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  run.crashed = !WIFEXITED(status);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.out = QString::fromUtf8(outBytes);
  run.err = QString::fromUtf8(errBytes);
  return run;
}

QStringList shippedIni() {
  return {QStringLiteral("--ini"), QStringLiteral(TAVRIX_SHIPPED_INI)};
}

QMap<int, int> hexWords(const QByteArray& text) {
  std::vector<HexRecord> records;
  QString error;
  QMap<int, int> words;
  if (!ChipHexFile::parse(text, &records, &error)) {
    ADD_FAILURE() << "malformed HEX: " << error.toStdString();
    return words;
  }
  QMap<int, int> bytes;
  for (const HexRecord& r : records) {
    for (qsizetype i = 0; i < r.data.size(); ++i)
      bytes[r.address + int(i)] = static_cast<unsigned char>(r.data[i]);
  }
  for (auto it = bytes.cbegin(); it != bytes.cend(); ++it) {
    const int word = it.key() / 2;
    const int shift = (it.key() % 2) * 8;
    words[word] = (words.value(word, 0) & ~(0xFF << shift)) | (it.value() << shift);
  }
  return words;
}

QMap<int, int> hexWordsOfFile(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    ADD_FAILURE() << "cannot read " << path.toStdString();
    return {};
  }
  return hexWords(file.readAll());
}

QByteArray hexRecord(int byteAddress, const QByteArray& data) {
  return ChipHexFile::record(0, static_cast<std::uint16_t>(byteAddress), data);
}

QByteArray rewriteHex(const QByteArray& text, int config) {
  QByteArray out;
  for (const QByteArray& raw : text.split('\n')) {
    const QByteArray line = raw.trimmed();
    if (line.isEmpty()) continue;
    if (line.mid(7, 2) == "04" || line.mid(7, 2) == "02") continue;
    if (config >= 0 && line.startsWith(":02400E00")) {
      QByteArray word;
      word.append(char(config & 0xFF));
      word.append(char((config >> 8) & 0xFF));
      out += hexRecord(0x400E, word);
      continue;
    }
    out += line + '\n';
  }
  return out;
}

std::vector<std::string> fileLines(const QString& path) {
  std::vector<std::string> lines;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return lines;
  for (const QByteArray& line : file.readAll().split('\n')) {
    if (!line.isEmpty()) lines.push_back(line.toStdString());
  }
  return lines;
}

int count(const QString& haystack, const QString& needle) {
  return int(haystack.count(needle));
}

}  // namespace tavrix::test
