// The command line's start-up and work, whole process: `tavrix-cli hex IN OUT` on a full
// PIC16F877 image (8192 words, every one different, the EEPROM, the identifier and the
// configuration word), output saved safely (temporary file, fsync, rename), side by side with
// srecord's srec_cat doing the same parse and rewrite followed by an fsync of its output.
#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <random>
#include <vector>

namespace {

QByteArray record(int byteAddress, const std::vector<int>& data) {
  std::vector<int> bytes = {int(data.size()), byteAddress >> 8, byteAddress & 0xFF, 0};
  bytes.insert(bytes.end(), data.begin(), data.end());
  int sum = 0;
  QByteArray line = ":";
  for (int b : bytes) {
    line += QByteArray::number(b, 16).toUpper().rightJustified(2, '0');
    sum += b;
  }
  return line + QByteArray::number((256 - sum % 256) % 256, 16).toUpper().rightJustified(2, '0') +
         '\n';
}

// A full image as a programmer writes it, with no two neighbouring words alike.
QByteArray fullImage() {
  std::mt19937 random(7);
  QByteArray text;
  for (int word = 0; word < 8192; word += 16) {
    std::vector<int> data;
    for (int k = 0; k < 16; ++k) {
      const int value = int(random() % 0x4000);
      data.push_back(value & 0xFF);
      data.push_back(value >> 8);
    }
    text += record(2 * word, data);
  }
  text += record(0x4000, {1, 0, 2, 0, 3, 0, 4, 0});
  text += record(0x400E, {0x71, 0x3F});
  for (int offset = 0; offset < 256; offset += 16) {
    std::vector<int> data;
    for (int k = 0; k < 16; ++k) data.insert(data.end(), {int(random() % 256), 0});
    text += record(0x4200 + 2 * offset, data);
  }
  return text + ":00000001FF\n";
}

// Runs a program to its end with no output; its exit status, or -1.
int run(const std::vector<QByteArray>& args) {
  std::vector<char*> argv;
  for (const QByteArray& a : args) argv.push_back(const_cast<char*>(a.constData()));
  argv.push_back(nullptr);
  const pid_t child = ::fork();
  if (child == 0) {
    const int null = ::open("/dev/null", O_RDWR);
    for (int fd : {0, 1, 2}) ::dup2(null, fd);
    ::execvp(argv[0], argv.data());
    ::_exit(127);
  }
  int status = 0;
  if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

struct Files {
  Files() {
    in = QFile::encodeName(dir.filePath(QStringLiteral("in.hex")));
    out = QFile::encodeName(dir.filePath(QStringLiteral("out.hex")));
    QFile file(dir.filePath(QStringLiteral("in.hex")));
    ok = file.open(QIODevice::WriteOnly) && file.write(fullImage()) > 0;
  }
  QTemporaryDir dir;
  QByteArray in;
  QByteArray out;
  bool ok = false;
};

void BM_CliHexWholeProcess(benchmark::State& state) {
  Files files;
  const std::vector<QByteArray> args = {TAVRIX_CLI_BINARY, "--ini", TAVRIX_SHIPPED_INI, "--device",
                                        "PIC16F877",       "hex",   files.in,           files.out};
  if (!files.ok || run(args) != 0) {
    state.SkipWithError("tavrix-cli hex failed");
    return;
  }
  for (auto _ : state) {
    if (run(args) != 0) state.SkipWithError("tavrix-cli hex failed");
  }
}
BENCHMARK(BM_CliHexWholeProcess)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SrecCatWholeProcess(benchmark::State& state) {
  Files files;
  const std::vector<QByteArray> args = {"srec_cat", files.in, "-intel", "-o", files.out, "-intel"};
  if (!files.ok || run(args) != 0) {
    state.SkipWithError("srec_cat is not installed (apt-get install srecord)");
    return;
  }
  for (auto _ : state) {
    if (run(args) != 0) state.SkipWithError("srec_cat failed");
    // Its output made as durable as tavrix-cli makes its own.
    const int fd = ::open(files.out.constData(), O_RDONLY);
    if (fd < 0 || ::fsync(fd) != 0) state.SkipWithError("no fsync");
    ::close(fd);
  }
}
BENCHMARK(BM_SrecCatWholeProcess)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
