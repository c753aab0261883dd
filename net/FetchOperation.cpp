#include "net/FetchOperation.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <utility>

#include "core/KivoraError.h"
#include "core/format/DefinitionReader.h"
#include "core/format/RecoveryFormat.h"
#include "core/format/StoredDefinition.h"
#include "core/io/Crc32.h"
#include "core/io/FileSystemCalls.h"
#include "core/io/IoBuffer.h"
#include "core/operations/EngineCall.h"
#include "core/operations/SetProtection.h"
#include "core/parts/PartScan.h"
#include "core/parts/PartSizeRule.h"
#include "core/parts/SetNames.h"
#include "core/set/SetLock.h"
#include "core/set/SetMembers.h"
#include "core/set/SetTransaction.h"
#include "core/text/Messages.h"
#include "net/AddressList.h"
#include "net/FetchMessages.h"
#include "net/FetchProof.h"
#include "net/SetFileNames.h"

namespace kivora::net {
namespace {

using Clock = std::chrono::steady_clock;

// The largest last part that can carry a definition, before the definition says how long
// it is: the largest payload a split writes (sealed, which adds a tag to every chunk of at
// least 1 KiB) behind the largest picture, then the largest definition and its length.
constexpr std::int64_t kLargestPayload = std::int64_t{kMaxPartSizeKb} * 1024 * 65 / 64;
constexpr std::int64_t kLargestPicture = 16 << 20;
constexpr std::int64_t kLargestCarrier =
    kLargestPayload + kLargestPicture + kMaxDefinitionBytes + 4;

// Renames through the system-call seam that the kill tests count and cut.
void RenameInFolder(const std::filesystem::path& from, const std::filesystem::path& to) {
  if (sys::RenameAt(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str()) != 0)
    throw KivoraError(DescribeIoError(from, msg::kWriteFileFailed, errno));
}

class SetFetch {
 public:
  SetFetch(const FetchRequest& request, const PendantProvider& pendants, OperationEvents& events)
      : request_(request), pendants_(pendants), events_(events), transfers_(request.limits) {}

  FetchOutcome Run();

 private:
  std::filesystem::path Final(const FetchedFile& file) const { return request_.folder / file.name; }
  std::filesystem::path Partial(const FetchedFile& file) const {
    return request_.folder / (file.partialName.empty() ? PartialName(file.name) : file.partialName);
  }
  bool ReadDefinitionFrom(const std::filesystem::path& file);
  void FetchDefinition(FetchedFile& entry);
  // The definition file from every address that names it: taken when the copies agree;
  // when they do not, the copy most of them serve (the first listed of equals) is taken
  // once the set's first part proves against it, else the next. Mirrors that serve
  // another copy are named and tried last.
  void FetchDefinitionCopies(FetchedFile& entry);
  // The set's first part proves against the definition read last, fetched from its
  // addresses (those of `distrusted` mirrors last).
  bool FirstPartProves(const std::set<std::string>& distrusted);
  std::vector<Address> AddressesOf(const std::string& name, const FetchedFile& definition) const;
  void ListFiles(const std::vector<FileAddresses>& groups, const FetchedFile& definition);
  // `streamed`, when given, is the transfer that wrote `path`, with the CRC-32 it took.
  bool Proves(const FetchedFile& file, const std::filesystem::path& path,
              const TransferEnd* streamed = nullptr);
  void CheckWhatIsHere(size_t index);
  void Accept(std::vector<FetchedFile>& files, size_t index, std::string from);
  // Runs the transfers of `files` until each is proved or lost, or a stop.
  void RunTransfers(std::vector<FetchedFile>& files);
  bool StartNext(std::vector<FetchedFile>& files, size_t index);
  void Ended(std::vector<FetchedFile>& files, const TransferEnd& end);
  void CommitProven(bool now);
  // A proved download becomes a new file of the set's change, to take its name at the
  // next commit (the definition, or the part that carries it, after every other).
  void HandOver(const FetchedFile& file);
  void ReportProgress(const std::vector<FetchedFile>& files);
  // A server failed to serve or served wrong bytes.
  void HostFailed(const std::string& host);
  bool Dropped(const std::string& host) const {
    const auto it = hostFailures_.find(host);
    return it != hostFailures_.end() && it->second >= kFailuresToDrop;
  }
  bool Trusted(const Address& address) const {
    return !badMirrors_.contains(address.mirror) && !hostFailures_.contains(address.host);
  }

