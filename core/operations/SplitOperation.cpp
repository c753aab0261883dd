#include "core/operations/SplitOperation.h"

#include <algorithm>
#include <climits>
#include <exception>
#include <new>
#include <unordered_set>

#include "core/KivoraError.h"
#include "core/format/CodePage.h"
#include "core/format/DefinitionReader.h"
#include "core/format/DefinitionWriter.h"
#include "core/format/StoredDefinition.h"
#include "core/io/AtomicFile.h"
#include "core/io/File.h"
#include "core/io/FreeNames.h"
#include "core/io/IoBuffer.h"
#include "core/operations/EngineCall.h"
#include "core/operations/PlacedParts.h"
#include "core/operations/SetRecovery.h"
#include "core/parts/PartStream.h"
#include "core/parts/SplitSource.h"
#include "core/payload/SealedPayload.h"
#include "core/payload/SetCipher.h"
#include "core/recovery/RecoveryScan.h"
#include "core/set/ExistingSet.h"
#include "core/set/SetLock.h"
#include "core/set/SetMembers.h"
#include "core/set/SetTransaction.h"
#include "core/text/GroupThousands.h"
#include "core/text/Messages.h"

namespace kivora {
namespace {

// The folder of a split's parts, knowing whether its source is a stream.
std::filesystem::path FolderOf(const SplitRequest& s, bool stream) {
  if (s.saveFolder) return *s.saveFolder;
  return stream ? std::filesystem::path() : s.source.parent_path();
}

SplitNaming NamingOf(const SplitRequest& s, std::filesystem::path folder) {
  return {std::move(folder), s.baseName, s.extension, s.numberFromOne, s.kvrExtension};
}

}  // namespace

std::vector<std::filesystem::path> SplitOutcome::PartPaths() const {
  std::vector<std::filesystem::path> paths;
  paths.reserve(parts.size());
  for (size_t i = 0; i < parts.size(); ++i) paths.push_back(PartPath(i));
  return paths;
}

std::string ProposedBaseName(const std::filesystem::path& source) {
  // Everything before the last dot: a.tar.gz gives a.tar, .profile gives nothing.
  std::string name = source.filename().string();
  if (const size_t dot = name.rfind('.'); dot != std::string::npos) name.erase(dot);
  if (!name.empty() && name.back() >= '0' && name.back() <= '9') name += '_';
  return name;
}

std::string SourceNameOf(const SplitRequest& s) {
  return s.sourceName.empty() ? s.source.filename().string() : s.sourceName;
}

std::filesystem::path SplitFolder(const SplitRequest& s) {
  return FolderOf(s, !s.saveFolder && IsStreamSource(s.source));
}

SetNames SplitSetNames(const SplitRequest& s, std::optional<int> partCount) {
  return SetNames::ForSplit(NamingOf(s, SplitFolder(s)), partCount);
}

void CheckPartSizeSettings(const SplitRequest& s) {
  if (s.partSizeKb < 1 || s.partSizeKb > kMaxPartSizeKb) {
    throw KivoraError(msg::kMaxPartSize(kMaxPartSizeKb));
  }
  if (s.randomSizes && s.partSizeKb < kMinRandomPartSizeKb) {
    throw KivoraError(msg::kRandomSizeTooSmall);
  }
}

std::vector<std::int32_t> PlanPartSizes(std::int64_t total, const SplitRequest& s, Random& random) {
  if (s.partSizeKb < 1 || s.partSizeKb > kMaxPartSizeKb) {
    throw KivoraError(msg::kMaxPartSize(kMaxPartSizeKb));
  }
  if (total > kMaxSourceSize) {
    throw KivoraError(msg::kSourceTooLarge157(GroupThousands(kMaxSourceSize)));
  }
  CheckPartSizeSettings(s);
  const std::int64_t base = static_cast<std::int64_t>(s.partSizeKb) * 1024;
  const std::int64_t count = (total + base - 1) / base;
  if (count > kMaxPartCount) {
    throw KivoraError(msg::kTooManyParts(static_cast<int>(SmallestPartSizeKb(total))));
  }
  PartSizeRule rule(s.partSizeKb, s.randomSizes, random);
  std::vector<std::int32_t> sizes;
  sizes.reserve(static_cast<size_t>(count));
  std::int64_t left = total;
  while (const std::optional<std::int32_t> size = rule.Next(left)) {
    sizes.push_back(*size);
    left -= *size;
  }
  return sizes;
}

namespace {

// Checks that every text the split will store or use as a key has a Big5 form, and
// that the part names stay inside the save folder, before anything is written.
void CheckNames(const SplitRequest& s) {
  if (s.baseName.find_first_of("/\\") != std::string::npos ||
      s.extension.find_first_of("/\\") != std::string::npos) {
    throw KivoraError(msg::kBadPartName);
  }
  ToBig5OrThrow(SourceNameOf(s), msg::kNameOfSource);
  ToBig5OrThrow(s.baseName, msg::kNameOfBase);
  ToBig5OrThrow(s.extension, msg::kNameOfExtension);
  ToBig5OrThrow(s.comment, msg::kNameOfComment);
  // A password that seals is used as typed (UTF-8); one that scrambles must be Big5.
  if (!s.encrypt) PasswordToBig5OrThrow(s.password.View());
}

// Refuses, before anything is written, a split whose part or definition would take
// the source's place: renaming the new file over it would unlink the source. Files
// are compared, not names, so another spelling of the folder cannot hide it. A source
// with a single name outside the save folder cannot be a target, and then no target
// needs looking up.
void CheckTargetsAreNotSource(const SplitRequest& s, const SetNames& names, const File& source,
                              int count, const RecoveryPlan& plan) {
  const FileIdentity sourceId = source.Identity();
  if (sourceId.links == 1 &&
      !SameFile(IdentityOf(names.Folder()),
                IdentityOf(std::filesystem::absolute(s.source).parent_path()))) {
    return;
  }
  const auto check = [&](const std::filesystem::path& target) {
    if (SameFile(IdentityOf(target), sourceId))
      throw KivoraError(msg::kTargetIsSource, target.string());
  };
  for (int i = 0; i < count; ++i) check(names.PartPath(i));
  if (!s.implant) check(names.DefinitionPath());
  const RecoveryNaming naming = names.Recovery(plan.RecoveryCount());
  for (int i = 0; i < plan.RecoveryCount(); ++i)
    check(names.Folder() / RecoveryFileName(naming, i));
}

// Whether `name` is `prefix`, then `minDigits` to `maxDigits` digits, then `suffix`.
bool IsNumberedName(std::string_view name, std::string_view prefix, std::string_view suffix,
                    size_t minDigits, size_t maxDigits) {
  if (name.size() < prefix.size() + suffix.size() || !name.starts_with(prefix) ||
      !name.ends_with(suffix))
    return false;
  const std::string_view number =
      name.substr(prefix.size(), name.size() - prefix.size() - suffix.size());
  return number.size() >= minDigits && number.size() <= maxDigits &&
         number.find_first_not_of("0123456789") == std::string_view::npos;
}

// The definition as it will be stored: the file's bytes, or the block implanted at the
// end of the last part. An encrypted set's definition ends with its MAC, which the
// header then carries too.
std::vector<std::uint8_t> StoredDefinition(const SplitRequest& s, SplitOutcome& result,
                                           const SetCipher* cipher) {
  std::vector<std::uint8_t> bytes = EncodeDefinition(result.header, result.parts);
  if (cipher && cipher->AuthenticatesDefinition()) {
    cipher->SignDefinition(bytes);
    std::copy(bytes.end() - kDefinitionMacBytes, bytes.end(),
              result.header.Encryption->mac.begin());
  }
  if (!s.implant) return bytes;
  if (result.parts.empty()) {
    throw KivoraError(msg::kImplantDefinitionFailed, std::string(msg::kNoPartToImplant));
  }
  return ImplantedBlock(result.PartPath(result.parts.size() - 1), std::move(bytes));
}

void WriteDefinition(const SplitRequest& s, const SetNames& names,
                     std::span<const std::uint8_t> stored, SplitOutcome& result) {
  result.definitionPath = names.DefinitionPath();
  result.definitionSize = 0;
  if (!s.implant) {
    SaveDefinitionFile(result.definitionPath, stored);
    result.definitionSize = static_cast<std::int64_t>(stored.size());
    return;
  }
  AppendImplantedBlock(result.PartPath(result.parts.size() - 1), stored);
}

// One split, in phases: prepare, write the parts, code the recovery parts, publish. What
// it leaves when it does not complete is settled once, when it goes: on abort none of
// its files, on a failure the parts before the one that failed.
class SplitRun {
 public:
  SplitRun(const SplitRequest& s, const PendantProvider& pendants, Random& random,
           OperationEvents& events, SplitOutcome& result)
      : s_(s), pendants_(pendants), random_(random), events_(events), result_(result) {}
  SplitRun(const SplitRun&) = delete;
  SplitRun& operator=(const SplitRun&) = delete;
  ~SplitRun();

