#include "core/set/CommitJournal.h"

#include <sodium.h>

#include <algorithm>
#include <array>
#include <unordered_set>

#include "core/io/LittleEndian.h"
#include "core/set/CommitNames.h"
#include "core/set/SetMembers.h"

namespace kivora {
namespace {

constexpr std::string_view kJournalMagic = "KvCommit";
constexpr std::uint32_t kJournalVersion = 2;
constexpr size_t kJournalHeader = 8 + 4 + 4 + 4 + 4;
constexpr size_t kJournalMac = crypto_generichash_BYTES;
static_assert(kJournalMac == 32);
// The shortest entries: one-byte names.
constexpr size_t kMinRenameEntry = 1 + 8 + 4 + 2 + 1 + 2 + 1;
constexpr size_t kMinRemovalEntry = 2 + 1;
constexpr size_t kMinMemberEntry = 2 + 1 + 4 + 4;
constexpr size_t kCreatedCount = 4;
constexpr size_t kMinMemberName = 2 + 1;

std::array<std::uint8_t, kJournalMac> JournalMac(std::span<const std::uint8_t> body,
                                                 JournalKeyBytes key) {
  std::array<std::uint8_t, kJournalMac> mac{};
  crypto_generichash(mac.data(), mac.size(), body.data(), body.size(), key.data(), key.size());
  return mac;
}

void AppendJournalName(std::vector<std::uint8_t>& out, std::string_view name) {
  AppendLittleEndian<std::uint16_t>(out, static_cast<std::uint16_t>(name.size()));
  out.insert(out.end(), name.begin(), name.end());
}

void AppendJournalNames(std::vector<std::uint8_t>& out, const std::vector<std::string>& names) {
  AppendLittleEndian<std::uint32_t>(out, static_cast<std::uint32_t>(names.size()));
  for (const std::string& name : names) AppendJournalName(out, name);
}

// Reads journal fields in order; any read past the end or any bad name marks it failed.
class JournalCursor {
 public:
  explicit JournalCursor(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
  bool Failed() const { return failed_; }
  size_t Left() const { return bytes_.size() - at_; }

  template <typename T>
  T Number() {
    if (failed_ || Left() < sizeof(T)) {
      failed_ = true;
      return 0;
    }
    const T value = LoadLittleEndian<T>(bytes_, at_);
    at_ += sizeof(T);
    return value;
  }

  std::string Name() {
    const size_t length = Number<std::uint16_t>();
    if (failed_ || Left() < length) {
      failed_ = true;
      return {};
    }
    std::string name(reinterpret_cast<const char*>(bytes_.data() + at_), length);
    at_ += length;
    if (!IsPlainEntryName(name)) failed_ = true;
    return name;
  }

  // A count of names, then the names; false when the count cannot fit the bytes left.
  bool Names(std::vector<std::string>& names) {
    const std::uint64_t count = Number<std::uint32_t>();
    if (failed_ || count * kMinMemberName > Left()) {
      failed_ = true;
      return false;
    }
    names.reserve(count);
    for (std::uint64_t i = 0; i < count && !failed_; ++i) names.push_back(Name());
    return !failed_;
  }

 private:
  std::span<const std::uint8_t> bytes_;
  size_t at_ = 0;
  bool failed_ = false;
};

}  // namespace

std::vector<std::uint8_t> EncodeCommitJournal(const CommitJournal& journal, JournalKeyBytes key) {
  std::vector<std::uint8_t> out(kJournalMagic.begin(), kJournalMagic.end());
  AppendLittleEndian<std::uint32_t>(out, kJournalVersion);
  AppendLittleEndian<std::uint32_t>(out, static_cast<std::uint32_t>(journal.renames.size()));
  AppendLittleEndian<std::uint32_t>(out, static_cast<std::uint32_t>(journal.removals.size()));
  AppendLittleEndian<std::uint32_t>(out, static_cast<std::uint32_t>(journal.members.size()));
  for (const CommitRename& r : journal.renames) {
    AppendLittleEndian<std::uint8_t>(out, r.crc ? 1 : 0);
    AppendLittleEndian<std::uint64_t>(out, r.size);
    AppendLittleEndian<std::uint32_t>(out, r.crc.value_or(0));
    AppendJournalName(out, r.hidden);
    AppendJournalName(out, r.target);
  }
  for (const std::string& name : journal.removals) AppendJournalName(out, name);
  AppendJournalNames(out, journal.created);
  for (const SetMembers& m : journal.members) {
    AppendJournalName(out, m.definition);
    AppendJournalNames(out, m.parts);
    AppendJournalNames(out, m.recovery);
  }
  const auto mac = JournalMac(out, key);
  out.insert(out.end(), mac.begin(), mac.end());
  return out;
}

std::optional<CommitJournal> DecodeCommitJournal(std::span<const std::uint8_t> bytes,
                                                 JournalKeyBytes key) {
  if (bytes.size() < kJournalHeader + kJournalMac || bytes.size() > kMaxCommitJournalBytes)
    return std::nullopt;
  const auto body = bytes.first(bytes.size() - kJournalMac);
  if (sodium_memcmp(JournalMac(body, key).data(), bytes.data() + body.size(), kJournalMac) != 0)
    return std::nullopt;
  if (!std::equal(kJournalMagic.begin(), kJournalMagic.end(), body.begin())) return std::nullopt;
  JournalCursor in(body.subspan(kJournalMagic.size()));
  if (in.Number<std::uint32_t>() != kJournalVersion) return std::nullopt;
  const std::uint64_t renames = in.Number<std::uint32_t>();
  const std::uint64_t removals = in.Number<std::uint32_t>();
  const std::uint64_t members = in.Number<std::uint32_t>();
  if (renames * kMinRenameEntry + removals * kMinRemovalEntry + kCreatedCount +
          members * kMinMemberEntry >
      in.Left())
    return std::nullopt;

  CommitJournal journal;
  journal.renames.reserve(renames);
  journal.removals.reserve(removals);
  for (std::uint64_t i = 0; i < renames && !in.Failed(); ++i) {
    CommitRename& r = journal.renames.emplace_back();
    const auto flags = in.Number<std::uint8_t>();
    r.size = in.Number<std::uint64_t>();
    const auto crc = in.Number<std::uint32_t>();
    if (flags > 1) return std::nullopt;
    if (flags == 1) r.crc = crc;
    r.hidden = in.Name();
    r.target = in.Name();
  }
  for (std::uint64_t i = 0; i < removals && !in.Failed(); ++i)
    journal.removals.push_back(in.Name());
  in.Names(journal.created);
  journal.members.reserve(members);
  for (std::uint64_t i = 0; i < members && !in.Failed(); ++i) {
    SetMembers& m = journal.members.emplace_back();
    m.definition = in.Name();
    if (in.Names(m.parts)) in.Names(m.recovery);
  }
  if (in.Failed() || in.Left() != 0) return std::nullopt;
  return journal;
}

bool JournalFitsSet(const CommitJournal& journal, std::string_view setName) {
  const std::string journalName = CommitJournalName(setName);
  const std::string tempName = CommitJournalTempName(setName);
  std::unordered_set<std::string_view> seen{journalName, tempName};
  seen.reserve(2 + 2 * journal.renames.size() + journal.removals.size() + journal.created.size());
  for (const CommitRename& r : journal.renames) {
    if (!IsHiddenNameOf(setName, r.hidden) || IsHiddenNameOf(setName, r.target) ||
        !seen.insert(r.hidden).second || !seen.insert(r.target).second) {
      return false;
    }
  }
  for (const std::string& name : journal.removals) {
    if (IsHiddenNameOf(setName, name) || !seen.insert(name).second) return false;
  }
  for (const std::string& name : journal.created) {
    if (IsHiddenNameOf(setName, name) || !seen.insert(name).second) return false;
  }
  // Every name it renames over, removes or creates is one of the set's, before or after.
  std::unordered_set<std::string_view> names;
  size_t memberNames = 0;
  for (const SetMembers& m : journal.members) memberNames += 1 + m.parts.size() + m.recovery.size();
  names.reserve(memberNames);
  for (const SetMembers& m : journal.members) {
    names.insert(m.definition);
    names.insert(m.parts.begin(), m.parts.end());
    names.insert(m.recovery.begin(), m.recovery.end());
  }
  const auto ofTheSet = [&](std::string_view name) { return names.contains(name); };
  for (const SetMembers& m : journal.members) {
    if (!MembersNameSet(m, setName)) return false;
  }
  for (const CommitRename& r : journal.renames) {
    if (!ofTheSet(r.target)) return false;
  }
  return std::all_of(journal.removals.begin(), journal.removals.end(), ofTheSet) &&
         std::all_of(journal.created.begin(), journal.created.end(), ofTheSet);
}

}  // namespace kivora
