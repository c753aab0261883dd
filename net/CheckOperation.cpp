#include "net/CheckOperation.h"

#include <fmt/format.h>

#include <algorithm>
#include <cctype>
#include <limits>
#include <map>
#include <optional>
#include <utility>

#include "core/KivoraError.h"
#include "core/format/DefinitionReader.h"
#include "core/format/RecoveryFormat.h"
#include "core/format/StoredDefinition.h"
#include "core/io/Crc32.h"
#include "core/io/LittleEndian.h"
#include "core/parts/PartScan.h"
#include "core/parts/SetNames.h"
#include "core/recovery/RecoveryScan.h"
#include "core/recovery/RecoveryTrust.h"
#include "net/AddressList.h"
#include "net/CheckMessages.h"
#include "net/FetchMessages.h"
#include "net/HostProbe.h"
#include "net/RemoteRecoveryProof.h"
#include "net/SetFileNames.h"

namespace kivora::net {
namespace {

// Keeps the first `limit` bytes that pass.
struct HeadKeeper {
  std::vector<std::uint8_t>& bytes;
  size_t limit;
  void operator()(std::span<const std::uint8_t> more) const {
    const size_t take = std::min(more.size(), limit - std::min(limit, bytes.size()));
    bytes.insert(bytes.end(), more.begin(), more.begin() + static_cast<std::ptrdiff_t>(take));
  }
};

// Keeps the last `limit` bytes that passed.
struct TailKeeper {
  std::vector<std::uint8_t>& bytes;
  size_t limit;
  void operator()(std::span<const std::uint8_t> more) const {
    if (more.size() >= limit) {
      bytes.assign(more.end() - static_cast<std::ptrdiff_t>(limit), more.end());
      return;
    }
    bytes.insert(bytes.end(), more.begin(), more.end());
    if (bytes.size() > limit)
      bytes.erase(bytes.begin(), bytes.end() - static_cast<std::ptrdiff_t>(limit));
  }
};

// What a file must be: its exact length and the CRC-32 of all of it.
struct Expected {
  std::int64_t length = 0;
  std::uint32_t crc = 0;
};

// How far reading the definition from the end of a part came.
enum class TailRead { NotServed, Undecodable, Decoded };

class SetCheck {
 public:
  SetCheck(const CheckRequest& request, const PendantProvider& pendants, OperationEvents& events)
      : request_(request),
        pendants_(pendants),
        events_(events),
        probe_(request.access, [this] { return events_.AbortRequested(); }) {}

  CheckOutcome Run();

 private:
  bool ReadDefinitionFile(const std::string& name, const std::vector<Address>& addresses);
  TailRead ReadImplanted(const std::string& name, const std::vector<Address>& addresses);
  std::optional<StoredDefinitionBytes> TailOf(const Address& address, bool& served);
  bool Decode(StoredDefinitionBytes stored, const std::string& name);
  void ListFiles(const std::vector<FileAddresses>& groups,
                 const std::vector<Address>& definitionAddresses);
  CheckedCopy CheckCopy(const CheckedFile& file, const Address& address);
  CheckedCopy CheckFixed(const Address& address, const Expected& expected);
  CheckedCopy CheckRecovery(const CheckedFile& file, const Address& address);
  Expected ExpectedOf(const CheckedFile& file) const;
  std::int64_t LongestRecoveryPart() const;
  void Plan();