  bool Run() {
    if (!Prepare() || !WriteParts() || !CodeRecovery() || !Publish()) return false;
    completed_ = true;
    return true;
  }

 private:
  // Opens the source, names and plans the set, takes its lock and checks what would be
  // refused; false when it refused and said why.
  bool Prepare();
  // False when it stopped on abort.
  bool WriteParts();
  // The recovery parts of a set whose part count was not known ahead, from its parts on
  // disk; false when it stopped on abort.
  bool CodeRecovery();
  // The recovery parts, the taken names and the definition; false when it stopped.
  bool Publish();
  bool DefinitionNameTaken() const;
  // The files of the names the split gives its files that are no file of the old set:
  // for a source of known size, of its exact names; for a stream, whose count is open,
  // of any name its numbering can give. Sorted by name.
  std::vector<std::filesystem::path> ForeignFiles(const RecoveryPlan& plan) const;
  // Unless the request allows overwriting, asks before replacing each foreign file;
  // false, after naming the file it would not replace (164), on any answer but Yes.
  bool ForeignFilesAllowed(const RecoveryPlan& plan);
  // The new set's files that wait under hidden names take their names by one commit
  // (core/set/SetCommit.h): the recovery parts, the waiting parts in part order, then the
  // definition, which an implanted set carries in its last part before the commit; the
  // old set's surplus parts and recovery parts go.
  void CommitOverOldSet(std::span<const std::uint8_t> stored);
  // The old set's files that the new set does not replace: its parts past the new
  // set's count, named as this split names them, its definition file when the new set
  // implants its own, and its recovery parts that this split did not write.
  std::vector<std::string> SurplusOldFiles() const;
  // Parts are reported once they are on disk, in order.
  void ReportUpTo(int done);
  RecoverySetInfo RecoverySetFor(const RecoveryPlan& plan) const;
  StopCheck Stop() const {
    return [&events = events_] { return events.AbortRequested(); };
  }

