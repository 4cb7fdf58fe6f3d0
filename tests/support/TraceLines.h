#pragma once

#include <initializer_list>
#include <string>
#include <vector>

namespace tavrix::test {

// The trace lines of the written bytes given as hex text, e.g. "08 0A 08" -> W 08, W 0A, W 08.
// Separators other than hex digits are ignored; every two digits make one byte.
std::vector<std::string> writesTrace(const std::string& hexBytes);

// Concatenates trace pieces, to build an expected sequence in protocol order.
std::vector<std::string> concat(std::initializer_list<std::vector<std::string>> parts);

// `count` copies of a piece.
std::vector<std::string> repeat(const std::vector<std::string>& piece, int count);

}  // namespace tavrix::test
