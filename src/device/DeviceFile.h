#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <vector>

#include "device/DeviceDef.h"

namespace tavrix {

// The names of a device file's device sections in file order, duplicates included. They are
// held as places in the file's text, so that a file of millions of sections costs four bytes
// for each beyond the file itself.
class DeviceNames {
 public:
  qsizetype size() const { return qsizetype(offsets_.size()); }
  bool isEmpty() const { return offsets_.empty(); }
  QString at(qsizetype i) const;
  QString first() const { return at(0); }
  // Whether a section has exactly this name.
  bool contains(const QString& name) const;
  QStringList toList() const;
  // Code that wants the names as a list (small files) gets it as before.
  operator QStringList() const { return toList(); }  // NOLINT(google-explicit-constructor)
  // Whether the i-th section is the first of its name (the one reads of that name answer).
  bool isFirstOfName(qsizetype i) const { return firstOfName_[std::size_t(i)]; }

  class const_iterator {
   public:
    const_iterator(const DeviceNames* names, qsizetype i) : names_(names), i_(i) {}
    QString operator*() const { return names_->at(i_); }
    const_iterator& operator++() {
      ++i_;
      return *this;
    }
    bool operator!=(const const_iterator& other) const { return i_ != other.i_; }

   private:
    const DeviceNames* names_;
    qsizetype i_;
  };
  const_iterator begin() const { return {this, 0}; }
  const_iterator end() const { return {this, size()}; }

  friend bool operator==(const DeviceNames& a, const QStringList& b) { return a.toList() == b; }
  friend bool operator==(const QStringList& a, const DeviceNames& b) { return b == a; }

 private:
  friend struct DeviceList ReadDeviceList(const QString& configPath);
  friend void ForEachDevice(const struct DeviceList& list,
                            const std::function<bool(const DeviceDef&)>& visit);
  QByteArray text_;
  std::vector<std::uint32_t> offsets_;  // where each name starts in text_
  std::vector<bool> firstOfName_;
};

// What start-up takes from the device file: the settings and the devices in file order.
struct DeviceList {
  qint32 port = 888;     // read and unused: the programmer is reached through a device node
  QString lastFile;      // `lastfile` of [Config], empty when absent
  QString portDevice;    // `portdevice` of [Config]: the one port node to use; empty: search
  DeviceNames devices;   // sections whose names begin with "PIC", in file order
  QString problem;       // why a file that exists could not be read; empty when it was read
                         // or does not exist
  QStringList repeated;  // device names of more than one section, each once, in file order
};

// Opens the file afresh and reads the device list; a missing file gives no devices.
DeviceList ReadDeviceList(const QString& configPath);

// Opens the file afresh and reads one device section with every default applied.
DeviceDef ReadDeviceSection(const QString& configPath, const QString& name);

// Reads the device sections that answer their names (the first section of each name), in file
// order, from the copy of the file the list holds, in one pass however many devices it has, and
// hands each to `visit` until it returns false.
void ForEachDevice(const DeviceList& list, const std::function<bool(const DeviceDef&)>& visit);

// Whether some device of the list's file would be accepted by selection (deviceProblem).
bool HasUsableDevice(const DeviceList& list);

}  // namespace tavrix
