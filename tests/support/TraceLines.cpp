#include "support/TraceLines.h"

#include <cctype>
#include <stdexcept>

#include "link/Recording.h"

namespace tavrix::test {

std::vector<std::string> writesTrace(const std::string& hexBytes) {
  std::string digits;
  for (char c : hexBytes) {
    if (std::isxdigit(static_cast<unsigned char>(c))) digits += c;
  }
  if (digits.size() % 2 != 0) throw std::invalid_argument("odd number of hex digits: " + hexBytes);
  std::vector<std::string> lines;
  for (std::size_t i = 0; i < digits.size(); i += 2) {
    const auto value = static_cast<std::uint8_t>(std::stoi(digits.substr(i, 2), nullptr, 16));
    lines.push_back(TraceSink::writeLine(value));
  }
  return lines;
}

std::vector<std::string> concat(std::initializer_list<std::vector<std::string>> parts) {
  std::vector<std::string> all;
  for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

std::vector<std::string> repeat(const std::vector<std::string>& piece, int count) {
  std::vector<std::string> all;
  for (int i = 0; i < count; ++i) all.insert(all.end(), piece.begin(), piece.end());
  return all;
}

}  // namespace tavrix::test
