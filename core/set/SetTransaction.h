#pragma once
// One change of a set's files: the new files it writes, the old files it removes, and the
// commit that makes them the set (CommitSet, core/set/SetCommit.h). Every writer of a set
// keeps the files that wait for a commit here, and nowhere else. A writer that holds the
// set's lock alone (SetLock, which has finished any commit a killed run left) goes so:
//
//   SetTransaction change(folder, names.LockName());
//   change.AddMembers(MembersOf(oldDefinition, ...));  // the set before and after: the only
//   change.AddMembers(MembersOf(newDefinition, ...));  // names the commit may touch
//   const std::filesystem::path hidden = change.Register("movie.007");
//   ... write the file at `hidden`, sync or not, close it ...
//   change.MarkComplete("movie.007");
//   change.Remove("movie.009");                        // an old file that goes with it
//   change.Register("movie.kvr", SetTransaction::Role::Definition); ... MarkComplete
//   change.Commit(HiddenFileSync::EachFile);
//
// A writer that downloads or copies a file registers its target, writes the hidden path,
// marks it complete and commits, the same way. The complete files take their names in the
// order they were marked complete, the definition after every other (and only a part that
// replaces the one carrying the old definition after it); the removals follow.
// Whatever was registered and is not committed is removed when the transaction goes (or at
// Drop or Discard), so a failure or a stop leaves nothing hidden; what a kill leaves goes
// at the set's next lock. Register, HiddenName, MarkComplete and Discard may be called from
// any thread.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/set/CommitJournal.h"
#include "core/set/SetCommit.h"

namespace kivora {

class SetTransaction {
 public:
  enum class Role {
    File,        // a part or a recovery part
    Definition,  // takes its name after every other new file
    Carrier,     // replaces the part that carries the old definition: after the new one
  };

  // The caller holds the exclusive lock of set `setName` in `folder` (empty: the current
  // folder). Throws KivoraError when the folder cannot be opened.
  SetTransaction(const std::filesystem::path& folder, std::string setName);
  SetTransaction(SetTransaction&&) noexcept;
  // Drops the files this one holds and takes over other's.
  SetTransaction& operator=(SetTransaction&& other) noexcept;
  ~SetTransaction();

  const std::string& SetName() const;
  const std::filesystem::path& FolderPath() const;

  // A set whose names the commit may touch: the set before the change or after it.
  void AddMembers(SetMembers members);

  // The name the new file of `target` is written under, in the set's folder.
  std::string HiddenName(std::string_view target) const;
  // Registers a new file that will take the name `target`, and returns the path it is
  // written at. Registering a target again keeps one entry.
  std::filesystem::path Register(std::string_view target, Role role = Role::File);
  // The new file of `target` is whole under its hidden name (registered here when it was
  // not yet), with its CRC-32 when known.
  void MarkComplete(std::string_view target, std::optional<std::uint32_t> crc = {});
  // As Register and MarkComplete: the file is already whole under HiddenName(target).
  void Add(std::string target, Role role = Role::File);
  // The new file of `target` takes its name after the definition's (Role::Carrier).
  void SetRole(std::string_view target, Role role);
  // Gives up the new file of `target`: its hidden file is removed.
  void Discard(std::string_view target);
  // An old file of the set that is removed once every new file has its name.
  void Remove(std::string name);

  // The writer is about to make new files directly under `names`, free now: the intent is
  // written first (BeginCreating, core/set/SetCommit.h), with the members added so far,
  // so that a kill before the commit leaves nothing under those names once the set is
  // next locked. The commit takes the intent's place.
  void BeginCreating(std::vector<std::string> names);
  // The files created stay as they are, whether or not a commit follows: the intent goes.
  void KeepCreated();

  // True when no file is complete and nothing is to be removed.
  bool Empty() const;
  // Renames every complete file over its target and removes the removals, so that a kill
  // at any instant leaves the old set or the new one (CommitSet); files registered and not
  // complete are removed first. They are this one's no more, whether that succeeds or
  // throws. Refuses (KivoraError) a target or removal that is no name of the members.
  void Commit(HiddenFileSync sync);
  // Removes every file registered and forgets the removals.
  void Drop();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace kivora
