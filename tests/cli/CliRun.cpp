#include "CliRun.h"

#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

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
