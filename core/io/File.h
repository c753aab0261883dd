#pragma once
// A file as an RAII wrapper over its descriptor. Every failure throws KivoraError with a
// readable text; nothing fails silently.

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/KivoraError.h"

namespace kivora {

// A text of core/text/Messages.h that takes a path and the system's words
// (msg::kOpenFileFailed, ...).
using IoFailureText = MessageTemplate<std::string, std::string>;

// Which file a name or descriptor stands for, and how many names it has.
struct FileIdentity {
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  std::uint64_t links = 0;  // 0: unknown (no such file, or it cannot be looked up)
};
// The file path names (links followed); links 0 when it cannot be told.
FileIdentity IdentityOf(const std::filesystem::path& path);
// True when both are known and the same file.
inline bool SameFile(const FileIdentity& a, const FileIdentity& b) {
  return a.links != 0 && b.links != 0 && a.device == b.device && a.inode == b.inode;
}

// What a write to a file changes: its size and its modification and change times.
struct FileStamp {
  std::int64_t size = 0;
  std::int64_t modifiedNs = 0;
  std::int64_t changedNs = 0;
  bool operator==(const FileStamp&) const = default;
};

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
  File(File&& other) noexcept;
  File& operator=(File&& other) noexcept;
  ~File();
  bool IsOpen() const { return fd_ >= 0; }
  const std::filesystem::path& Path() const { return path_; }
  // Hands the path over to the caller; the file names nothing in messages from then on.
  std::filesystem::path TakePath() { return std::move(path_); }
  FileIdentity Identity() const;
  // Throws KivoraError when the file cannot be looked up.
  FileStamp Stamp() const;

  // Reads up to buffer.size() bytes; returns how many (0 at the end).
  size_t Read(std::span<std::uint8_t> buffer);
  // Reads exactly buffer.size() bytes or throws.
  void ReadExact(std::span<std::uint8_t> buffer);
  // Reads exactly buffer.size() bytes at offset or throws, without moving the file's
  // position: threads may read one file at once.
  void ReadExactAt(std::int64_t offset, std::span<std::uint8_t> buffer);
  // Reads up to buffer.size() bytes at offset without moving the file's position; returns
  // how many (fewer only at the end of the file).
  size_t ReadAt(std::int64_t offset, std::span<std::uint8_t> buffer) const;
  // `written`, when given, grows by every byte the system took, also when a later
  // write fails: what reached a pipe before its reader went away.
  void Write(std::span<const std::uint8_t> data, std::int64_t* written = nullptr);
  // Writes the pieces one after another, in as few calls as the system allows.
  void WriteGathered(std::span<const std::span<const std::uint8_t>> pieces);
  // Writes at offset without moving the file's position.
  void WriteAt(std::int64_t offset, std::span<const std::uint8_t> data);
  void Seek(std::int64_t offset, int whence = SEEK_SET);
  std::int64_t Tell();
  std::int64_t Size();
  // Cuts the file to `size` bytes and moves to its new end.
  void Truncate(std::int64_t size);
  // Closes; throws when the system reports an error of writing.
  void Close();
  // Waits until the data is on the disk.
  void Sync();
  int Descriptor() const { return fd_; }

 private:
  File(int fd, std::filesystem::path path) : fd_(fd), path_(std::move(path)) {}
  // Throws `what` (a template like DescribeIoError's) for this file and errno.
  [[noreturn]] void Fail(const IoFailureText& what) const;

  int fd_ = -1;
  std::filesystem::path path_;
};

// The folder and the name in a file's path, as text; the folder is "." for a bare name.
// For many small files, cheaper than parsing the path into its parts.
std::string FolderText(const std::filesystem::path& file);
// The folder as FolderText gives it, without a copy: it lies in `file`'s text.
std::string_view FolderView(const std::filesystem::path& file);
std::string NameText(const std::filesystem::path& file);

// Reads a whole file; throws when it cannot be opened or read.
std::vector<std::uint8_t> ReadWholeFile(const std::filesystem::path& path);

// A message about a path: `what` with the path and the system's words for errno `err`.
MessageText DescribeIoError(const std::filesystem::path& path, const IoFailureText& what, int err);

}  // namespace kivora
