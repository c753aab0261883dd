// The two-thread loop: a stop or a failure reaches the other thread at once.

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "core/KivoraError.h"
#include "core/ParallelFor.h"

namespace kivora {
namespace {

// The helper thread's item runs until the shared stop is raised: by the caller's stop,
// asked while the calling thread waits, or by a failure on the calling thread.
class ParallelForStopTest : public ::testing::TestWithParam<bool> {};

TEST_P(ParallelForStopTest, ReachesTheOtherThreadWhileWaiting) {
  const bool fail = GetParam();
  std::atomic<bool> userAborted{false};
  const StopCheck stop = [&] { return userAborted.load(); };
  SharedStop shared(stop);
  std::atomic<bool> helperRan{false};
  const auto work = [&](int, int thread) {
    if (thread != 0) {  // runs until the stop reaches it
      helperRan = true;
      while (!shared.Raised()) std::this_thread::yield();
      return;
    }
    if (fail) throw KivoraError(std::string("failed"));
    userAborted = true;
  };
  if (fail) {
    EXPECT_THROW(ParallelFor(2, work, &shared), KivoraError);
  } else {
    ParallelFor(2, work, &shared);
  }
  EXPECT_EQ(shared.Raised(), fail || helperRan);
}

INSTANTIATE_TEST_SUITE_P(Causes, ParallelForStopTest, ::testing::Bool());

}  // namespace
}  // namespace kivora
