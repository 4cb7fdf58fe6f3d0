#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>

#include <functional>
#include <ostream>
#include <string>
#include <vector>

// Readable texts in test failures.
inline void PrintTo(const QString& text, std::ostream* out) {
  *out << '"' << text.toStdString() << '"';
}

namespace tavrix::test {

// One run of the built tavrix-cli.
struct CliRun {
  int status = -1;
  QString out;
  QString err;
  bool crashed = false;
};

// The tavrix-cli binary of the build under test ($TAVRIX_BINARY_DIR/src/tavrix-cli).
QString cliBinary();

// Runs tavrix-cli with `args` in `workDir`, stdin closed, and waits for it.
CliRun runCli(const QStringList& args, const QString& workDir = {});

// The same with arguments given as bytes (names that are not UTF-8 among them); `inChild` runs
// in the new process before the tool starts (limits, another user). `binary`: another copy of
// the tool (see cliCopyForOthers), the build's by default.
CliRun runCliBytes(const QList<QByteArray>& args, const std::function<void()>& inChild = {},
                   const QString& binary = {});

// A copy of tavrix-cli that any user may run, for a test that runs it as another user: the
// build's own may sit in a folder only its owner may enter (a checkout in a 0700 home). Made in
// a folder of its own inside `folder`; empty, with `why` said, when no user but the owner could
// reach it there (a folder on the way that others may not enter).
QString cliCopyForOthers(const QString& folder, QString* why);

// The shipped device file's path with --ini before it, ready to prepend to an argument list.
QStringList shippedIni();

// Words of an Intel HEX file by word address (two bytes a word, low byte first). Extended
// address records of value 0 are accepted; anything malformed fails the calling test.
QMap<int, int> hexWords(const QByteArray& text);
QMap<int, int> hexWordsOfFile(const QString& path);

// The file's lines without extended-address records, and with the configuration word (byte
// address 0x400E) replaced by `config` when it is 0 or more.
QByteArray rewriteHex(const QByteArray& text, int config = -1);

// One data record with its checksum, ended by LF.
QByteArray hexRecord(int byteAddress, const QByteArray& data);

// Lines of a text file, without their line ends.
std::vector<std::string> fileLines(const QString& path);

// Number of times `needle` occurs in `haystack`.
int count(const QString& haystack, const QString& needle);

}  // namespace tavrix::test