  const CheckRequest& request_;
  const PendantProvider& pendants_;
  OperationEvents& events_;
  HostProbe probe_;
  StoredDefinitionBytes stored_;
  KvrDefinition definition_;
  std::uint32_t storedCrc_ = 0;
  std::int64_t longestPart_ = 0;
  std::vector<CoveredFile> recorded_;             // every part file as the definition records it
  std::optional<RecoveryHeader> recoveryHeader_;  // of a recovery part that proved
  MessageText definitionWhy_;
  CheckOutcome outcome_;
};

bool SetCheck::Decode(StoredDefinitionBytes stored, const std::string& name) {
  try {
    KvrDefinition definition =
        DecodeStoredDefinition(stored, std::filesystem::path(name), pendants_);
    if (stored.implanted &&
        (definition.parts.empty() || definition.parts.back().FileName != name)) {
      throw KivoraError(texts::kNotLastPart(name));
    }
    definition_ = std::move(definition);
    stored_ = std::move(stored);
    definition_.implanted = stored_.implanted;
    storedCrc_ = StreamCrc32(stored_.bytes);
    outcome_.definitionName = name;
    return true;
  } catch (const KivoraError& e) {
    definitionWhy_ = e.Text();
    return false;
  }
}

bool SetCheck::ReadDefinitionFile(const std::string& name, const std::vector<Address>& addresses) {
  for (const Address& address : addresses) {
    std::vector<std::uint8_t> bytes;
    const StreamAnswer answer = probe_.StreamFile(address, kMaxDefinitionBytes,
                                                  HeadKeeper{bytes, size_t{kMaxDefinitionBytes}});
    if (!answer.ok) {
      definitionWhy_ = answer.why;
      continue;
    }
    if (Decode({std::move(bytes), false}, name)) return true;
  }
  return false;
}

std::optional<StoredDefinitionBytes> SetCheck::TailOf(const Address& address, bool& served) {
  // The last four bytes give the block's length; the block ends the file. A host that
  // ignores ranges sends the whole file, of which the end is kept.
  const std::int64_t bound = std::numeric_limits<std::int32_t>::max() * 2LL + kMaxDefinitionBytes;
  std::vector<std::uint8_t> field;
  if (!probe_.StreamFile(address, bound, TailKeeper{field, 4}, "-4").ok || field.size() != 4) {
    return std::nullopt;
  }
  served = true;
  const auto length = LoadLittleEndian<std::int32_t>(field, 0);
  if (length <= 0 || length > kMaxDefinitionBytes) return std::nullopt;
  const auto block = static_cast<size_t>(length) + 4;
  std::vector<std::uint8_t> bytes;
  if (!probe_.StreamFile(address, bound, TailKeeper{bytes, block}, "-" + std::to_string(block))
           .ok ||
      bytes.size() != block) {
    return std::nullopt;
  }
  return StoredDefinitionBytes{std::move(bytes), true};
}

TailRead SetCheck::ReadImplanted(const std::string& name, const std::vector<Address>& addresses) {
  bool served = false;
  for (const Address& address : addresses) {
    std::optional<StoredDefinitionBytes> stored = TailOf(address, served);
    if (stored && Decode(std::move(*stored), name)) return TailRead::Decoded;
  }
  return served ? TailRead::Undecodable : TailRead::NotServed;
}

Expected SetCheck::ExpectedOf(const CheckedFile& file) const {
  if (file.role.kind == FileRole::Kind::Definition) {
    return {static_cast<std::int64_t>(stored_.bytes.size()), storedCrc_};
  }
  const CoveredFile& recorded = recorded_[static_cast<size_t>(file.role.number)];
  return {static_cast<std::int64_t>(recorded.length), recorded.crc};
}

std::int64_t SetCheck::LongestRecoveryPart() const {
  // Its pieces are as long as the longest part (the one carrying the definition longer by
  // the block); its header and trailer stay well within the margin.
  return longestPart_ + static_cast<std::int64_t>(stored_.bytes.size()) + (64 << 20);
}

CheckedCopy SetCheck::CheckFixed(const Address& address, const Expected& expected) {
  CheckedCopy copy{address, CopyState::Failed, CopyProof::None, -1, {}};
  const auto failed = [&copy](const HostAnswer& answer) {
    copy.state = answer.missing ? CopyState::Missing : CopyState::Failed;
    copy.why = answer.why;
    return copy;
  };
  const LengthAnswer asked = probe_.AskLength(address);
  if (!asked.ok) return failed(asked);
  copy.length = asked.length;
  if (asked.length >= 0 && asked.length != expected.length) {
    copy.state = CopyState::Wrong;
    copy.why = texts::kWrongLength(asked.length, expected.length);
    return copy;
  }
  if (asked.crc && asked.length >= 0) {
    copy.proof = CopyProof::HostChecksum;
    copy.state = *asked.crc == expected.crc ? CopyState::Proved : CopyState::Wrong;
    if (copy.state == CopyState::Wrong)
      copy.why = texts::kWrongHostCrc(fmt::format("{:08X}", *asked.crc),
                                      fmt::format("{:08X}", expected.crc));
    return copy;
  }
  const StreamAnswer streamed = probe_.StreamFile(address, expected.length, {});
  copy.proof = CopyProof::Streamed;
  copy.length = streamed.length;
  if (!streamed.ok && !streamed.tooLong) return failed(streamed);
  const bool same =
      !streamed.tooLong && streamed.length == expected.length && streamed.crc == expected.crc;
  copy.state = same ? CopyState::Proved : CopyState::Wrong;
  if (streamed.tooLong) {
    copy.why = texts::kTooLong;
  } else if (streamed.length != expected.length) {
    copy.why = texts::kWrongLength(streamed.length, expected.length);
  } else if (!same) {
    copy.why = texts::kBadBytes;
  }
  return copy;
}

CheckedCopy SetCheck::CheckRecovery(const CheckedFile& file, const Address& address) {
  CheckedCopy copy{address, CopyState::Failed, CopyProof::None, -1, {}};
  const auto failed = [&copy](const HostAnswer& answer) {
    copy.state = answer.missing ? CopyState::Missing : CopyState::Failed;
    copy.why = answer.why;
    return copy;
  };
  const LengthAnswer asked = probe_.AskLength(address);
  if (!asked.ok) return failed(asked);
  copy.length = asked.length;
  // What the host says of the length is not trusted: the definition bounds it.
  const std::int64_t bound = LongestRecoveryPart();
  if (asked.length > bound) {
    copy.state = CopyState::Wrong;
    copy.why = texts::kTooLong;
    return copy;
  }
  std::vector<std::uint8_t> head, tail;
  RemoteRecoveryPart part;
  if (asked.crc && asked.length >= 0) {
    // The host's checksum stands for the bytes: only the header and the trailer come.
    copy.proof = CopyProof::HostChecksum;
    const StreamAnswer first =
        probe_.StreamFile(address, bound, HeadKeeper{head, kRecoveryHeadBytes},
                          "0-" + std::to_string(kRecoveryHeadBytes - 1));
    if (!first.ok) return failed(first);
    const StreamAnswer last =
        probe_.StreamFile(address, bound, TailKeeper{tail, kRecoveryTrailerBytes},
                          "-" + std::to_string(kRecoveryTrailerBytes));
    if (!last.ok) return failed(last);
    part = {head, tail, static_cast<std::uint64_t>(asked.length), *asked.crc};
  } else {
    copy.proof = CopyProof::Streamed;
    const HeadKeeper keepHead{head, kRecoveryHeadBytes};
    const TailKeeper keepTail{tail, kRecoveryTrailerBytes};
    const StreamAnswer streamed =
        probe_.StreamFile(address, bound, [&](std::span<const std::uint8_t> bytes) {
          keepHead(bytes);
          keepTail(bytes);
        });
    copy.length = streamed.length;
    if (streamed.tooLong) {
      copy.state = CopyState::Wrong;
      copy.why = texts::kTooLong;
      return copy;
    }
    if (!streamed.ok) return failed(streamed);
    part = {head, tail, static_cast<std::uint64_t>(streamed.length), streamed.crc};
  }
  std::optional<RecoveryHeader> header =
      ProveRemoteRecoveryPart(part, file.name, storedCrc_, outcome_.definitionName);
  if (!header || header->partCount != definition_.parts.size() ||
      !PlanIsPossible(static_cast<int>(header->partCount), header->groupCount, header->perGroup)) {
    copy.state = CopyState::Wrong;
    copy.why = texts::kBadBytes;
    return copy;
  }
  copy.state = CopyState::Proved;
  if (!recoveryHeader_) recoveryHeader_ = std::move(header);
  return copy;
}

CheckedCopy SetCheck::CheckCopy(const CheckedFile& file, const Address& address) {
  if (file.role.kind == FileRole::Kind::Recovery) return CheckRecovery(file, address);
  return CheckFixed(address, ExpectedOf(file));
}

void SetCheck::ListFiles(const std::vector<FileAddresses>& groups,
                         const std::vector<Address>& definitionAddresses) {
  std::map<std::string, const FileAddresses*, std::less<>> byName;
  for (const FileAddresses& group : groups) byName.emplace(group.fileName, &group);
  const auto addressesOf = [&](const std::string& name) {
    if (const auto it = byName.find(name); it != byName.end()) {
      std::vector<Address> found = it->second->addresses;
      byName.erase(it);
      return found;
    }
    // An unlisted file of the set is looked for beside the definition.
    std::vector<Address> beside;
    for (const Address& a : definitionAddresses) beside.push_back(SiblingAddress(a, name));
    return beside;
  };
  recorded_ = RecordedPartFiles(definition_, stored_.bytes);
  for (size_t i = 0; i < definition_.parts.size(); ++i) {
    const PartRecord& record = definition_.parts[i];
    longestPart_ = std::max(longestPart_, ExpectedPartLength(record, definition_.header.Disguised));
    outcome_.files.push_back({record.FileName, FileRole::Part(static_cast<int>(i)), {}});
    for (const Address& a : addressesOf(record.FileName))
      outcome_.files.back().copies.push_back({a, CopyState::Failed, CopyProof::None, -1, {}});
  }
  const std::filesystem::path definitionPath(outcome_.definitionName);
  const RecoveryNaming naming = SetNames::Of(definition_, definitionPath).Recovery(1);
  std::vector<std::string> recovery;
  for (const FileAddresses& group : groups) {
    if (byName.contains(group.fileName) && IsRecoveryOf(naming, group.fileName))
      recovery.push_back(group.fileName);
  }
  std::sort(recovery.begin(), recovery.end());
  for (size_t i = 0; i < recovery.size(); ++i) {
    outcome_.files.push_back({recovery[i], FileRole::Recovery(static_cast<int>(i)), {}});
    for (const Address& a : addressesOf(recovery[i]))
      outcome_.files.back().copies.push_back({a, CopyState::Failed, CopyProof::None, -1, {}});
  }
  if (!stored_.implanted) {
    outcome_.files.push_back({outcome_.definitionName, FileRole::Definition(), {}});
    for (const Address& a : addressesOf(outcome_.definitionName))
      outcome_.files.back().copies.push_back({a, CopyState::Failed, CopyProof::None, -1, {}});
  }
  for (const auto& [name, group] : byName) events_.ShowWarning(texts::kNotOfTheSet(name));
}

void SetCheck::Plan() {
  RepairPlan& plan = outcome_.plan;
  const auto partProved = [&](int part) {
    return outcome_.files[static_cast<size_t>(part)].Proved();
  };
  bool definitionLost = false;
  for (const CheckedFile& file : outcome_.files) {
    if (file.role.kind == FileRole::Kind::Definition) definitionLost = !file.Proved();
  }
  if (!recoveryHeader_) {
    for (const CheckedFile& file : outcome_.files) plan.lost += file.Proved() ? 0 : 1;
    plan.sourceRebuildable = std::all_of(
        outcome_.files.begin(), outcome_.files.end(),
        [](const CheckedFile& f) { return f.role.kind != FileRole::Kind::Part || f.Proved(); });
    plan.sourceRebuildable = plan.sourceRebuildable && !definitionLost;
    return;
  }
  // The groups as the recovery part's header records them, each file lost or intact as
  // one stripe: the assessment a repair makes of a folder, made of the hosts.
  const RecoveryHeader& h = *recoveryHeader_;
  RecoverySetScan scan;
  scan.definitionLost = definitionLost;
  const std::vector<RecoveryGroup> groups =
      SplitIntoGroups(static_cast<int>(h.partCount), static_cast<int>(h.groupCount));
  std::map<std::string, int, std::less<>> indexOf;
  for (int index = 0; index < static_cast<int>(h.groupCount) * h.perGroup; ++index)
    indexOf[RecoveryFileName(h.naming, index)] = index;
  std::map<int, bool> recoveryProved;
  for (const CheckedFile& file : outcome_.files) {
    const auto it = indexOf.find(file.name);
    if (file.role.kind == FileRole::Kind::Recovery && it != indexOf.end())
      recoveryProved[it->second] = file.Proved();
  }
  for (size_t g = 0; g < groups.size(); ++g) {
    RecoveryGroupScan group;
    group.parts = groups[g];
    for (int i = 0; i < group.parts.partCount; ++i) {
      const auto& record = definition_.parts[static_cast<size_t>(group.parts.firstPart + i)];
      group.covered.push_back(
          {static_cast<std::uint64_t>(ExpectedPartLength(record, definition_.header.Disguised)),
           0});
      group.damaged.push_back({!partProved(group.parts.firstPart + i)});
    }
    for (int j = 0; j < h.perGroup; ++j) {
      const int index = static_cast<int>(g) * h.perGroup + j;
      const bool proved = recoveryProved[index];
      group.recovery.push_back(proved ? index : -1);
      group.damaged.push_back({!proved});
    }
    scan.groups.push_back(std::move(group));
  }
  plan.recoveryFound = true;
  plan.lost = scan.Damaged();
  plan.rebuildable = scan.Rebuildable();
  plan.sourceRebuildable = std::all_of(
      scan.groups.begin(), scan.groups.end(),
      [](const RecoveryGroupScan& g) { return g.LostParts() == 0 || g.PartsRebuildable(); });
}

CheckOutcome SetCheck::Run() {
  const std::vector<FileAddresses> groups = GroupByFileName(request_.addresses);
  const auto addressesNamed = [&](const std::string& name) {
    for (const FileAddresses& group : groups) {
      if (group.fileName == name) return group.addresses;
    }
    return std::vector<Address>{};
  };
  const auto [names, implanted] = ListedDefinitionNames(groups);
  bool read = false;
  std::string name;
  for (const std::string& candidate : names) {
    name = candidate;
    if (!implanted) {
      read = ReadDefinitionFile(name, addressesNamed(name));
      break;
    }
    // The last part that a host serves is the one to carry the definition: a tail that
    // came but does not decode ends the search rather than reading every part's.
    const TailRead tail = ReadImplanted(name, addressesNamed(name));
    read = tail == TailRead::Decoded;
    if (tail != TailRead::NotServed || events_.AbortRequested()) break;
  }
  if (events_.AbortRequested()) {
    outcome_.stopped = true;
    return std::move(outcome_);
  }
  if (!read) throw KivoraError(texts::kDefinitionNotFetched(name), definitionWhy_);
  ListFiles(groups, addressesNamed(name));

  int total = 0, done = 0;
  for (const CheckedFile& file : outcome_.files) total += static_cast<int>(file.copies.size());
  for (CheckedFile& file : outcome_.files) {
    for (CheckedCopy& copy : file.copies) {
      if (events_.AbortRequested()) {
        outcome_.stopped = true;
        return std::move(outcome_);
      }
      copy = CheckCopy(file, copy.address);
      if (events_.AbortRequested()) {
        // The transfer was cut short: its verdict is none.
        outcome_.stopped = true;
        return std::move(outcome_);
      }
      if (request_.onProgress) request_.onProgress(++done, total);
    }
    events_.SetFileState(file.role, file.name, file.State());
  }
  Plan();
  return std::move(outcome_);
}

}  // namespace

bool CheckedFile::Proved() const {
  return std::any_of(copies.begin(), copies.end(),
                     [](const CheckedCopy& c) { return c.state == CopyState::Proved; });
}

FileState CheckedFile::State() const {
  if (Proved()) return FileState::Ok;
  const bool wrong = std::any_of(copies.begin(), copies.end(),
                                 [](const CheckedCopy& c) { return c.state == CopyState::Wrong; });
  return wrong ? FileState::Corrupt : FileState::Missing;
}

bool CheckOutcome::AllProved() const {
  return !stopped &&
         std::all_of(files.begin(), files.end(), [](const CheckedFile& f) { return f.Proved(); });
}

CheckOutcome RunCheck(const CheckRequest& request, const PendantProvider& pendants,
                      OperationEvents& events) {
  SetCheck check(request, pendants, events);
  return check.Run();
}

}  // namespace kivora::net