  const SplitRequest& s_;
  const PendantProvider& pendants_;
  Random& random_;
  OperationEvents& events_;
  SplitOutcome& result_;
  const int exceptions_ = std::uncaught_exceptions();

  std::optional<SplitSource> source_;
  std::optional<FileStamp> sourceStamp_;  // a sized source as the split found it
  std::filesystem::path folder_;
  std::optional<SetNames> names_;
  std::optional<ExistingSet> oldSet_;  // the set the split replaces, found before writing
  std::optional<int> plannedCount_;    // known ahead when the source's size is
  std::optional<SetLock> lock_;
  std::optional<SetTransaction> change_;  // the new files, before recovery_ goes
  PendantPool pool_;
  std::optional<SetCipher> cipher_;
  std::optional<HelperThread> helper_;
  IoBuffer sealedBuffer_;
  std::string passwordKey_;
  // The part sizes are drawn from a generator of their own that starts where the
  // split's does, so a stream and a file get the same sizes.
  std::optional<Random> sizeRandom_;
  std::optional<PartSizeRule> sizes_;
  std::optional<RecoveryWriter> recovery_;
  std::optional<PartStream> stream_;
  PlacedParts placed_;
  // By part: its name was free when the split began and its intent lists it.
  std::vector<bool> listed_;
  int count_ = 0;
  int failedAt_ = INT_MAX;          // the part the split was at when it failed
  int reported_ = 0;                // parts reported on disk, from the first
  std::int64_t bytesReported_ = 0;  // the source bytes of those parts
  bool completed_ = false;
};

SplitRun::~SplitRun() {
  if (completed_) return;
  const bool failed = std::uncaught_exceptions() > exceptions_;
  // A failure leaves exactly the parts before the one that failed (none of them in the
  // place of a file that was there), and names those not reported yet. A stream's parts
  // all go: without the source, no re-split completes them. An abort leaves none.
  const int keepBefore = failed && source_ && source_->Size() ? failedAt_ : 0;
  if (stream_) placed_.Set(failed ? stream_->Settle(keepBefore) : stream_->Abandon());
  for (const WriteBehind::CommittedFile& f : placed_.KeepBefore(keepBefore)) {
    result_.partsLeftByFailure = true;
    if (f.index >= reported_) {
      result_.leftByFailure.push_back({FileRole::Part(f.index), NameText(f.target),
                                       s_.disguise ? FileState::Disguised : FileState::Split});
    }
  }
  // What a failure keeps stays; should the intent not go, the next lock removes them.
  try {
    if (change_) change_->KeepCreated();
  } catch (const KivoraError&) {
  }
}

bool SplitRun::Prepare() {
  source_ = SplitSource::Open(s_.source, Stop());
  if (!source_) {
    events_.ShowError(msg::kCannotOpenFile, MessageText::Plain(s_.source.string()));
    return false;
  }
  // The pendant set is read once for the whole split.
  pool_ = {pendants_.OpenSet(s_.usePlugin, s_.pluginName), {}};
  if (pool_.set) pool_.ids = pool_.set->Ids();
  if (pool_.ids.empty()) {
    events_.ShowError(msg::kNoPendants,
                      MessageText::Plain(s_.usePlugin ? s_.pluginName : std::string()));
    return false;
  }
  CheckNames(s_);
  if (s_.encrypt && s_.password.empty()) {
    events_.ShowError(msg::kEncryptNeedsPassword158);
    return false;
  }
  // A source of known size is planned whole first: its count numbers the parts, and its
  // recovery parts are coded as the parts are written. A stream's parts are sized as it
  // is read.
  sizeRandom_.emplace(random_);
  const std::optional<std::int64_t> size = source_->Size();
  if (size) sourceStamp_ = source_->SizedFile().Stamp();
  if (size) {
    plannedCount_ = static_cast<int>(PlanPartSizes(*size, s_, random_).size());
  } else {
    CheckPartSizeSettings(s_);
  }
  sizes_.emplace(s_.partSizeKb, s_.randomSizes, *sizeRandom_);
  folder_ = FolderOf(s_, !size);
  names_ = SetNames::ForSplit(NamingOf(s_, folder_), plannedCount_);
  result_.folder = names_->Folder();
  const int count = plannedCount_.value_or(0);
  const RecoveryPlan plan = PlanRecovery(count, s_.recovery);
  lock_.emplace(names_->Folder(), names_->LockName(), SetLock::Mode::Exclusive);
  change_.emplace(names_->Folder(), names_->LockName());
  if (size) CheckTargetsAreNotSource(s_, *names_, source_->SizedFile(), count, plan);
  oldSet_ = FindExistingSet(*names_, pendants_);
  if (oldSet_) {
    for (const WrittenRecoveryFile& f :
         ListRecoveryParts(oldSet_->definitionPath, oldSet_->definition))
      oldSet_->recoveryParts.push_back(NameText(f.path));
  }
  if (!ForeignFilesAllowed(plan)) return false;
  // The parts and the definition a split of known size makes under names that are free
  // now are listed first, so that a kill before the set is whole leaves none of them once
  // the set is next locked.
  if (plannedCount_) {
    change_->AddMembers(MembersOf(*names_, count, {}));
    std::vector<std::string> created;
    const FreeNames free(names_->Folder(), count + 1);
    listed_.assign(static_cast<size_t>(count), false);
    for (int i = 0; i < count; ++i) {
      std::string name = names_->PartName(i);
      if (!free.Holds(name)) continue;
      listed_[static_cast<size_t>(i)] = true;
      created.push_back(std::move(name));
    }
    if (!s_.implant && free.Holds(names_->DefinitionName()))
      created.push_back(names_->DefinitionName());
    WithMessage(msg::kWritePartFailed, [&] { change_->BeginCreating(std::move(created)); });
  }

  // The key of an encrypted set is derived once, before any part is written.
  if (s_.encrypt) {
    cipher_.emplace(SetCipher::ForNewSet(s_.password, s_.keyCost));
    helper_.emplace();
  }
  DefinitionHeader& h = result_.header;
  h.Magic = SplitMagic(s_.usePlugin, size.value_or(0));
  h.CipherKind = cipher_ ? kSealedCipher : kBlockCipher;
  h.Disguised = s_.disguise;
  h.Protected = cipher_ || (s_.disguise && !s_.password.empty());
  if (cipher_) h.Encryption = cipher_->Params();
  h.SourceName = SourceNameOf(s_);
  h.SourceSize = size.value_or(0);
  h.PartCount = static_cast<std::int16_t>(count);
  h.Comment = s_.comment;
  if (s_.disguise && s_.usePlugin)
    h.PluginChecksum = pendants_.ComputePluginChecksum(s_.pluginName);
  result_.parts.resize(static_cast<size_t>(count));
  if (plannedCount_ && !plan.groups.empty())
    recovery_.emplace(plan, RecoverySetFor(plan), *change_);
  passwordKey_ = cipher_ ? std::string() : PasswordToBig5OrThrow(s_.password.View());
  stream_.emplace(*source_, cipher_.has_value(), !s_.disguise && !cipher_,
                  std::int64_t{s_.partSizeKb} * 1024,
                  [&change = *change_](const std::filesystem::path& target) {
                    return change.HiddenName(NameText(target));
                  });
  return true;
}

RecoverySetInfo SplitRun::RecoverySetFor(const RecoveryPlan& plan) const {
  return RecoverySetInfoOf(*names_, plan.RecoveryCount(), result_.header, s_.implant,
                           plannedCount_.value_or(count_));
}

void SplitRun::ReportUpTo(int done) {
  for (; reported_ < done && !events_.AbortRequested(); ++reported_) {
    const PartRecord& part = result_.parts[static_cast<size_t>(reported_)];
    events_.SetFileState(reported_, part.FileName,
                         s_.disguise ? FileState::Disguised : FileState::Split);
    // A sealed part stores more bytes than it takes from the source.
    bytesReported_ += cipher_ ? PlainSize(part.Size, cipher_->Params().chunkSize).value_or(0)
                              : std::int64_t{part.Size};
    events_.Report(Progress{OperationKind::Split, reported_ + 1, plannedCount_.value_or(0),
                            bytesReported_, source_->Size().value_or(0)});
  }
}

bool SplitRun::WriteParts() {
  const StopCheck stop = Stop();
  // The parts' paths are composed as text, the folder with its slash first: parsing the
  // folder again for every part costs more than a small part.
  std::string folderText = result_.folder.native();
  if (!folderText.empty() && folderText.back() != '/') folderText += '/';
  for (int i = 0;; ++i) {
    failedAt_ = i;
    const std::optional<std::int32_t> size = sizes_->Next(source_->Left(sizes_->LookAhead()));
    if (!size) break;
    if (events_.AbortRequested()) return false;
    source_->Release(*size);
    count_ = i + 1;
    if (result_.parts.size() < static_cast<size_t>(count_))
      result_.parts.resize(static_cast<size_t>(count_));
    SplitPart part;
    part.size = *size;
    part.fileName = names_->PartName(i);
    part.path = folderText + part.fileName;
    part.listedAsCreated = i < static_cast<int>(listed_.size()) && listed_[static_cast<size_t>(i)];
    part.key = passwordKey_.empty() ? ToBig5OrThrow(part.fileName, msg::kNameOfPart) : passwordKey_;
    if (cipher_) part.seal = Sealing{&*cipher_, i, &*helper_, &sealedBuffer_};
    WrittenBytes written;
    if (recovery_)
      written = [&](std::span<const std::uint8_t> bytes) { recovery_->Append(i, bytes); };
    std::optional<PartRecord> record =
        stream_->Add(std::move(part), s_.disguise, pool_, random_, stop, written);
    if (!record) return false;
    if (recovery_) {
      // Every recovery part carries the first part's picture.
      if (i == 0 && s_.disguise) recovery_->SetPendant(*pool_.set->Pendant(record->PendantNo));
      recovery_->PartDone(i);
    }
    result_.parts[static_cast<size_t>(i)] = std::move(*record);
    ReportUpTo(stream_->Completed());
  }
  failedAt_ = INT_MAX;
  // The header is complete once the source has ended.
  DefinitionHeader& h = result_.header;
  h.Magic = SplitMagic(s_.usePlugin, source_->Released());
  h.SourceSize = source_->Released();
  h.PartCount = static_cast<std::int16_t>(count_);
  placed_.Set(stream_->Finish());
  stream_.reset();
  // Parts cloned from the source share its blocks rather than holding what was read for
  // their checksums, and a source written to meanwhile is no longer what was read: either
  // way the set would not be the source, so none of its parts is kept.
  if (sourceStamp_ && source_->SizedFile().Stamp() != *sourceStamp_) {
    failedAt_ = 0;
    throw KivoraError(msg::kSourceChangedDuringSplit133, MessageText::Plain(s_.source.string()));
  }
  ReportUpTo(count_);
  // A part that `stop` ended left nothing; the parts before it are removed too, and
  // files of the parts' names that were there stay as they were.
  return !events_.AbortRequested();
}

bool SplitRun::CodeRecovery() {
  if (plannedCount_) return true;  // coded as the parts were written
  // A stream's recovery groups, and their coding, follow from the part count, so they
  // are coded from the parts on disk once the stream has ended.
  const RecoveryPlan plan = PlanRecovery(count_, s_.recovery);
  if (plan.groups.empty()) return true;
  recovery_.emplace(plan, RecoverySetFor(plan), *change_);
  IoBuffer buffer(kPartChunkBytes);
  for (const WriteBehind::CommittedFile& f : placed_.Files()) {
    const PartRecord& record = result_.parts[static_cast<size_t>(f.index)];
    if (!FeedPartFile(*recovery_, record, s_.disguise, f.index, f.Where(), buffer, Stop()))
      return false;
  }
  return true;
}

bool SplitRun::Publish() {
  const std::vector<std::uint8_t> stored =
      StoredDefinition(s_, result_, cipher_ ? &*cipher_ : nullptr);
  if (recovery_) {
    if (s_.implant) recovery_->Append(count_ - 1, stored);
    if (!recovery_->Finish(stored, Stop())) return false;
    result_.recoveryFiles = recovery_->Written();
  }
  if (recovery_ || placed_.AnyWaiting() || DefinitionNameTaken()) {
    CommitOverOldSet(stored);
    ReportRecoveryFiles(events_, result_.recoveryFiles);
  } else {
    // The parts reach the disk before the definition that makes them a set.
    WithMessage(msg::kWritePartFailed, [&] { SyncFileSystem(folder_); });
    WriteDefinition(s_, *names_, stored, result_);
    WithMessage(msg::kWritePartFailed, [&] { change_->KeepCreated(); });
  }
  events_.SetFileState(FileRole::Definition(), result_.definitionPath.filename().string(),
                       s_.implant ? FileState::DefinitionImplanted : FileState::DefinitionCreated);
  return true;
}

bool SplitRun::DefinitionNameTaken() const {
  std::error_code ec;
  return !s_.implant && std::filesystem::symlink_status(names_->DefinitionPath(), ec).type() !=
                            std::filesystem::file_type::not_found;
}

std::vector<std::filesystem::path> SplitRun::ForeignFiles(const RecoveryPlan& plan) const {
  std::unordered_set<std::string> targets;
  targets.reserve(static_cast<size_t>(plannedCount_.value_or(0)) + 1 +
                  static_cast<size_t>(plan.RecoveryCount()));
  for (int i = 0; i < plannedCount_.value_or(0); ++i) targets.insert(names_->PartName(i));
  if (!s_.implant) targets.insert(names_->DefinitionName());
  const RecoveryNaming naming = names_->Recovery(plan.RecoveryCount());
  for (int i = 0; i < plan.RecoveryCount(); ++i) targets.insert(RecoveryFileName(naming, i));
  const auto width = static_cast<size_t>(names_->Width());
  const std::string partSuffix = names_->PartName(0).substr(names_->Base().size() + width);
  const auto streamMayTake = [&](std::string_view name) {
    return !plannedCount_ &&
           (IsNumberedName(name, names_->Base(), partSuffix, width, width) ||
            (s_.recovery.Any() && IsNumberedName(name, naming.prefix, naming.suffix, 2, 5)));
  };
  std::vector<std::filesystem::path> foreign;
  const std::filesystem::path place = names_->Folder();
  std::error_code ec;
  for (std::filesystem::directory_iterator it(place, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = NameText(it->path());
    std::error_code typeError;
    const auto type = it->symlink_status(typeError).type();
    if ((type == std::filesystem::file_type::regular ||
         type == std::filesystem::file_type::symlink) &&
        (targets.contains(name) || streamMayTake(name)) && !(oldSet_ && oldSet_->Holds(name))) {
      foreign.push_back(it->path());
    }
  }
  if (ec) throw KivoraError(DescribeIoError(place, msg::kOpenFileFailed, ec.value()));
  std::sort(foreign.begin(), foreign.end());
  return foreign;
}

bool SplitRun::ForeignFilesAllowed(const RecoveryPlan& plan) {
  if (s_.overwrite) return true;
  for (const std::filesystem::path& path : ForeignFiles(plan)) {
    if (events_.AskYesNo(QuestionKind::ReplaceForeignFile,
                         msg::kReplaceForeignFileQuestion(path.string()), path) != Answer::Yes) {
      events_.ShowError(msg::kForeignFile164, MessageText::Plain(path.string()));
      return false;
    }
  }
  return true;
}

std::vector<std::string> SplitRun::SurplusOldFiles() const {
  std::vector<std::string> surplus;
  if (!oldSet_) return surplus;
  const auto isFile = [&](const std::filesystem::path& path) {
    std::error_code ec;
    const auto type = std::filesystem::symlink_status(path, ec).type();
    return type == std::filesystem::file_type::regular ||
           type == std::filesystem::file_type::symlink;
  };
  const std::vector<PartRecord>& oldParts = oldSet_->definition.parts;
  const SetNames oldNames =
      SetNames::ForSplit(NamingOf(s_, folder_), static_cast<int>(oldParts.size()));
  for (size_t i = static_cast<size_t>(count_); i < oldParts.size(); ++i) {
    const std::string& name = oldParts[i].FileName;
    if (name == oldNames.PartName(static_cast<int>(i)) && isFile(names_->Folder() / name))
      surplus.push_back(name);
  }
  if (s_.implant && !oldSet_->definition.implanted && isFile(oldSet_->definitionPath))
    surplus.push_back(NameText(oldSet_->definitionPath));
  for (const std::string& name : oldSet_->recoveryParts) {
    const auto written = [&](const WrittenRecoveryFile& f) { return NameText(f.path) == name; };
    if (std::none_of(result_.recoveryFiles.begin(), result_.recoveryFiles.end(), written) &&
        isFile(names_->Folder() / name)) {
      surplus.push_back(name);
    }
  }
  return surplus;
}

void SplitRun::CommitOverOldSet(std::span<const std::uint8_t> stored) {
  const std::vector<std::string> removals = SurplusOldFiles();
  result_.definitionPath = names_->DefinitionPath();
  result_.definitionSize = 0;
  const std::string definitionName = NameText(result_.definitionPath);
  // The implanted definition goes into the last part before the commit: a kill between
  // the commit and a later append would leave the old set replaced and the new one
  // without its definition.
  if (s_.implant) {
    AppendImplantedBlock(placed_.Files().back().Where(), stored);
  } else {
    SaveDefinitionFile(change_->Register(definitionName, SetTransaction::Role::Definition), stored);
    result_.definitionSize = static_cast<std::int64_t>(stored.size());
  }
  if (recovery_) recovery_->HandOver();
  placed_.HandOverWaiting(*change_);
  if (!s_.implant) change_->MarkComplete(definitionName);
  // The part that carries the old definition is replaced only once the new definition
  // has its name, so that one of the two reads at every instant.
  if (!s_.implant && oldSet_ && oldSet_->definition.implanted)
    change_->SetRole(NameText(oldSet_->definitionPath), SetTransaction::Role::Carrier);
  for (const std::string& name : removals) change_->Remove(name);
  if (oldSet_) {
    change_->AddMembers(
        MembersOf(oldSet_->definition, oldSet_->definitionPath, oldSet_->recoveryParts));
  }
  std::vector<std::string> recoveryNames;
  for (const WrittenRecoveryFile& f : result_.recoveryFiles)
    recoveryNames.push_back(NameText(f.path));
  change_->AddMembers(MembersOf(*names_, count_, std::move(recoveryNames)));
  WithMessage(msg::kWritePartFailed, [&] { change_->Commit(HiddenFileSync::FileSystem); });
}

// The split into `result`, which keeps what a failure left when an exception escapes.
bool SplitInto(const SplitRequest& s, const PendantProvider& pendants, Random& random,
               OperationEvents& events, SplitOutcome& result) {
  result = SplitOutcome{};
  SplitRun run(s, pendants, random, events, result);
  return run.Run();
}

}  // namespace

SplitOutcome SplitFile(const SplitRequest& settings, const PendantProvider& pendants,
                       Random& random, OperationEvents& events) {
  SplitOutcome result;
  result.completed = SplitInto(settings, pendants, random, events, result);
  return result;
}

SplitOutcome RunSplit(const SplitRequest& settings, const PendantProvider& pendants,
                      OperationEvents& events) {
  SplitOutcome outcome;
  OperationResult run = RunOperation(
      events, OperationKind::Split, SplitFailure(outcome), [&](OperationEvents& guarded) {
        guarded.Report(WorkStarted{});
        guarded.Report(FilesCleared{});
        Random random = settings.seed ? Random(*settings.seed) : Random::FromClock();
        outcome.completed = SplitInto(settings, pendants, random, guarded, outcome);
        ReportSplitEnd(guarded, outcome.completed ? SplitEnd::Completed : SplitEnd::NothingLeft);
      });
  static_cast<OperationResult&>(outcome) = std::move(run);
  return outcome;
}

void ReportSplitEnd(OperationEvents& events, SplitEnd end) {
  if (end == SplitEnd::NothingLeft) events.Report(FilesCleared{});
  ReportEnd(events, OperationKind::Split, end == SplitEnd::Completed, msg::kSplitCompleted,
            msg::kSplitInterrupted);
}

}  // namespace kivora
