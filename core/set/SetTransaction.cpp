#include "core/set/SetTransaction.h"

#include <unistd.h>

#include <algorithm>
#include <functional>
#include <mutex>
#include <unordered_map>
#include <utility>

#include "core/io/FileSystemCalls.h"
#include "core/io/Folder.h"
#include "core/set/CommitNames.h"
#include "core/text/Messages.h"

namespace kivora {

struct SetTransaction::State {
  struct Entry {
    std::string target;
    Role role = Role::File;
    bool complete = false;
    std::optional<std::uint32_t> crc;
  };

  Folder folder;
  std::filesystem::path path;
  std::string setName;
  mutable std::mutex mutex;
  std::vector<Entry> entries;  // in the order registered
  // Where each target is in entries: a stream's set registers thousands of them.
  struct Hash {
    using is_transparent = void;
    size_t operator()(std::string_view name) const { return std::hash<std::string_view>{}(name); }
  };
  std::unordered_map<std::string, size_t, Hash, std::equal_to<>> where;
  std::vector<std::string> complete;  // targets, in the order marked complete
  std::vector<std::string> removals;
  std::vector<SetMembers> members;
  bool intent = false;  // an intent of files created waits in the folder

  State(const std::filesystem::path& place, std::string name)
      : folder(place.empty() ? std::filesystem::path(".") : place, msg::kCreateFileFailed, place),
        path(place.empty() ? std::filesystem::path(".") : place),
        setName(std::move(name)) {}

  Entry* Find(std::string_view target) {
    const auto it = where.find(target);
    return it == where.end() ? nullptr : &entries[it->second];
  }

  Entry& Enter(std::string_view target, Role role) {
    if (Entry* e = Find(target)) return *e;
    where.emplace(std::string(target), entries.size());
    return entries.emplace_back(Entry{std::string(target), role, false, {}});
  }

  void Forget(std::vector<Entry>::iterator entry) {
    entries.erase(entry);
    where.clear();
    for (size_t i = 0; i < entries.size(); ++i) where.emplace(entries[i].target, i);
  }

  void Unlink(std::string_view target) const {
    sys::UnlinkAt(folder.Descriptor(), HiddenNameFor(setName, target).c_str(), 0);
  }

  void DropAll() {
    where.clear();
    for (const Entry& e : std::exchange(entries, {})) Unlink(e.target);
    complete.clear();
    removals.clear();
  }
};

SetTransaction::SetTransaction(const std::filesystem::path& folder, std::string setName)
    : state_(std::make_unique<State>(folder, std::move(setName))) {}

SetTransaction::SetTransaction(SetTransaction&&) noexcept = default;

SetTransaction& SetTransaction::operator=(SetTransaction&& other) noexcept {
  if (this == &other) return *this;
  Drop();
  state_ = std::move(other.state_);
  return *this;
}

SetTransaction::~SetTransaction() { Drop(); }

const std::string& SetTransaction::SetName() const { return state_->setName; }

const std::filesystem::path& SetTransaction::FolderPath() const { return state_->path; }

void SetTransaction::AddMembers(SetMembers members) {
  const std::lock_guard lock(state_->mutex);
  state_->members.push_back(std::move(members));
}

std::string SetTransaction::HiddenName(std::string_view target) const {
  return HiddenNameFor(state_->setName, target);
}

std::filesystem::path SetTransaction::Register(std::string_view target, Role role) {
  const std::lock_guard lock(state_->mutex);
  state_->Enter(target, role);
  return state_->path / HiddenNameFor(state_->setName, target);
}

void SetTransaction::MarkComplete(std::string_view target, std::optional<std::uint32_t> crc) {
  const std::lock_guard lock(state_->mutex);
  State::Entry& e = state_->Enter(target, Role::File);
  e.crc = crc;
  if (!std::exchange(e.complete, true)) state_->complete.emplace_back(target);
}

void SetTransaction::Add(std::string target, Role role) {
  Register(target, role);
  MarkComplete(target);
}

void SetTransaction::SetRole(std::string_view target, Role role) {
  const std::lock_guard lock(state_->mutex);
  if (State::Entry* e = state_->Find(target)) e->role = role;
}

void SetTransaction::Discard(std::string_view target) {
  const std::lock_guard lock(state_->mutex);
  auto& entries = state_->entries;
  const auto it = std::find_if(entries.begin(), entries.end(),
                               [&](const State::Entry& e) { return e.target == target; });
  if (it == entries.end()) return;
  state_->Unlink(target);
  std::erase(state_->complete, it->target);
  state_->Forget(it);
}

void SetTransaction::BeginCreating(std::vector<std::string> names) {
  State& s = *state_;
  const std::lock_guard lock(s.mutex);
  kivora::BeginCreating(s.folder, s.setName, names, s.members);
  s.intent = !names.empty();
}

void SetTransaction::KeepCreated() {
  State& s = *state_;
  const std::lock_guard lock(s.mutex);
  if (std::exchange(s.intent, false)) kivora::KeepCreated(s.folder, s.setName);
}

void SetTransaction::Remove(std::string name) {
  const std::lock_guard lock(state_->mutex);
  state_->removals.push_back(std::move(name));
}

bool SetTransaction::Empty() const {
  if (!state_) return true;
  const std::lock_guard lock(state_->mutex);
  return state_->complete.empty() && state_->removals.empty();
}

void SetTransaction::Commit(HiddenFileSync sync) {
  State& s = *state_;
  std::vector<NewSetFile> files;
  std::vector<std::string> removals;
  std::vector<SetMembers> members;
  {
    const std::lock_guard lock(s.mutex);
    // The definition takes its name last, so it names a set whose parts all have theirs.
    for (const Role role : {Role::File, Role::Definition, Role::Carrier}) {
      for (const std::string& target : s.complete) {
        const State::Entry& e = *s.Find(target);
        if (e.role == role) files.push_back({e.target, e.crc});
      }
    }
    for (const State::Entry& e : s.entries) {
      if (!e.complete) s.Unlink(e.target);
    }
    s.entries.clear();
    s.where.clear();
    s.complete.clear();
    removals = std::exchange(s.removals, {});
    members = s.members;
    // The commit's journal takes the place of the intent.
    if (!files.empty() || !removals.empty()) s.intent = false;
  }
  if (files.empty() && removals.empty()) {
    KeepCreated();
    return;
  }
  // On failure CommitSet removes the hidden files itself, or leaves them to its journal.
  CommitSet(s.folder, s.setName, files, removals, members, sync);
}

void SetTransaction::Drop() {
  if (!state_) return;
  const std::lock_guard lock(state_->mutex);
  state_->DropAll();
}

}  // namespace kivora
