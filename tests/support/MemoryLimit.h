#pragma once

#include <functional>
#include <string>

namespace tavrix::test {

// Runs `work` in a child process allowed only `headroomMb` megabytes of data beyond what it
// holds when it starts, and says how it went: empty when `work` returned true, otherwise what
// happened (false returned, memory ran out, or the child died).
std::string runWithDataHeadroom(long headroomMb, const std::function<bool()>& work);

}  // namespace tavrix::test
