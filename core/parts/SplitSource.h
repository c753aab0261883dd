#pragma once
// What a split reads: a regular file, whose size is known before its first part, or a
// stream (standard input, a pipe, a FIFO, a socket or a character device), whose size is
// known once it ends. A stream is read once, through a look-ahead that tells how many
// bytes are left before the next part's size is decided.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>

#include "core/io/File.h"
#include "core/parts/StreamSource.h"

namespace kivora {

// True for "-" (standard input) and for a path that names no regular file but a pipe,
// FIFO, socket or character device.
bool IsStreamSource(const std::filesystem::path& path);

class SplitSource {
 public:
  // Opens `path` ("-": a copy of standard input's descriptor), asking once whether it is
  // a stream; empty when it cannot be opened.
  // A stream is read with `stop` asked while it keeps the reader waiting, and a FIFO
  // is opened without waiting for its writer.
  static std::optional<SplitSource> Open(const std::filesystem::path& path,
                                         const StopCheck& stop = {});

  // The source's size; none for a stream.
  const std::optional<std::int64_t>& Size() const { return size_; }
  // The bytes not released yet: all of them when the size is known, else at least
  // `want` of them, or all when fewer are left. Throws KivoraError (132) when reading
  // fails.
  std::int64_t Left(std::int64_t want);
  // Lets Read hand out the next `count` bytes (count <= Left).
  void Release(std::int64_t count);
  // Copies up to out.size() bytes; 0 when none is left.
  size_t Read(std::span<std::uint8_t> out);
  // Bytes released so far.
  std::int64_t Released() const { return released_; }
  const std::filesystem::path& Path() const;
  // The file read, when the size is known (a stream is never a split's target).
  const File& SizedFile() const { return file_; }

 private:
  SplitSource(File file, std::optional<std::int64_t> size, const StopCheck& stop = {});

  File file_;  // read directly when the size is known
  std::optional<std::int64_t> size_;
  std::optional<StreamSource> stream_;  // else read through its look-ahead
  std::int64_t released_ = 0;
};

}  // namespace kivora
