#pragma once
// Small RAII wrappers over C stdio files. Every failure throws KivoraError with a
// readable text; nothing fails silently.

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/KivoraError.h"

namespace kivora {

class File {
 public:
  // The opening forms for existing files accept regular files only: a folder, a
  // device or a pipe counts as a file that cannot be opened.
  static File OpenRead(const std::filesystem::path& path);
  static File OpenReadWrite(const std::filesystem::path& path);
  // Creates the file, or empties an existing one.
  static File Create(const std::filesystem::path& path);
  // Creates a file that must not exist yet; returns an unopened File on failure.
  static File CreateNew(const std::filesystem::path& path);
  // Like OpenRead, but returns an unopened File instead of throwing.
  static File TryOpenRead(const std::filesystem::path& path);
  // Takes over an open read-write descriptor; `path` names it in messages.
  static File Adopt(int descriptor, std::filesystem::path path);

  File() = default;
  bool IsOpen() const { return handle_ != nullptr; }
  const std::filesystem::path& Path() const { return path_; }
  // True when path names the very file this one has open (same device and inode).
  bool IsSameFile(const std::filesystem::path& path) const;

  // Reads up to buffer.size() bytes; returns how many (0 at the end).
  size_t Read(std::span<std::uint8_t> buffer);
  // Reads exactly buffer.size() bytes or throws.
  void ReadExact(std::span<std::uint8_t> buffer);
  void Write(std::span<const std::uint8_t> data);
  void Seek(std::int64_t offset, int whence = SEEK_SET);
  std::int64_t Tell();
  std::int64_t Size();
  // Cuts the file to `size` bytes and moves to its new end.
  void Truncate(std::int64_t size);
  // Flushes and closes; throws when buffered data could not be written.
  void Close();
  // Flushes and waits until the data is on the disk.
  void Sync();
  int Descriptor() const;

 private:
  struct Closer {
    void operator()(std::FILE* f) const { std::fclose(f); }
  };
  File(std::FILE* handle, std::filesystem::path path) : handle_(handle), path_(std::move(path)) {}
  // Throws `what` (a template like DescribeIoError's) for this file and errno.
  [[noreturn]] void Fail(std::string_view what) const;

  std::unique_ptr<std::FILE, Closer> handle_;
  std::filesystem::path path_;
};

// A file written beside its target and moved over it by Commit(); when dropped
// without Commit() it disappears, so an existing file of the target name is never
// destroyed by a failed write. Where the file system allows it the file has no name
// until Commit(), so not even a killed process leaves it behind; elsewhere it has a
// short hidden name. Replacing a file keeps that file's mode (and owner, when allowed).
class AtomicFile {
 public:
  explicit AtomicFile(std::filesystem::path target);
  ~AtomicFile();
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  File& Stream() { return file_; }
  void Write(std::span<const std::uint8_t> data) { file_.Write(data); }
  void Commit();

 private:
  std::filesystem::path target_;
  std::filesystem::path temp_;  // empty while the file has no name
  File file_;
  bool committed_ = false;
};

// Writes the whole buffer to path through an AtomicFile.
void WriteFileAtomically(const std::filesystem::path& path, std::span<const std::uint8_t> data);
// Reads a whole file; throws when it cannot be opened or read.
std::vector<std::uint8_t> ReadWholeFile(const std::filesystem::path& path);

// A message about a path: `what` is a template of core/Messages.h that takes the path
// and the system's words for errno `err` (msg::kOpenFileFailed, ...).
std::string DescribeIoError(const std::filesystem::path& path, std::string_view what, int err);

}  // namespace kivora
