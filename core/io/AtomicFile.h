#pragma once
// Files that replace their target in one step, or not at all.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>

#include "core/io/File.h"
#include "core/io/Folder.h"

namespace kivora {

// A file written beside its target and moved over it by Commit(); when dropped
// without Commit() it disappears, so an existing file of the target name is never
// destroyed by a failed write. Where the file system allows it the file has no name
// until Commit(), so not even a killed process leaves it behind; elsewhere it has the
// hidden name TemporaryNameFor(target) (core/io/EntryNames.h), which the next write of
// the target replaces. Replacing a file keeps that file's mode (and owner, when allowed).
//
// Placement::InPlaceIfFree is for a caller whose journal lists the target's name as one
// it creates (a set's intent, core/set/SetCommit.h): a target whose name is free is
// created under it at once, one system call in the place of creating an unnamed file and
// linking it. A failure or a drop still removes it; what a kill leaves goes when that
// journal is next read. A taken name is left alone as ever.
//
// Placement::Hidden is for a caller that names its files by one commit whatever their
// names hold (a set's, core/set/SetTransaction.h): the file is created under
// `hiddenName` when given, and CommitBeside leaves it under its hidden name even when
// the target's name is free.
class AtomicFile {
 public:
  enum class Placement { Beside, InPlaceIfFree, Hidden };

  // folder, when given, is the target's folder, open already; it must outlive this.
  explicit AtomicFile(std::filesystem::path target, const Folder* folder = nullptr,
                      Placement placement = Placement::Beside, const std::string& hiddenName = {});
  ~AtomicFile();
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  // When a new name's file reaches the disk: before it takes the name, or with the next
  // SyncFileSystem of its folder (for many files that are worth something only together).
  // A file that replaces another always reaches the disk before the replacement.
  enum class Durability { SyncNow, SyncLater };

  File& Stream() { return file_; }
  // Created under the target's name, which was free (Placement::InPlaceIfFree): it keeps it.
  bool InPlace() const { return inPlace_; }
  // Once committed: the target's path, handed back without a copy.
  std::filesystem::path TakeTarget() { return file_.TakePath(); }
  void Write(std::span<const std::uint8_t> data) { file_.Write(data); }
  // Refuses (KivoraError) to replace what the replace policy (OutputTarget.h) does not
  // allow: anything but a regular file, a link to one or a dangling link. The folder is
  // synced once the file has its name.
  void Commit(Durability durability = Durability::SyncNow);
  // Like Commit(), but a file of the target's name is left alone: this file then keeps
  // a hidden name beside it, which is returned (empty when it took the target's name),
  // for ReplaceFile to move it over the target later. Lets many files replace theirs
  // together once all of them are written. The folder is synced when the file took the
  // target's name with SyncNow (with SyncLater, the SyncFileSystem takes the name to the
  // disk too). `hiddenName`, when given, is the hidden name (one a set's commit
  // knows); a file of that name is replaced.
  std::filesystem::path CommitBeside(Durability durability, const std::string& hiddenName = {});
  // Syncs the file and leaves it under `hiddenName` (a set's hidden name),
  // whether or not the target's name is free, for the set's commit (core/set/SetCommit.h)
  // to name it; a file of that name is replaced.
  void CommitHidden(const std::string& hiddenName);

 private:
  // Gives the file the target's name when that is free (true); otherwise, once the
  // target proved replaceable, a hidden name beside it (false). The file stays open.
  bool NameOrHide(Durability durability, const std::string& hiddenName);
  // Gives the file, named or not, the hidden name `hidden` in the place of a file of that
  // name; the file stays open.
  void Hide(const std::string& hidden);

  std::optional<Folder> ownFolder_;  // when no folder was given
  const Folder* folder_;
  std::string name_;         // the target's name in folder_
  std::string temp_;         // the hidden name in folder_; empty while the file has no name
  bool inPlace_ = false;     // the file was created under name_, which was free
  bool hideAlways_ = false;  // Placement::Hidden
  File file_;
  bool committed_ = false;
};

// Moves a file that CommitBeside left under a hidden name over its target, in one step;
// refuses a target that the replace policy (OutputTarget.h) does not allow.
void ReplaceFile(const std::filesystem::path& hidden, const std::filesystem::path& target);

// Waits until everything written to the file system that holds folder is on the disk.
void SyncFileSystem(const std::filesystem::path& folder);

// Writes the whole buffer to path through an AtomicFile.
void WriteFileAtomically(const std::filesystem::path& path, std::span<const std::uint8_t> data);
}  // namespace kivora
