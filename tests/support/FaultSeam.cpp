#include "tests/support/FaultSeam.h"

#include <unistd.h>

#include <atomic>
#include <csignal>
#include <limits>

#include "core/io/FileSystemCalls.h"

namespace kivora::sys {
namespace {

constexpr std::uint64_t kCountOnly = std::numeric_limits<std::uint64_t>::max();

std::atomic<std::uint64_t> seamEndAt{0};
std::atomic<std::uint64_t> seamCalls{0};

void CountCall() {
  const std::uint64_t n = seamCalls.fetch_add(1, std::memory_order_relaxed) + 1;
  if (n != seamEndAt.load(std::memory_order_relaxed)) return;
  std::raise(SIGKILL);
  ::_exit(137);  // only when SIGKILL could not be raised
}

}  // namespace

void StartCountingCalls() { EndProcessAtCall(kCountOnly); }

void EndProcessAtCall(std::uint64_t n) {
  seamCalls.store(0, std::memory_order_relaxed);
  seamEndAt.store(n, std::memory_order_relaxed);
  SetCallHook(n == 0 ? nullptr : &CountCall);
}

std::uint64_t CallsMade() { return seamCalls.load(std::memory_order_relaxed); }

}  // namespace kivora::sys
