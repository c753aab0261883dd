#include "net/FetchOperation.h"

#include <algorithm>
#include <cctype>
#include <limits>
#include <map>
#include <utility>

#include "core/KivoraError.h"
#include "core/format/DefinitionReader.h"
#include "core/format/RecoveryFormat.h"
#include "core/format/StoredDefinition.h"
#include "core/io/Crc32.h"
#include "core/io/IoBuffer.h"
#include "core/operations/SetProtection.h"
#include "core/parts/PartScan.h"
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

// The names the definition may be fetched by, the likeliest first: the one definition file
// listed or, without one, the listed names that are no recovery parts from the last (part
// numbers have one width within a set), for a last part that carries it. True with them
// when the definition is implanted.
std::pair<std::vector<std::string>, bool> DefinitionNamesOf(
    const std::vector<FileAddresses>& groups) {
  std::optional<std::string> file;
  std::vector<std::string> parts;
  for (const FileAddresses& group : groups) {
    // A name that is no plain file name is no file of a set.
    if (!IsPlainFileName(group.fileName)) continue;
    if (IsDefinitionFileName(group.fileName)) {
      if (file) throw KivoraError(texts::kSeveralDefinitions(group.fileName));
      file = group.fileName;
    } else if (!LooksLikeRecoveryName(group.fileName)) {
      parts.push_back(group.fileName);
    }
  }
  if (file) return {{*file}, false};
  if (parts.empty()) throw KivoraError(texts::kNoDefinitionListed);
  std::sort(parts.rbegin(), parts.rend());
  return {parts, true};
}

class SetFetch {
 public:
  SetFetch(const FetchRequest& request, const PendantProvider& pendants, OperationEvents& events)
      : request_(request), pendants_(pendants), events_(events), transfers_(request.limits) {}

  FetchOutcome Run();