  const FetchRequest& request_;
  const PendantProvider& pendants_;
  OperationEvents& events_;
  Transfers transfers_;
  std::string definitionName_;
  bool implanted_ = false;
  StoredDefinitionBytes stored_;
  KvrDefinition definition_;
  std::uint32_t storedCrc_ = 0;
  std::optional<SetCipher> cipher_;
  std::optional<SetTransaction> pending_;
  Clock::time_point lastCommit_ = Clock::now();
  std::set<std::string> badMirrors_;
  std::map<std::string, int> hostFailures_;
  // The folder took no more bytes: nothing more is started.
  bool writeFailed_ = false;
  // A download of the definition was longer than any definition.
  MessageText definitionTooLarge_;
  IoBuffer buffer_;
  FetchOutcome outcome_;
  // The file that carries the definition takes its name in the last commit.
  std::optional<size_t> carrier_;
  bool carrierProven_ = false;
  std::vector<size_t> proven_;  // files proved that wait for the next commit
  Progress lastProgress_{OperationKind::Fetch, -1, 0, 0, 0};
  Clock::time_point progressAt_{};
  // While only the definition is fetched: a download proves by reading as one.
  bool definitionPhase_ = false;
  // While the first part is fetched to choose between definitions: it is not committed.
  bool probing_ = false;
  const std::vector<FileAddresses>* groups_ = nullptr;
  MessageText definitionWhy_;
};

bool SetFetch::ReadDefinitionFrom(const std::filesystem::path& file) {
  try {
    StoredDefinitionBytes stored = ReadStoredDefinition(file);
    if (stored.implanted != implanted_) return false;
    KvrDefinition definition =
        DecodeStoredDefinition(stored, request_.folder / definitionName_, pendants_);
    if (implanted_ &&
        (definition.parts.empty() || definition.parts.back().FileName != definitionName_)) {
      throw KivoraError(texts::kNotLastPart(definitionName_));
    }
    stored_ = std::move(stored);
    definition_ = std::move(definition);
    storedCrc_ = StreamCrc32(stored_.bytes);
    return true;
  } catch (const KivoraError& e) {
    definitionWhy_ = e.Text();
    return false;
  }
}

void SetFetch::FetchDefinition(FetchedFile& entry) {
  if (ReadDefinitionFrom(Final(entry))) {
    entry.state = FetchState::Present;
    return;
  }
  const std::filesystem::path partial = Partial(entry);
  if (std::filesystem::exists(partial) && ReadDefinitionFrom(partial)) {
    entry.state = FetchState::Fetched;
    return;
  }
  std::filesystem::remove(partial);
  if (!implanted_ && entry.addresses.size() > 1) return FetchDefinitionCopies(entry);
  std::vector<FetchedFile> one{entry};
  definitionPhase_ = true;
  RunTransfers(one);
  definitionPhase_ = false;
  entry = one.front();
  if (outcome_.stopped) throw KivoraError(texts::kFetchInterrupted);
  if (writeFailed_) throw KivoraError(texts::kDefinitionNotFetched(entry.name), entry.why);
  if (entry.state != FetchState::Fetched) {
    if (!definitionTooLarge_.empty()) throw KivoraError(definitionTooLarge_);
    throw KivoraError(texts::kDefinitionNotFetched(entry.name),
                      entry.servedBadBytes ? definitionWhy_ : entry.why);
  }
}

void SetFetch::FetchDefinitionCopies(FetchedFile& entry) {
  std::vector<FetchedFile> copies;
  for (size_t i = 0; i < entry.addresses.size(); ++i) {
    FetchedFile copy = entry;
    copy.addresses = {entry.addresses[i]};
    copy.partialName = PartialName(std::to_string(i) + "." + entry.name);
    copy.attempts = 1;  // the other copies will do
    copies.push_back(std::move(copy));
  }
  definitionPhase_ = true;
  RunTransfers(copies);
  definitionPhase_ = false;
  // The copies that read as a definition, grouped by their bytes.
  struct Variant {
    std::vector<std::uint8_t> bytes;
    std::vector<size_t> copies;
  };
  std::vector<Variant> variants;
  for (size_t i = 0; i < copies.size(); ++i) {
    if (copies[i].state != FetchState::Fetched) continue;
    std::vector<std::uint8_t> bytes = ReadStoredDefinition(Partial(copies[i])).bytes;
    const auto same = std::find_if(variants.begin(), variants.end(),
                                   [&](const Variant& v) { return v.bytes == bytes; });
    if (same != variants.end()) {
      same->copies.push_back(i);
    } else {
      variants.push_back({std::move(bytes), {i}});
    }
  }
  const auto cleanUp = [&] {
    for (const FetchedFile& copy : copies) std::filesystem::remove(Partial(copy));
  };
  if (outcome_.stopped || writeFailed_ || variants.empty()) {
    cleanUp();
    if (outcome_.stopped) throw KivoraError(texts::kFetchInterrupted);
    if (!definitionTooLarge_.empty()) throw KivoraError(definitionTooLarge_);
    const FetchedFile& last = copies.back();
    throw KivoraError(texts::kDefinitionNotFetched(entry.name),
                      last.servedBadBytes ? definitionWhy_ : last.why);
  }
  std::stable_sort(variants.begin(), variants.end(), [](const Variant& a, const Variant& b) {
    return a.copies.size() > b.copies.size();
  });
  size_t chosen = 0;
  if (variants.size() > 1) {
    const auto mirrorsOf = [&](const Variant& v) {
      std::set<std::string> mirrors;
      for (const size_t i : v.copies) mirrors.insert(copies[i].addresses.front().mirror);
      return mirrors;
    };
    for (size_t v = 0; v < variants.size(); ++v) {
      std::set<std::string> others;
      for (size_t w = 0; w < variants.size(); ++w) {
        if (w != v) others.merge(mirrorsOf(variants[w]));
      }
      if (ReadDefinitionFrom(Partial(copies[variants[v].copies.front()])) &&
          FirstPartProves(others)) {
        chosen = v;
        break;
      }
    }
  }
  const FetchedFile& taken = copies[variants[chosen].copies.front()];
  RenameInFolder(Partial(taken), Partial(entry));
  cleanUp();
  for (size_t v = 0; v < variants.size(); ++v) {
    if (v == chosen) continue;
    for (const size_t i : variants[v].copies) {
      const Address& address = copies[i].addresses.front();
      badMirrors_.insert(address.mirror);
      outcome_.foreignMirrors.push_back(address.url);
      events_.ShowWarning(texts::kForeignDefinition(address.url, entry.name));
    }
  }
  if (!ReadDefinitionFrom(Partial(entry)))
    throw KivoraError(texts::kDefinitionNotFetched(entry.name), definitionWhy_);
  entry.addresses = taken.addresses;
  entry.state = FetchState::Fetched;
  entry.from = taken.addresses.front().url;
}

bool SetFetch::FirstPartProves(const std::set<std::string>& distrusted) {
  if (definition_.parts.empty()) return true;
  FetchedFile part;
  part.name = definition_.parts.front().FileName;
  part.role = FileRole::Part(0);
  part.length = ExpectedPartLength(definition_.parts.front(), definition_.header.Disguised);
  part.maxBytes = part.length;
  part.exactBytes = part.length;
  FetchedFile definition;
  definition.name = definitionName_;
  for (const FileAddresses& group : *groups_) {
    if (group.fileName == definitionName_) definition.addresses = group.addresses;
  }
  part.addresses = AddressesOf(part.name, definition);
  std::error_code error;
  if (std::filesystem::is_regular_file(Final(part), error) && Proves(part, Final(part)))
    return true;
  // What the servers do for a definition that turns out wrong tells nothing of them.
  const auto badMirrors = badMirrors_;
  const auto hostFailures = hostFailures_;
  badMirrors_.insert(distrusted.begin(), distrusted.end());
  std::vector<FetchedFile> one{part};
  probing_ = true;
  RunTransfers(one);
  probing_ = false;
  badMirrors_ = badMirrors;
  hostFailures_ = hostFailures;
  if (one.front().state == FetchState::Fetched) return true;
  std::filesystem::remove(Partial(part));
  return false;
}

std::vector<Address> SetFetch::AddressesOf(const std::string& name,
                                           const FetchedFile& definition) const {
  for (const FileAddresses& group : *groups_) {
    if (group.fileName == name) return group.addresses;
  }
  // An unlisted file of the set is looked for beside the definition.
  std::vector<Address> beside;
  for (const Address& a : definition.addresses) beside.push_back(SiblingAddress(a, name));
  return beside;
}

void SetFetch::ListFiles(const std::vector<FileAddresses>& groups, const FetchedFile& definition) {
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
    for (const Address& a : definition.addresses) beside.push_back(SiblingAddress(a, name));
    return beside;
  };
  const bool disguised = definition_.header.Disguised;
  std::int64_t longest = 0;
  for (size_t i = 0; i < definition_.parts.size(); ++i) {
    const PartRecord& record = definition_.parts[i];
    FetchedFile file;
    file.name = record.FileName;
    file.role = FileRole::Part(static_cast<int>(i));
    file.length = ExpectedPartLength(record, disguised);
    file.exactBytes = file.length;
    longest = std::max(longest, file.length);
    file.maxBytes = file.length;
    if (implanted_ && i + 1 == definition_.parts.size()) {
      // The definition block and its length follow the payload.
      file.maxBytes += static_cast<std::int64_t>(stored_.bytes.size()) + 4;
      file.length = -1;
      file.exactBytes = file.maxBytes;
      carrier_ = i;
    }
    file.addresses = addressesOf(file.name);
    outcome_.files.push_back(std::move(file));
  }
  const RecoveryNaming naming = SetNames::Of(definition_, outcome_.definitionPath).Recovery(1);
  std::vector<std::string> recovery;
  for (const FileAddresses& group : groups) {
    if (byName.contains(group.fileName) && IsRecoveryOf(naming, group.fileName))
      recovery.push_back(group.fileName);
  }
  std::sort(recovery.begin(), recovery.end());
  for (size_t i = 0; i < recovery.size(); ++i) {
    FetchedFile file;
    file.name = recovery[i];
    file.role = FileRole::Recovery(static_cast<int>(i));
    file.maxBytes = longest + static_cast<std::int64_t>(stored_.bytes.size()) + (64 << 20);
    file.addresses = addressesOf(file.name);
    outcome_.files.push_back(std::move(file));
  }
  if (!implanted_) {
    byName.erase(definition.name);
    carrier_ = outcome_.files.size();
    outcome_.files.push_back(definition);
    outcome_.files.back().maxBytes = static_cast<std::int64_t>(stored_.bytes.size());
    outcome_.files.back().exactBytes = outcome_.files.back().maxBytes;
  }
  for (const auto& [name, group] : byName) events_.ShowWarning(texts::kNotOfTheSet(name));
}

bool SetFetch::Proves(const FetchedFile& file, const std::filesystem::path& path,
                      const TransferEnd* streamed) {
  if (definitionPhase_) return ReadDefinitionFrom(path);
  try {
    if (file.role.kind == FileRole::Kind::Definition) {
      return ReadStoredDefinition(path).bytes == stored_.bytes;
    }
    if (file.role.kind == FileRole::Kind::Recovery) {
      const std::string definitionName =
          implanted_ ? definitionName_ : outcome_.definitionPath.filename().string();
      return RecoveryPartProves(path, file.name, storedCrc_, definitionName);
    }
    if (streamed && !cipher_ && file.length >= 0) {
      // The checksum taken as the bytes came: the file is not read again.
      const PartScan scan{.exists = true,
                          .size = streamed->length,
                          .wholeCrc = streamed->crc,
                          .prefixCrc = streamed->crc};
      return streamed->length == file.length &&
             Verdict(scan, definition_.parts[static_cast<size_t>(file.role.number)],
                     definition_.header.Disguised, implanted_,
                     definition_.header.CipherKind == kSealedCipher) == PartTestResult::Ok;
    }
    const auto result =
        TestPart(definition_, file.role.number, path, buffer_, {}, cipher_ ? &*cipher_ : nullptr);
    if (result != PartTestResult::Ok) return false;
    // The part that carries the definition carries this very one.
    return !carrier_ || file.role.number != static_cast<int>(*carrier_) || !implanted_ ||
           ReadStoredDefinition(path).bytes == stored_.bytes;
  } catch (const KivoraError&) {
    return false;  // unreadable as what it should be: not proved
  }
}

void SetFetch::CheckWhatIsHere(size_t index) {
  FetchedFile& file = outcome_.files[index];
  std::error_code error;
  if (std::filesystem::is_regular_file(Final(file), error) && Proves(file, Final(file))) {
    file.state = FetchState::Present;
    return;
  }
  const std::filesystem::path partial = Partial(file);
  const auto size = std::filesystem::file_size(partial, error);
  if (error) return;
  const auto have = static_cast<std::int64_t>(size);
  const bool whole = file.length < 0 || have == file.length;
  if (whole && Proves(file, partial)) {
    Accept(outcome_.files, index, {});
  } else if (file.length >= 0 && have >= file.length) {
    std::filesystem::remove(partial);
  }
}

void SetFetch::Accept(std::vector<FetchedFile>& files, size_t index, std::string from) {
  FetchedFile& file = files[index];
  file.state = FetchState::Fetched;
  file.from = std::move(from);
  if (definitionPhase_ || probing_) return;
  if (carrier_ && index == *carrier_) {
    carrierProven_ = true;  // waits for the last commit
    return;
  }
  // It keeps the name of its download until the commit, so that a fetch killed before
  // that finds it whole and proves it again instead of fetching it again.
  proven_.push_back(index);
}

void SetFetch::HandOver(const FetchedFile& file) {
  const bool definition = carrier_ && &file == &outcome_.files[*carrier_];
  RenameInFolder(Partial(file), request_.folder / pending_->HiddenName(file.name));
  pending_->Add(file.name,
                definition ? SetTransaction::Role::Definition : SetTransaction::Role::File);
}

void SetFetch::CommitProven(bool now) {
  if (proven_.empty() || (!now && Clock::now() - lastCommit_ < std::chrono::seconds(1))) return;
  // A few files are synced one by one; a sync of the whole file system would also wait
  // for the downloads still under way.
  const HiddenFileSync sync =
      proven_.size() <= 16 ? HiddenFileSync::EachFile : HiddenFileSync::FileSystem;
  for (const size_t index : std::exchange(proven_, {})) {
    const FetchedFile& file = outcome_.files[index];
    HandOver(file);
  }
  pending_->Commit(sync);
  lastCommit_ = Clock::now();
}

bool SetFetch::StartNext(std::vector<FetchedFile>& files, size_t index) {
  FetchedFile& file = files[index];
  // Addresses not tried yet, from a place that turns with the file so that the mirrors
  // share the work, those of mirrors that served bad bytes last.
  // Servers that failed too often are not asked at all.
  std::vector<size_t> order;
  bool skipped = false;
  const size_t count = file.addresses.size();
  for (size_t k = 0; k < count; ++k) {
    const size_t i = (index + k) % count;
    if (file.tried.contains(i)) continue;
    if (Dropped(file.addresses[i].host)) {
      skipped = true;
    } else {
      order.push_back(i);
    }
  }
  std::stable_partition(order.begin(), order.end(),
                        [&](size_t i) { return Trusted(file.addresses[i]); });
  if (order.empty()) {
    file.state = FetchState::Lost;
    if (skipped) {
      file.why = texts::kMirrorDroppedBefore(file.name);
    } else if (file.why.empty()) {
      file.why = texts::kNoAddress(file.name);
    }
    return false;
  }
  for (const size_t i : order) {
    const Address& address = file.addresses[i];
    if (!transfers_.HasRoom(address.host)) continue;
    file.tried.insert(i);
    file.current = i;
    file.state = FetchState::Running;
    TransferRequest transfer{static_cast<int>(index), address, Partial(file), file.maxBytes,
                             file.exactBytes};
    // With another address to go to, or once it failed, a server gets one try: the next
    // address goes on from the bytes that came.
    if (order.size() > 1 || hostFailures_.contains(address.host)) transfer.attempts = 1;
    if (file.attempts > 0) transfer.attempts = file.attempts;
    transfers_.Start(std::move(transfer));
    return true;
  }
  return false;
}

void SetFetch::Ended(std::vector<FetchedFile>& files, const TransferEnd& end) {
  const auto index = static_cast<size_t>(end.id);
  FetchedFile& file = files[index];
  const Address& address = file.addresses[file.current];
  file.state = FetchState::Waiting;
  switch (end.result) {
    case TransferResult::Served:
      if (Proves(file, Partial(file), &end)) {
        Accept(files, index, address.url);
        return;
      }
      file.why = texts::kBadBytes;
      break;
    case TransferResult::TooLong:
      file.why = texts::kTooLong;
      if (definitionPhase_)
        definitionTooLarge_ = texts::kDefinitionTooLarge(address.url, file.name);
      break;
    case TransferResult::WrongLength:
      file.why = end.why;
      break;
    case TransferResult::WriteFailed:
      // What came cannot be completed here; its room may let the proved files commit.
      writeFailed_ = true;
      outcome_.writeError = end.why;
      file.why = end.why;
      std::filesystem::remove(Partial(file));
      return;
    case TransferResult::HostFailed:
    case TransferResult::NotThere: {
      if (end.result == TransferResult::HostFailed) HostFailed(address.host);
      // Not served: what came stays for the next address to go on from.
      file.why = end.why;
      std::error_code error;
      if (std::filesystem::file_size(Partial(file), error) == 0 && !error) {
        std::filesystem::remove(Partial(file));
      }
      return;
    }
  }
  // Bad bytes: the whole download goes, and its mirror comes last from now on.
  file.servedBadBytes = true;
  badMirrors_.insert(address.mirror);
  HostFailed(address.host);
  std::filesystem::remove(Partial(file));
}

void SetFetch::HostFailed(const std::string& host) {
  outcome_.failedHosts[host] = ++hostFailures_[host];
}

void SetFetch::RunTransfers(std::vector<FetchedFile>& files) {
  for (;;) {
    if (events_.AbortRequested()) {
      outcome_.stopped = true;
      break;
    }
    bool waiting = false;
    for (size_t i = 0; i < files.size() && transfers_.HasRoom() && !writeFailed_; ++i) {
      if (files[i].state != FetchState::Waiting) continue;
      if (!StartNext(files, i) && files[i].state == FetchState::Waiting) waiting = true;
    }
    if (transfers_.Idle() && (!waiting || writeFailed_)) break;
    for (const TransferEnd& end : transfers_.Step(std::chrono::milliseconds(100))) {
      Ended(files, end);
    }
    if (pending_) CommitProven(false);
    ReportProgress(files);
  }
  outcome_.bytes = transfers_.BytesReceived();
}

void SetFetch::ReportProgress(const std::vector<FetchedFile>& files) {
  Progress progress{OperationKind::Fetch, 0, static_cast<int>(files.size()),
                    transfers_.BytesReceived(), 0};
  bool lengthsKnown = true;
  for (const FetchedFile& f : files) {
    if (f.Here() || f.state == FetchState::Lost) ++progress.done;
    if (f.state == FetchState::Present) continue;
    lengthsKnown = lengthsKnown && f.exactBytes >= 0;
    progress.bytesTotal += std::max<std::int64_t>(f.exactBytes, 0);
  }
  if (!lengthsKnown) progress.bytesTotal = 0;
  // Now and then, and whenever a file is through.
  const auto now = Clock::now();
  if (progress.done == lastProgress_.done && now - progressAt_ < std::chrono::milliseconds(100))
    return;
  lastProgress_ = progress;
  progressAt_ = now;
  events_.Report(progress);
}

FetchOutcome SetFetch::Run() {
  const std::vector<FileAddresses> groups = GroupByFileName(request_.addresses);
  groups_ = &groups;
  const auto [names, implanted] = ListedDefinitionNames(groups);
  implanted_ = implanted;
  std::filesystem::create_directories(request_.folder);
  FetchedFile definition;
  for (size_t i = 0; i < names.size(); ++i) {
    definitionName_ = names[i];
    definition = {};
    definition.name = definitionName_;
    definition.role = FileRole::Definition();
    definition.maxBytes = implanted_ ? kLargestCarrier : kMaxDefinitionBytes;
    for (const FileAddresses& group : groups) {
      if (group.fileName == definitionName_) definition.addresses = group.addresses;
    }
    try {
      FetchDefinition(definition);
      break;
    } catch (const KivoraError&) {
      // Another name may be the last part; a file that carries no definition tells
      // nothing of its mirror.
      badMirrors_.clear();
      if (outcome_.stopped || writeFailed_ || !definitionTooLarge_.empty() || i + 1 == names.size())
        throw;
    }
  }
  outcome_.definitionPath = request_.folder / definitionName_;

  const std::string setName = SetNames::Of(definition_, outcome_.definitionPath).LockName();
  const SetLock lock(request_.folder, setName, SetLock::Mode::Exclusive);
  // Taking the lock finished any change a killed writer left: what the folder held before
  // is read again.
  if (definition.state == FetchState::Present && !ReadDefinitionFrom(Final(definition)))
    throw KivoraError(texts::kDefinitionChanged(definition.name), definitionWhy_);
  if (SetNames::Of(definition_, outcome_.definitionPath).LockName() != setName)
    throw KivoraError(texts::kDefinitionChanged(definition.name));
  pending_.emplace(request_.folder, setName);
  if (definition_.header.CipherKind == kSealedCipher && definition_.header.Encryption &&
      request_.password && !request_.password->empty()) {
    cipher_ = UnlockSet(definition_, request_.password, events_);
    if (!cipher_) {
      outcome_.refused = true;
      return std::move(outcome_);
    }
  }
  ListFiles(groups, definition);
  std::vector<std::string> recoveryNames;
  for (const FetchedFile& file : outcome_.files) {
    if (file.role.kind == FileRole::Kind::Recovery) recoveryNames.push_back(file.name);
  }
  pending_->AddMembers(MembersOf(definition_, outcome_.definitionPath, std::move(recoveryNames)));
  for (size_t i = 0; i < outcome_.files.size(); ++i) {
    FetchedFile& file = outcome_.files[i];
    // The definition file is the one read above, from the folder or a download.
    if (file.role.kind == FileRole::Kind::Definition) {
      if (definition.state == FetchState::Present) {
        file.state = FetchState::Present;
      } else {
        Accept(outcome_.files, i, definition.from);
      }
      continue;
    }
    CheckWhatIsHere(i);
  }
  RunTransfers(outcome_.files);
  // The definition, or the part that carries it, takes its name after every other file.
  CommitProven(true);
  if (carrier_ && carrierProven_) {
    const FetchedFile& carrier = outcome_.files[*carrier_];
    HandOver(carrier);
    pending_->Commit(HiddenFileSync::EachFile);
  }
  for (FetchedFile& file : outcome_.files) {
    if (writeFailed_ && file.state == FetchState::Waiting) {
      file.state = FetchState::Lost;
      if (file.why.empty()) file.why = texts::kStoppedByWriteError;
    }
    if (file.state == FetchState::Running) continue;
    const FileState state = file.state == FetchState::Lost
                                ? (file.servedBadBytes ? FileState::Corrupt : FileState::Missing)
                            : file.state == FetchState::Waiting ? FileState::Missing
                                                                : FileState::Ok;
    events_.SetFileState(file.role, file.name, state);
  }
  return std::move(outcome_);
}

}  // namespace

