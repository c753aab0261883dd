#pragma once
// The tests' hook on the system-call seam (core/io/FileSystemCalls.h): ends the process
// by SIGKILL just before the Nth counted call, or only counts the calls.

#include <cstdint>

namespace kivora::sys {

// Counts the calls from here on, from 0; the process keeps running.
void StartCountingCalls();
// The process ends by SIGKILL just before the nth call from here on (n ≥ 1); 0 disarms.
void EndProcessAtCall(std::uint64_t n);
// Calls since the counting started (by StartCountingCalls or EndProcessAtCall); 0 when
// it never did.
std::uint64_t CallsMade();

}  // namespace kivora::sys