 private:
  std::filesystem::path Final(const FetchedFile& file) const { return request_.folder / file.name; }
  std::filesystem::path Partial(const FetchedFile& file) const {
    return request_.folder / PartialName(file.name);
  }
  bool ReadDefinitionFrom(const std::filesystem::path& file);
  void FetchDefinition(FetchedFile& entry);
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
  void ReportProgress(const std::vector<FetchedFile>& files);

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
  IoBuffer buffer_;
  FetchOutcome outcome_;
  // The file that carries the definition takes its name in the last commit.
  std::optional<size_t> carrier_;
  bool carrierProven_ = false;
  std::vector<size_t> proven_;  // files proved that wait for the next commit
  // While only the definition is fetched: a download proves by reading as one.
  bool definitionPhase_ = false;
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
  std::vector<FetchedFile> one{entry};
  definitionPhase_ = true;
  RunTransfers(one);
  definitionPhase_ = false;
  entry = one.front();
  if (outcome_.stopped) throw KivoraError(texts::kFetchInterrupted);
  if (entry.state != FetchState::Fetched) {
    throw KivoraError(texts::kDefinitionNotFetched(entry.name),
                      entry.servedBadBytes ? definitionWhy_ : entry.why);
  }
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
    longest = std::max(longest, file.length);
    file.maxBytes = file.length;
    if (implanted_ && i + 1 == definition_.parts.size()) {
      // The definition block and its length follow the payload.
      file.maxBytes += static_cast<std::int64_t>(stored_.bytes.size()) + 4;
      file.length = -1;
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
  if (definitionPhase_) return;
  if (carrier_ && index == *carrier_) {
    carrierProven_ = true;  // waits for the last commit
    return;
  }
  // It keeps the name of its download until the commit, so that a fetch killed before
  // that finds it whole and proves it again instead of fetching it again.
  proven_.push_back(index);
}

void SetFetch::CommitProven(bool now) {
  if (proven_.empty() || (!now && Clock::now() - lastCommit_ < std::chrono::seconds(1))) return;
  // A few files are synced one by one; a sync of the whole file system would also wait
  // for the downloads still under way.
  const HiddenFileSync sync =
      proven_.size() <= 16 ? HiddenFileSync::EachFile : HiddenFileSync::FileSystem;
  for (const size_t index : std::exchange(proven_, {})) {
    const FetchedFile& file = outcome_.files[index];
    std::filesystem::rename(Partial(file), request_.folder / pending_->HiddenName(file.name));
    pending_->Add(file.name);
  }
  pending_->Commit(sync);
  lastCommit_ = Clock::now();
}

bool SetFetch::StartNext(std::vector<FetchedFile>& files, size_t index) {
  FetchedFile& file = files[index];
  // Addresses not tried yet, from a place that turns with the file so that the mirrors
  // share the work, those of mirrors that served bad bytes last.
  std::vector<size_t> order;
  const size_t count = file.addresses.size();
  for (size_t k = 0; k < count; ++k) {
    const size_t i = (index + k) % count;
    if (!file.tried.contains(i)) order.push_back(i);
  }
  std::stable_partition(order.begin(), order.end(),
                        [&](size_t i) { return !badMirrors_.contains(file.addresses[i].mirror); });
  if (order.empty()) {
    file.state = FetchState::Lost;
    if (file.why.empty()) file.why = texts::kNoAddress(file.name);
    return false;
  }
  for (const size_t i : order) {
    const Address& address = file.addresses[i];
    if (!transfers_.HasRoom(address.host)) continue;
    file.tried.insert(i);
    file.current = i;
    file.state = FetchState::Running;
    transfers_.Start({static_cast<int>(index), address, Partial(file), file.maxBytes});
    return true;
  }
  return false;
}

void SetFetch::Ended(std::vector<FetchedFile>& files, const TransferEnd& end) {
  const auto index = static_cast<size_t>(end.id);
  FetchedFile& file = files[index];
  const Address& address = file.addresses[file.current];
  file.state = FetchState::Waiting;
  if (end.ok && Proves(file, Partial(file), &end)) {
    Accept(files, index, address.url);
    return;
  }
  if (!end.ok && !end.tooLong) {
    // Not served: what came stays for the next address to go on from.
    file.why = end.why;
    std::error_code error;
    if (std::filesystem::file_size(Partial(file), error) == 0 && !error) {
      std::filesystem::remove(Partial(file));
    }
    return;
  }
  // Bad bytes: the whole download goes, and its mirror comes last from now on.
  file.servedBadBytes = true;
  file.why = end.tooLong ? MessageText(texts::kTooLong) : MessageText(texts::kBadBytes);
  badMirrors_.insert(address.mirror);
  std::filesystem::remove(Partial(file));
}

void SetFetch::RunTransfers(std::vector<FetchedFile>& files) {
  for (;;) {
    if (events_.AbortRequested()) {
      outcome_.stopped = true;
      break;
    }
    bool waiting = false;
    for (size_t i = 0; i < files.size() && transfers_.HasRoom(); ++i) {
      if (files[i].state != FetchState::Waiting) continue;
      if (!StartNext(files, i) && files[i].state == FetchState::Waiting) waiting = true;
    }
    if (transfers_.Idle() && !waiting) break;
    for (const TransferEnd& end : transfers_.Step(std::chrono::milliseconds(100))) {
      Ended(files, end);
    }
    if (pending_) CommitProven(false);
    ReportProgress(files);
  }
  outcome_.bytes = transfers_.BytesReceived();
}

void SetFetch::ReportProgress(const std::vector<FetchedFile>& files) {
  if (!request_.onProgress) return;
  FetchProgress progress;
  progress.filesTotal = static_cast<int>(files.size());
  for (const FetchedFile& f : files) {
    if (f.Here() || f.state == FetchState::Lost) ++progress.filesDone;
  }
  progress.bytes = transfers_.BytesReceived();
  request_.onProgress(progress);
}

FetchOutcome SetFetch::Run() {
  const std::vector<FileAddresses> groups = GroupByFileName(request_.addresses);
  const auto [names, implanted] = DefinitionNamesOf(groups);
  implanted_ = implanted;
  std::filesystem::create_directories(request_.folder);
  FetchedFile definition;
  for (size_t i = 0; i < names.size(); ++i) {
    definitionName_ = names[i];
    definition = {};
    definition.name = definitionName_;
    definition.role = FileRole::Definition();
    definition.maxBytes = implanted_
                              ? std::numeric_limits<std::int32_t>::max() * 2LL + kMaxDefinitionBytes
                              : kMaxDefinitionBytes;
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
      if (outcome_.stopped || i + 1 == names.size()) throw;
    }
  }
  outcome_.definitionPath = request_.folder / definitionName_;

  const std::string setName = SetNames::Of(definition_, outcome_.definitionPath).LockName();
  const SetLock lock(request_.folder, setName, SetLock::Mode::Exclusive);
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
    std::filesystem::rename(Partial(carrier), request_.folder / pending_->HiddenName(carrier.name));
    pending_->Add(carrier.name);
    pending_->Commit(HiddenFileSync::EachFile);
  }
  for (const FetchedFile& file : outcome_.files) {
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

FetchOutcome RunFetch(const FetchRequest& request, const PendantProvider& pendants,
                      OperationEvents& events) {
  SetFetch fetch(request, pendants, events);
  return fetch.Run();
}

}  // namespace kivora::net
