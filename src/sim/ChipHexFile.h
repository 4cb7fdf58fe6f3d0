#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <functional>
#include <vector>

class QIODevice;

namespace tavrix {

// One Intel HEX record as read from a file.
struct HexRecord {
  int line = 0;               // line number in the file, from 1
  std::uint8_t type = 0;      // 0x00 data, 0x01 end of file
  std::uint16_t address = 0;  // byte address of the first data byte
  QByteArray data;
};

// A small strict Intel HEX codec for the virtual chip's contents file.
//
// Reading accepts only well-formed records: ':' first, an even number of hexadecimal digits,
// a length that matches the data, a correct checksum, data that stays below byte 0x10000, and
// an end-of-file record (anything after it is ignored, like every reader of these files does).
// Record types 00 and 01 are the file's own; types 02 and 04 are accepted only with the value
// 0000 (assemblers start 32-bit files with such a record, and it changes no address). Empty
// lines and a trailing CR are tolerated.
namespace ChipHexFile {

// The checksum byte of a record: two's complement of the sum of all the other bytes.
std::uint8_t checksum(const QByteArray& recordBytes);

// Reads `in` one line at a time and hands each data record to `onData`, in file order, up to
// the end record. No more than one record's worth of text is held at a time, whatever the size
// of the file: a line longer than any record can be is refused as soon as that is clear. False
// with a message naming the line on a malformed file, or with the message `onData` gave when it
// returned false.
using DataRecordHandler = std::function<bool(const HexRecord& record, QString* error)>;
bool read(QIODevice& in, const DataRecordHandler& onData, QString* error);

// Parses `text` into its data records (the end record is not included). On a malformed file
// returns false and sets `error` to a message naming the line.
bool parse(const QByteArray& text, std::vector<HexRecord>* records, QString* error);

// One record as a line ":LLAAAATT<data>CC" in upper-case hexadecimal, ended by LF.
// `data` must hold at most 255 bytes.
QByteArray record(std::uint8_t type, std::uint16_t address, const QByteArray& data);

// The end-of-file record ":00000001FF" with its LF.
QByteArray endRecord();

}  // namespace ChipHexFile

}  // namespace tavrix
