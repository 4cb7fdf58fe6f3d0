#pragma once

// The link's user-visible text, shown by the front ends when no printer port could be used.
namespace tavrix::texts {

inline constexpr const char* kNoParallelPortUtf8 = "Imposible comunicar con el puerto paralelo.";

}  // namespace tavrix::texts
