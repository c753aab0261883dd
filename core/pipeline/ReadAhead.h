#pragma once
// Reading a file from start to end on a thread of its own, a few blocks ahead of the
// thread that uses the bytes. Where the bytes are only checksummed (a part cloned from
// its source), reading them from the page cache and checksumming them take about as long
// each; side by side they take the time of the longer.
//
// The two threads hand blocks over through two counters that they wait on (atomic
// wait: a short spin before the kernel is asked), not a condition variable: a block
// takes some 100 µs to read, about what waking a sleeping thread takes on a busy machine.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <span>
#include <thread>
#include <vector>

#include "core/io/IoBuffer.h"

namespace kivora {

class ReadAhead {
 public:
  // Fills up to buffer.size() bytes and returns how many; 0 at the end.
  using ReadFunction = std::function<size_t(std::span<std::uint8_t>)>;

  // Starts reading with `read`, which the caller does not call itself while this lives.
  ReadAhead(ReadFunction read, int blocks, size_t blockBytes);
  // Stops reading and waits for the thread; the position `read` reached is where the
  // last block handed out ends only once Next returned empty.
  ~ReadAhead();
  ReadAhead(const ReadAhead&) = delete;
  ReadAhead& operator=(const ReadAhead&) = delete;

  // The next bytes read, valid until the next call; empty at the end, or once Stop was
  // called and every block read before it was handed out. Rethrows what reading threw,
  // after the blocks read before it.
  std::span<std::uint8_t> Next();
  // Reads no block after the one being read.
  void Stop();

 private:
  static constexpr std::uint64_t kFlag = std::uint64_t{1} << 63;

  void Run();

  ReadFunction read_;
  std::vector<IoBuffer> blocks_;
  std::vector<size_t> lengths_;  // each block's, written before produced_ counts it
  std::exception_ptr error_;     // written before produced_ says the reader ended
  // Blocks read; kFlag once the reader ended (the end, a stop, an error). The reader's.
  std::atomic<std::uint64_t> produced_{0};
  // Blocks given back; kFlag once Stop was called. The owner's.
  std::atomic<std::uint64_t> released_{0};
  std::uint64_t taken_ = 0;  // blocks handed out; the owner's
  std::thread thread_;       // last: started once the members above exist
};

}  // namespace kivora
