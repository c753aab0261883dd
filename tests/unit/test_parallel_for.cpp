// The two-thread loop: the helper's item runs until the shared stop reaches it, raised by
// the caller's stop (asked while the calling thread waits) or by a failure.

#include <gtest/gtest.h>

#include <thread>

#include "core/KivoraError.h"
#include "core/ParallelFor.h"

namespace kivora {
namespace {

class ParallelForStopTest : public ::testing::TestWithParam<bool> {};

TEST_P(ParallelForStopTest, ReachesTheOtherThreadWhileWaiting) {
  const bool fail = GetParam();
  std::atomic<bool> userAborted{false}, helperRan{false};
  const StopCheck stop = [&] { return userAborted.load(); };
  SharedStop shared(stop);
  const auto work = [&](int, int thread) {
    helperRan = helperRan || thread != 0;
    while (thread != 0 && !shared.Raised()) std::this_thread::yield();
    if (thread == 0 && fail) throw KivoraError(std::string("failed"));
    userAborted = true;
  };
  bool threw = false;
  try {
    ParallelFor(2, work, &shared);
  } catch (const KivoraError&) {
    threw = true;
  }
  EXPECT_EQ(threw, fail);
  EXPECT_EQ(shared.Raised(), fail || helperRan);
}

INSTANTIATE_TEST_SUITE_P(AbortOrFailure, ParallelForStopTest, ::testing::Bool());

}  // namespace
}  // namespace kivora
