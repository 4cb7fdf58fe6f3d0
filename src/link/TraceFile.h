#pragma once

#include <atomic>
#include <cstddef>
#include <memory>
#include <string_view>

#include "link/PortSystem.h"

namespace tavrix {

// A trace file written as the trace is made, in a way a signal handler can complete. Lines are
// copied whole into a buffer and only then counted as committed; the buffer goes to the file
// when it is full and at flush(), with every signal blocked while a write is made and its bytes
// taken off the buffer, so that a handler never writes a line twice. A handler calls
// completeOnSignal(): it appends its own line and writes out what is committed, so the file
// ends with complete lines, none lost. The program may go on after it (a stop signal): the
// next lines follow the handler's.
//
// The descriptor is made non-blocking: a reader that does not keep up (a FIFO) is waited for
// with the signals free, and the handler gives up on it after kEndingWriteBudgetMs.
class TraceFile {
 public:
  // Takes over `fd`, open for writing.
  explicit TraceFile(int fd, PortSystem& system = systemPorts());
  ~TraceFile();  // flushes and closes
  TraceFile(const TraceFile&) = delete;
  TraceFile& operator=(const TraceFile&) = delete;

  // Appends `line` and its LF. After a failed write nothing more is kept.
  void append(std::string_view line);
  // Makes room for `bytes` more, writing the committed lines out when they leave less, so that
  // an append of that size then writes nothing.
  void reserve(std::size_t bytes);
  // Writes out every committed line; false once a write has failed (see error()).
  bool flush();
  // Flushes and closes; false when a write or the close failed.
  bool close();
  // The errno of the first failed write or close; 0 when none failed.
  int error() const { return error_; }
  // For a signal handler: appends `line` (none when empty) and writes out the committed lines,
  // bounded in time. The file stays open for more lines.
  void completeOnSignal(std::string_view line) noexcept;

  static constexpr std::size_t kCapacity = 64 * 1024;

 private:
  // One write of the committed bytes with the signals blocked; the bytes written leave the
  // buffer. -1 with errno when the write failed.
  long writeSome();

  PortSystem& system_;
  int fd_;
  int error_ = 0;
  std::unique_ptr<char[]> buffer_;
  std::atomic<std::size_t> committed_{0};
};

}  // namespace tavrix
