#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "device/DeviceDef.h"
#include "device/DeviceFile.h"
#include "link/Link.h"
#include "link/Recording.h"
#include "link/VirtualClock.h"
#include "sim/VirtualBoard.h"
#include "sim/VirtualChip.h"

namespace tavrix::test {

// Devices of the shipped device file, as the chip tests use them.
inline DeviceDef simDevice(const char* name, qint32 progMem, qint32 eeProm, const char* palConf,
                           const char* programming) {
  DeviceDef d;
  d.Name = QString::fromLatin1(name);
  d.ProgMem = progMem;
  d.EEProm = eeProm;
  d.ProgBits = 14;
  d.RAM = 68;
  d.ConfigStart = 0x2000;
  d.EEPromStart = 0x2100;
  d.PalConfDef = 0x3FF1;
  d.PalConf = QString::fromLatin1(palConf);
  d.Programming = QString::fromLatin1(programming);
  return d;
}

inline DeviceDef pic16F84A() {
  return simDevice("PIC16F84A", 1024, 64, "CP CP CP CP CP CP CP CP CP CP _PWRTE WDTE FOSC1 FOSC0",
                   "Flash");
}
inline DeviceDef pic16F628() {
  return simDevice("PIC16F628", 2048, 128,
                   "CP1 CP0 CP1 CP0 - CPD LVP BOREN MCLRE FOSC2 _PWRTE WDTE FOSC1 FOSC0", "Flash");
}
inline DeviceDef pic16F73() {
  return simDevice("PIC16F73", 4096, 0, "- - - - - - - _BODEN - CP _PWRTE WDTE FOSC1 FOSC0",
                   "Flash1");
}
inline DeviceDef pic16C622() {
  return simDevice("PIC16C622", 2048, 0,
                   "CP1 CP0 CP1 CP0 CP1 CP0 - _BODEN CP1 CP0 _PWRTE WDTE FOSC1 FOSC0", "OTP");
}

// A device of the shipped device file, read as the program reads it.
inline DeviceDef shippedDevice(const char* name) {
  return ReadDeviceSection(QStringLiteral(TAVRIX_SHIPPED_INI), QString::fromLatin1(name));
}

// Reads one configuration-space word as a board test does, in a programming-mode pass of its
// own: Load Configuration (data 0x3FFF), `increments` Increment Address, Read Data. Six reach
// the identification word, seven the configuration word.
inline std::int32_t readConfigSpace(Link& link, int increments) {
  link.SendCommand(CmdProgModeOn, 0);
  link.SendCommand(CmdLoadConfig, 0x3FFF);
  for (int i = 0; i < increments; ++i) link.SendCommand(CmdIncAddress, 0);
  const std::int32_t word = link.SendCommand(CmdReadProgData, 0);
  link.SendCommand(CmdProgModeOff, 0);
  return word;
}

// What the port carries of readConfigSpace(link, 6) when the line answers `word`: every byte
// written and every status read, in order.
inline std::vector<std::string> deviceIdReadTrace(std::uint16_t word) {
  auto bytes = [](std::vector<int> values) {
    std::vector<std::string> lines;
    for (int v : values) lines.push_back(TraceSink::writeLine(static_cast<std::uint8_t>(v)));
    return lines;
  };
  auto command = [&](int code) {
    std::vector<int> v = {0x08};
    for (int i = 0; i < 6; ++i)
      v.insert(v.end(), {0x0A + ((code >> i) & 1), 0x08 + ((code >> i) & 1)});
    return bytes(v);
  };
  std::vector<std::string> t = bytes({0x34, 0x08});
  auto add = [&t](const std::vector<std::string>& part) {
    t.insert(t.end(), part.begin(), part.end());
  };
  add(command(CmdLoadConfig));
  add(bytes({0x0A, 0x08}));
  for (int i = 0; i < 14; ++i) add(bytes({0x0B, 0x09}));
  add(bytes({0x0A, 0x08}));
  for (int i = 0; i < 6; ++i) add(command(CmdIncAddress));
  add(command(CmdReadProgData));
  add(bytes({0x0C, 0x0E, 0x0C}));
  for (int i = 0; i < 14; ++i) {
    add(bytes({0x0E, 0x0C}));
    t.push_back(TraceSink::statusLine((word >> i) & 1 ? 0x40 : 0x00));
  }
  add(bytes({0x0E, 0x0C, 0x24}));
  return t;
}

// A chip in the virtual board, reached only through the link and the clock, as the engine
// reaches it.
struct SimRig {
  explicit SimRig(const DeviceDef& device)
      : chip(device, clock), board(&chip), link(board, clock, [this] { return chip.wordBits(); }) {}
  // A chip that programs as `programming` says.
  SimRig(const DeviceDef& device, std::unique_ptr<ProgrammingKind> programming)
      : chip(device, clock, std::move(programming)),
        board(&chip),
        link(board, clock, [this] { return chip.wordBits(); }) {}

