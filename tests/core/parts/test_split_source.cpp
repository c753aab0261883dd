#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "core/parts/SplitSource.h"
#include "tests/support/TestSupport.h"

namespace kivora {
namespace {

// A FIFO that no writer opens keeps a split waiting until a stop is requested: opening it
// does not wait, and the wait for its bytes asks the stop check. Should the wait ignore
// the check, a writer comes after 5 s and the stream ends without it having been asked.
TEST(SplitSource, AStopRequestEndsTheWaitForAWriter) {
  test::TempDir dir;
  const auto fifo = dir / "in";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  std::atomic<bool> stopRequested = false;
  std::atomic<int> asked = 0;
  std::atomic<bool> done = false;
  std::thread late([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    stopRequested = true;
    for (int i = 0; i < 500 && !done; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    const int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);  // none once the reader left
    if (fd >= 0) ::close(fd);
  });
  {
    std::optional<SplitSource> source = SplitSource::Open(fifo, [&] {
      ++asked;
      return stopRequested.load();
    });
    ASSERT_TRUE(source);
    EXPECT_FALSE(source->Size());
    EXPECT_EQ(source->Left(1024), 0);
    EXPECT_TRUE(stopRequested);
    EXPECT_GT(asked, 0);
  }
  done = true;
  late.join();
}

}  // namespace
}  // namespace kivora