int FetchOutcome::Count(FetchState state) const {
  return static_cast<int>(std::count_if(files.begin(), files.end(),
                                        [&](const FetchedFile& f) { return f.state == state; }));
}

bool FetchOutcome::Whole() const {
  return !stopped && !refused && !failed &&
         std::all_of(files.begin(), files.end(), [](const FetchedFile& f) { return f.Here(); });
}

MessageText FetchSummary(const FetchOutcome& outcome) {
  const int fetched = outcome.Count(FetchState::Fetched);
  const int present = outcome.Count(FetchState::Present);
  const auto total = static_cast<int>(outcome.files.size());
  if (fetched + present == total) return texts::kFetchSummary(total, fetched, present);
  return texts::kFetchSummaryIncomplete(total, fetched, present, total - fetched - present);
}

FetchOutcome RunFetch(const FetchRequest& request, const PendantProvider& pendants,
                      OperationEvents& events) {
  OperationWork work(events, OperationKind::Fetch);
  FetchOutcome outcome;
  const auto failure = TryEngine(OperationFailure{msg::kFetchFailedClosing}, [&] {
    SetFetch fetch(request, pendants, events);
    outcome = fetch.Run();
  });
  if (failure) {
    events.ShowError(failure->text, failure->detail);
    outcome.failed = true;
  }
  if (outcome.refused) return outcome;  // the refusal was said
  if (outcome.failed || outcome.stopped) {
    work.End(false, {}, texts::kFetchInterrupted);
    return outcome;
  }
  for (const auto& [host, failures] : outcome.failedHosts) {
    events.ShowWarning(failures >= kFailuresToDrop ? texts::kMirrorDropped(host, failures)
                                                   : texts::kMirrorTriedLast(host, failures));
  }
  if (!outcome.writeError.empty())
    events.ShowError(texts::kStoppedByWriteError, outcome.writeError);
  if (outcome.Whole()) {
    work.End(true, FetchSummary(outcome), texts::kFetchInterrupted);
  } else {
    for (const FetchedFile& file : outcome.files) {
      if (!file.Here()) events.ShowError(texts::kCouldNotFetch(file.name, file.why));
    }
    work.EndIncomplete(FetchSummary(outcome));
  }
  return outcome;
}

}  // namespace kivora::net