  std::int32_t send(int code, std::uint32_t data = 0) { return link.SendCommand(code, data); }
  void sleep(int ms) { link.SleepMs(ms); }
  void modeOn() { send(CmdProgModeOn); }
  void modeOff() { send(CmdProgModeOff); }
  std::uint16_t read() { return static_cast<std::uint16_t>(send(CmdReadProgData)); }
  std::uint16_t readEE() { return static_cast<std::uint16_t>(send(CmdReadEEData)); }
  void inc(int times = 1) {
    for (int i = 0; i < times; ++i) send(CmdIncAddress);
  }

  // "Flash" word programming as the engine does it: load, begin, wait.
  void flashWord(std::uint16_t value, int waitMs = 10) {
    send(CmdLoadProgData, value);
    send(CmdBeginProg);
    sleep(waitMs);
  }
  void flashEEByte(std::uint16_t value, int waitMs = 10) {
    send(CmdLoadEEData, value);
    send(CmdBeginProg);
    sleep(waitMs);
  }
  // "Flash1" word: load; at odd addresses program the pair (2 ms between Begin and End).
  void flash1Word(int address, std::uint16_t value) {
    send(CmdLoadProgData, value);
    if (address % 2 == 1) {
      send(CmdBeginProg);
      sleep(2);
      send(CmdEndProg);
    }
  }
  // "OTP" word: pulses with read-back, at most 25, then 3k + 1 over-programming pulses.
  // Returns the number of pulses after which the word verified, 0 when it never did.
  int otpWord(std::uint16_t value) {
    auto pulse = [&] {
      send(CmdLoadProgData, value);
      send(CmdBeginProg);
      sleep(1);
      send(CmdEndProg);
    };
    int counter = 0;
    while (counter < 25) {
      pulse();
      counter += read() == value ? 101 : 1;
    }
    if (counter <= 100) return 0;
    const int k = counter - 100;
    for (int i = 0; i < 3 * k + 1; ++i) pulse();
    return k;
  }
  // The unprotect sequence of "Flash" devices.
  void flashUnprotect() {
    modeOn();
    send(CmdLoadConfig, 0);
    send(CmdLoadProgData, 0x3FFF);
    inc(7);
    send(CmdEraseSetup1);
    send(CmdEraseSetup2);
    send(CmdBeginProg);
    sleep(10);
    send(CmdEraseSetup1);
    send(CmdEraseSetup2);
    modeOff();
  }

  // Reads `count` program words from address 0 in a fresh programming-mode pass.
  std::vector<std::uint16_t> readProgram(int count) {
    std::vector<std::uint16_t> words;
    modeOn();
    for (int i = 0; i < count; ++i) {
      words.push_back(read());
      inc();
    }
    modeOff();
    return words;
  }

  // Raw bytes straight onto the board.
  void raw(std::initializer_list<std::uint8_t> bytes) {
    for (std::uint8_t b : bytes) board.writeByte(b);
  }

  VirtualClock clock;
  VirtualChip chip;
  VirtualBoard board;
  Link link;
};

}  // namespace tavrix::test
