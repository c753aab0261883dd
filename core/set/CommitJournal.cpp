#include "core/set/CommitJournal.h"

#include <algorithm>
#include <set>

#include "core/io/Crc32.h"
#include "core/io/LittleEndian.h"
#include "core/set/CommitNames.h"

namespace kivora {
namespace {

constexpr std::string_view kJournalMagic = "KvCommit";
constexpr std::uint32_t kJournalVersion = 1;
constexpr size_t kJournalHeader = 8 + 4 + 4 + 4;
constexpr size_t kJournalCrc = 4;
// The shortest entries: one-byte names.
constexpr size_t kMinRenameEntry = 1 + 8 + 4 + 2 + 1 + 2 + 1;
constexpr size_t kMinRemovalEntry = 2 + 1;

void AppendJournalName(std::vector<std::uint8_t>& out, std::string_view name) {
  AppendLittleEndian<std::uint16_t>(out, static_cast<std::uint16_t>(name.size()));
  out.insert(out.end(), name.begin(), name.end());
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

 private:
  std::span<const std::uint8_t> bytes_;
  size_t at_ = 0;
  bool failed_ = false;
};

}  // namespace

std::vector<std::uint8_t> EncodeCommitJournal(const CommitJournal& journal) {
  std::vector<std::uint8_t> out(kJournalMagic.begin(), kJournalMagic.end());
  AppendLittleEndian<std::uint32_t>(out, kJournalVersion);
  AppendLittleEndian<std::uint32_t>(out, static_cast<std::uint32_t>(journal.renames.size()));
  AppendLittleEndian<std::uint32_t>(out, static_cast<std::uint32_t>(journal.removals.size()));
  for (const CommitRename& r : journal.renames) {
    AppendLittleEndian<std::uint8_t>(out, r.crc ? 1 : 0);
    AppendLittleEndian<std::uint64_t>(out, r.size);
    AppendLittleEndian<std::uint32_t>(out, r.crc.value_or(0));
    AppendJournalName(out, r.hidden);
    AppendJournalName(out, r.target);
  }
  for (const std::string& name : journal.removals) AppendJournalName(out, name);
  AppendLittleEndian<std::uint32_t>(out, StreamCrc32(out));
  return out;
}

std::optional<CommitJournal> DecodeCommitJournal(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < kJournalHeader + kJournalCrc || bytes.size() > kMaxCommitJournalBytes)
    return std::nullopt;
  const auto body = bytes.first(bytes.size() - kJournalCrc);
  if (StreamCrc32(body) != LoadLittleEndian<std::uint32_t>(bytes, body.size())) return std::nullopt;
  if (!std::equal(kJournalMagic.begin(), kJournalMagic.end(), body.begin())) return std::nullopt;
  JournalCursor in(body.subspan(kJournalMagic.size()));
  if (in.Number<std::uint32_t>() != kJournalVersion) return std::nullopt;
  const std::uint64_t renames = in.Number<std::uint32_t>();
  const std::uint64_t removals = in.Number<std::uint32_t>();
  if (renames * kMinRenameEntry + removals * kMinRemovalEntry > in.Left()) return std::nullopt;

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
  if (in.Failed() || in.Left() != 0) return std::nullopt;
  return journal;
}

bool JournalFitsSet(const CommitJournal& journal, std::string_view setName) {
  const std::string journalName = CommitJournalName(setName);
  const std::string tempName = CommitJournalTempName(setName);
  std::set<std::string_view> seen{journalName, tempName};
  for (const CommitRename& r : journal.renames) {
    if (!IsHiddenNameOf(setName, r.hidden) || IsHiddenNameOf(setName, r.target) ||
        !seen.insert(r.hidden).second || !seen.insert(r.target).second) {
      return false;
    }
  }
  for (const std::string& name : journal.removals) {
    if (IsHiddenNameOf(setName, name) || !seen.insert(name).second) return false;
  }
  return true;
}

}  // namespace kivora
