#pragma once
// An open folder, for creating and naming many files in it.

#include <filesystem>
#include <string_view>

#include "core/io/File.h"

namespace kivora {

// An open folder: files are created, named and renamed relative to it, so its path is
// not looked up again for every file.
class Folder {
 public:
  // Throws `what` (a template like DescribeIoError's) for `messagePath` when the folder
  // cannot be opened.
  Folder(std::filesystem::path path, const IoFailureText& what,
         const std::filesystem::path& messagePath);
  Folder(Folder&& other) noexcept;
  Folder& operator=(Folder&&) = delete;
  ~Folder();
  int Descriptor() const { return fd_; }
  const std::filesystem::path& Path() const { return path_; }
  // The process's open descriptors (/proc/self/fd), opened on first use for linking
  // unnamed files into this folder; -1 without /proc.
  int OpenDescriptors() const;
  // Whether the system may link an unnamed file by its descriptor alone (linkat with
  // AT_EMPTY_PATH: allowed for the file's opener on recent kernels, and with a privilege);
  // true until it refused once.
  bool LinksByDescriptor() const { return linksByDescriptor_; }
  void RefuseLinksByDescriptor() const { linksByDescriptor_ = false; }

 private:
  int fd_ = -1;
  mutable int descriptors_ = -2;  // -2: not opened yet
  mutable bool linksByDescriptor_ = true;
  std::filesystem::path path_;
};

// Waits until the folder's entries (the names given, changed and removed in it) are on
// the disk: a file's folder is synced after the file takes its name.
void SyncFolder(const Folder& folder);

}  // namespace kivora
