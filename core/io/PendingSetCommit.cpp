#include "core/io/PendingSetCommit.h"

#include <unistd.h>

#include <utility>

#include "core/io/CommitNames.h"
#include "core/io/FileSystemCalls.h"
#include "core/text/Messages.h"

namespace kivora {

PendingSetCommit::PendingSetCommit(const std::filesystem::path& folder, std::string setName)
    : folder_(std::in_place, folder.empty() ? std::filesystem::path(".") : folder,
              msg::kCreateFileFailed, folder),
      setName_(std::move(setName)) {}

PendingSetCommit::~PendingSetCommit() { Drop(); }

PendingSetCommit& PendingSetCommit::operator=(PendingSetCommit&& other) noexcept {
  if (this == &other) return *this;
  Drop();
  folder_.reset();
  if (other.folder_) folder_.emplace(std::move(*other.folder_));
  setName_ = std::move(other.setName_);
  files_ = std::exchange(other.files_, {});
  return *this;
}

std::string PendingSetCommit::HiddenName(std::string_view target) const {
  return HiddenNameFor(setName_, target);
}

void PendingSetCommit::Add(std::string target) { files_.push_back({std::move(target), {}}); }

void PendingSetCommit::Commit(HiddenFileSync sync) {
  if (files_.empty()) return;
  // On failure CommitSet removes the hidden files itself, or leaves them to its journal.
  const std::vector<NewSetFile> files = std::exchange(files_, {});
  CommitSet(*folder_, setName_, files, {}, sync);
}

void PendingSetCommit::Drop() {
  for (const NewSetFile& f : std::exchange(files_, {}))
    sys::UnlinkAt(folder_->Descriptor(), HiddenName(f.target).c_str(), 0);
}

}  // namespace kivora
