#pragma once
// New files of a set that wait under their hidden names (core/io/CommitNames.h) for one
// commit (core/io/SetCommit.h). The caller holds the set's exclusive lock. The files not
// committed are removed when this goes, so a failure or a stop leaves nothing hidden.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/io/Folder.h"
#include "core/io/SetCommit.h"

namespace kivora {

class PendingSetCommit {
 public:
  PendingSetCommit(const std::filesystem::path& folder, std::string setName);
  PendingSetCommit(PendingSetCommit&&) noexcept = default;
  // Drops the files this one holds and takes over other's.
  PendingSetCommit& operator=(PendingSetCommit&& other) noexcept;
  ~PendingSetCommit();

  // The name the new file of `target` is written under.
  std::string HiddenName(std::string_view target) const;
  // The new file of `target` is complete under HiddenName(target).
  void Add(std::string target);
  bool Empty() const { return files_.empty(); }
  // Every file added takes its target's name, in the order added (CommitSet); they are
  // this one's no more, whether that succeeds or throws.
  void Commit(HiddenFileSync sync);
  // Removes the files added.
  void Drop();

 private:
  std::optional<Folder> folder_;
  std::string setName_;
  std::vector<NewSetFile> files_;
};

}  // namespace kivora
