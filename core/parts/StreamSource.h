#pragma once
// A source of unknown length: standard input, a pipe, a FIFO or a character device. It is
// read once, front to back; a look-ahead of a part or two tells how many bytes are left
// before the split decides the size of the next part. Only the bytes released for the
// part being written are handed out, so each part starts exactly where the last ended.

#include <cstdint>
#include <filesystem>
#include <span>
#include <utility>
#include <vector>

#include "core/io/File.h"
#include "core/io/IoBuffer.h"
#include "core/threads/StopCheck.h"

namespace kivora {

class StreamSource {
 public:
  // `stop`, when given, is asked while the stream keeps the reader waiting, so that a
  // stop request (a signal's flag) ends a wait for a writer that never comes.
  explicit StreamSource(File file, StopCheck stop = {})
      : file_(std::move(file)), stop_(std::move(stop)) {}

  // Reads until at least `want` bytes wait, the stream ends or a stop is requested;
  // returns how many wait. Throws KivoraError (132) when reading fails.
  std::int64_t Fill(std::int64_t want);
  // Lets Read hand out the next `count` waiting bytes (count <= what waits).
  void Release(std::int64_t count) { released_ += count; }
  // Copies up to out.size() released bytes; 0 when none is released.
  size_t Read(std::span<std::uint8_t> out);
  // Bytes handed out by Read so far.
  std::int64_t Consumed() const { return consumed_; }
  const std::filesystem::path& Path() const { return file_.Path(); }

 private:
  std::int64_t Waiting() const { return static_cast<std::int64_t>(end_ - begin_); }
  // Reads into `free` what the stream gives until it is full or the stream ends; less
  // when a stop is requested while waiting.
  size_t ReadUntilFull(std::span<std::uint8_t> free);

  File file_;
  StopCheck stop_;
  // Bytes read, in [0, end_); those from begin_ on not handed out.
  IoBuffer buffer_;
  size_t begin_ = 0;
  size_t end_ = 0;
  std::int64_t released_ = 0;
  std::int64_t consumed_ = 0;
  bool ended_ = false;
};

}  // namespace kivora
