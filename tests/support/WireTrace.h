#pragma once

#include <string>
#include <vector>

namespace tavrix::test {

// Trace lines ("W 08", "R 40", "S 10") of whole link commands with a 14-bit word, built from
// the link's frame table: what the port and the clock carry, in order.
using Lines = std::vector<std::string>;

Lines progModeOnTrace();   // W 34, S 10, W 08, S 10
Lines progModeOffTrace();  // W 24
// 08, then each of the six code bits (LSB first): clock up with the bit, clock down holding it.
Lines commandTrace(int code);
// A data-out command: its command bits, then start bit, 14 data bits LSB first, stop bit.
Lines dataOutTrace(int code, int value);
// A data-in command whose chip answers `word`: a status read after each of the 14 data clocks.
Lines readTrace(int code, int word);

// What reading the identification and configuration words carries: Program Mode On, Load
// Configuration 3FFF, six Increment Address, Read Data, Increment Address, Read Data, Program
// Mode Off.
Lines identityReadTrace(int idWord, int configWord);

}  // namespace tavrix::test
