#pragma once

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>

#include "image/Prompts.h"

namespace tavrix::fuzz {

// Prompts that answer every question the same way and count the boxes, so that a fuzz input
// can never wait for a user.
class FixedPrompts : public Prompts {
 public:
  explicit FixedPrompts(bool cancel) : cancel_(cancel) {}
  void ShowInfo(const QString&) override { ++boxes; }
  bool AskOnError(const QString& text) override {
    ++boxes;
    if (text.isEmpty()) __builtin_trap();  // every question has a text
    return cancel_;
  }
  void ShowError(const QString& text) override {
    ++boxes;
    if (text.isEmpty()) __builtin_trap();
  }
  bool AskYesNo(const QString&, const QString&) override {
    ++boxes;
    return !cancel_;
  }
  long boxes = 0;

 private:
  bool cancel_;
};

// Writes `bytes` to a file of this process's own temporary folder and returns its path; the
// same path is reused by every input.
QString writeInput(const char* name, const std::uint8_t* data, std::size_t size);

// Takes bytes off the front of the input: fixed-width choices first, the rest is the payload.
class Input {
 public:
  Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  std::uint8_t byte() {
    if (size_ == 0) return 0;
    --size_;
    return *data_++;
  }
  std::int32_t int32() {
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v = (v << 8) | byte();
    return static_cast<std::int32_t>(v);
  }
  const std::uint8_t* data() const { return data_; }
  std::size_t size() const { return size_; }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
};

}  // namespace tavrix::fuzz
