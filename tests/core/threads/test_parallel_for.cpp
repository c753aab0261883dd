// The helper's item runs until the caller's stop (asked while waiting) or a failure ends it.

#include <gtest/gtest.h>

#include <thread>

#include "core/KivoraError.h"
#include "core/threads/ParallelFor.h"

namespace kivora {
namespace {

TEST(ParallelFor, StopAndFailureReachTheOtherThreadWhileWaiting) {
  for (const bool fail : {false, true}) {
    std::atomic<bool> userAborted{false}, helperRan{false}, threw{false};
    const StopCheck stop = [&] { return userAborted.load(); };
    SharedStop shared(stop);
    const auto work = [&](int, int thread) {
      helperRan = helperRan || thread != 0;
      while (thread != 0 && !shared.Raised()) std::this_thread::yield();
      if (thread == 0 && fail) throw KivoraError(MessageText::Plain("failed"));
      userAborted = true;
    };
    try {
      ParallelFor(2, work, &shared);
    } catch (const KivoraError&) {
      threw = true;
    }
    EXPECT_EQ(threw, fail);
    // A helper that took an item ended only through the shared stop; one that started
    // too late to take any leaves nothing to say (the caller then ran both items).
    EXPECT_TRUE(shared.Raised() || (!fail && !helperRan));
  }
}

}  // namespace
}  // namespace kivora
