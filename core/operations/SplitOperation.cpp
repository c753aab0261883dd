#include "core/operations/SplitOperation.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <new>

#include "core/KivoraError.h"
#include "core/format/CodePage.h"
#include "core/format/DefinitionWriter.h"
#include "core/format/StoredDefinition.h"
#include "core/io/AtomicFile.h"
#include "core/io/File.h"
#include "core/operations/SetLock.h"
#include "core/operations/SetRecovery.h"
#include "core/operations/StreamPartSizes.h"
#include "core/parts/PartStream.h"
#include "core/payload/SetCipher.h"
#include "core/text/GroupThousands.h"
#include "core/text/Messages.h"

namespace kivora {

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
  if (s.saveFolder) return *s.saveFolder;
  return IsStreamSource(s.source) ? std::filesystem::path() : s.source.parent_path();
}

int NumberWidth(int partCount) {
  return std::max(2, static_cast<int>(std::to_string(partCount).size()));
}

std::string PartFileName(const SplitRequest& s, int index, int partCount) {
  char number[16];
  std::snprintf(number, sizeof number, "%.*d", NumberWidth(partCount),
                index + (s.numberFromOne ? 1 : 0));
  return s.baseName + number + "." + s.extension;
}

std::filesystem::path DefinitionPath(const SplitRequest& s) {
  std::string base = s.baseName;
  if (!base.empty() && base.back() == '_') base.pop_back();
  const std::string suffix = s.kvrExtension ? "_kvr." + s.extension : ".kvr";
  return SplitFolder(s) / (base + suffix);
}

std::int64_t SmallestPartSizeKb(std::int64_t total) {
  const std::int64_t perKb = std::int64_t{kMaxPartCount} * 1024;
  return std::max<std::int64_t>(1, (total + perKb - 1) / perKb);
}

RecoveryNaming RecoveryNamingFor(const SplitRequest& s, const RecoveryPlan& plan) {
  return MakeRecoveryNaming(s.baseName, s.extension, plan.RecoveryCount(), s.numberFromOne);
}

int DrawShortfallKb(int partSizeKb, Random& random) {
  if (partSizeKb < 100) return random.Draw(10);
  const int r = random.Draw(100);
  return r < 10 ? r * 10 : r;
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

  std::vector<std::int32_t> sizes(static_cast<size_t>(count));
  std::int64_t remaining = total;
  std::int64_t previous = 0;
  for (std::int64_t i = 0; i < count; ++i) {
    std::int64_t size = base;
    if (i == count - 1) {
      size = remaining;
    } else if (s.randomSizes) {
      if (i % 2 == 0) {
        size = base - static_cast<std::int64_t>(DrawShortfallKb(s.partSizeKb, random)) * 1024;
      } else {
        size = 2 * base - previous;  // a pair adds up to two bases
      }
    }
    sizes[static_cast<size_t>(i)] = static_cast<std::int32_t>(size);
    remaining -= size;
    previous = size;
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
void CheckTargetsAreNotSource(const SplitRequest& s, const File& source, int count,
                              const RecoveryPlan& plan) {
  const std::filesystem::path folder = SplitFolder(s);
  const FileIdentity sourceId = source.Identity();
  if (sourceId.links == 1 &&
      !SameFile(IdentityOf(folder.empty() ? "." : folder),
                IdentityOf(std::filesystem::absolute(s.source).parent_path()))) {
    return;
  }
  const auto check = [&](const std::filesystem::path& target) {
    if (SameFile(IdentityOf(target), sourceId))
      throw KivoraError(msg::kTargetIsSource, target.string());
  };
  for (int i = 0; i < count; ++i) check(folder / PartFileName(s, i, count));
  if (!s.implant) check(DefinitionPath(s));
  const RecoveryNaming naming = RecoveryNamingFor(s, plan);
  for (int i = 0; i < plan.RecoveryCount(); ++i) check(folder / RecoveryFileName(naming, i));
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
  if (result.partPaths.empty()) {
    throw KivoraError(msg::kImplantDefinitionFailed, std::string(msg::kNoPartToImplant));
  }
  return ImplantedBlock(result.partPaths.back(), std::move(bytes));
}

void WriteDefinition(const SplitRequest& s, std::span<const std::uint8_t> stored,
                     SplitOutcome& result) {
  result.definitionPath = DefinitionPath(s);
  result.definitionSize = 0;
  if (!s.implant) {
    SaveDefinitionFile(result.definitionPath, stored);
    result.definitionSize = static_cast<std::int64_t>(stored.size());
    return;
  }
  AppendImplantedBlock(result.partPaths.back(), stored);
}

// The name the set is locked by: that of its parts, or of its definition when it has none
// (as a join of the set finds it). A stream's parts are named for the largest count.
std::string SetNameOf(const SplitRequest& s, int count, bool streaming) {
  if (streaming) return SetNameOfParts(PartFileName(s, 0, kMaxPartCount), kMaxPartCount);
  return count > 0 ? SetNameOfParts(PartFileName(s, 0, count), count)
                   : DefinitionPath(s).stem().string();
}

// nameCount: the count the parts are numbered for.
RecoverySetInfo RecoverySetFor(const SplitRequest& s, const RecoveryPlan& plan,
                               const DefinitionHeader& header, int count, int nameCount) {
  return RecoverySetInfoOf(
      SplitFolder(s), RecoveryNamingFor(s, plan), header, s.implant,
      s.implant ? PartFileName(s, count - 1, nameCount) : DefinitionPath(s).filename().string());
}

// The parts a split has on disk, and what becomes of them when it does not complete:
// only what the split created goes, and a part waiting to replace a file of its name
// never replaces it.
class PlacedParts {
 public:
  void Set(std::vector<WriteBehind::CommittedFile> files) { files_ = std::move(files); }
  const std::vector<WriteBehind::CommittedFile>& Files() const { return files_; }

  // Moves every waiting part over the file of its name, in order. A failure leaves the
  // parts before it; the part it names and those after it are then removed.
  void ReplaceTakenNames() {
    for (WriteBehind::CommittedFile& f : files_) {
      if (!f.Replaces()) continue;
      try {
        WithMessage(msg::kWritePartFailed, [&] { ReplaceFile(f.hidden, f.target); });
      } catch (...) {
        failedAt_ = f.index;
        throw;
      }
      f.hidden.clear();
    }
  }
  // The parts that stay after a failure at part `failedAt` (or later), the others removed.
  std::vector<WriteBehind::CommittedFile> KeepBefore(int failedAt) {
    failedAt = std::min(failedAt, failedAt_);
    std::vector<WriteBehind::CommittedFile> kept;
    for (const WriteBehind::CommittedFile& f : files_) {
      if (f.Replaces() || f.index >= failedAt) {
        std::error_code ec;
        std::filesystem::remove(f.Where(), ec);
      } else {
        kept.push_back(f);
      }
    }
    files_.clear();
    return kept;
  }

 private:
  std::vector<WriteBehind::CommittedFile> files_;
  int failedAt_ = INT_MAX;
};

}  // namespace

bool SplitFile(const SplitRequest& s, const PendantProvider& pendants, Random& random,
               OperationEvents& events, SplitOutcome& result) {
  result = SplitOutcome{};
  std::optional<RecoveryWriter> recovery;
  // Recovery parts are only complete once the definition is in them.
  const auto dropRecovery = [&] {
    if (!recovery) return;
    for (const auto& f : recovery->Written()) {
      std::error_code ec;
      std::filesystem::remove(f.path, ec);
    }
  };
  File source;  // handed to `stream`, which owns it from then on
  const bool streaming = IsStreamSource(s.source);
  std::optional<StreamSource> input;  // a stream's look-ahead, read by `stream`
  std::optional<PartStream> stream;
  PlacedParts placed;
  int failedAt = INT_MAX;  // the part the split was at when it failed
  int reported = 0;        // parts reported on disk, from the first
  try {
    if (streaming) {
      input = StreamSource::Open(s.source);
    } else {
      source = File::TryOpenRead(s.source);
    }
    if (streaming ? !input : !source.IsOpen()) {
      events.ShowError(msg::kCannotOpenFile, MessageText::Plain(s.source.string()));
      return false;
    }
    // The pendant set is read once for the whole split.
    PendantPool pool{pendants.OpenSet(s.usePlugin, s.pluginName), {}};
    if (pool.set) pool.ids = pool.set->Ids();
    if (pool.ids.empty()) {
      events.ShowError(msg::kNoPendants,
                       MessageText::Plain(s.usePlugin ? s.pluginName : std::string()));
      return false;
    }
    CheckNames(s);
    if (s.encrypt && s.password.empty()) {
      events.ShowError(msg::kEncryptNeedsPassword158);
      return false;
    }
    // A file's parts are planned from its size; a stream's, part by part as it is read.
    std::int64_t total = streaming ? 0 : source.Size();
    std::optional<StreamPartSizes> streamSizes;
    std::vector<std::int32_t> sizes;
    if (streaming) {
      streamSizes.emplace(s, random);
    } else {
      sizes = PlanPartSizes(total, s, random);
    }
    int count = static_cast<int>(sizes.size());
    const int nameCount = streaming ? kMaxPartCount : count;  // the width of part numbers
    const RecoveryPlan plan = PlanRecovery(count, s.recovery);
    const SetLock lock(SplitFolder(s), SetNameOf(s, count, streaming), SetLock::Mode::Exclusive);
    if (!streaming) CheckTargetsAreNotSource(s, source, count, plan);

    // The key of an encrypted set is derived once, before any part is written.
    std::optional<SetCipher> cipher;
    std::optional<HelperThread> helper;
    std::vector<std::uint8_t> sealedBuffer;
    if (s.encrypt) {
      cipher.emplace(SetCipher::ForNewSet(s.password, s.keyCost));
      helper.emplace();
    }

    DefinitionHeader& h = result.header;
    h.Magic = SplitMagic(s.usePlugin, total);
    h.CipherKind = cipher ? kSealedCipher : kBlockCipher;
    h.Disguised = s.disguise;
    h.Protected = cipher || (s.disguise && !s.password.empty());
    if (cipher) h.Encryption = cipher->Params();
    h.SourceName = SourceNameOf(s);
    h.SourceSize = total;
    h.PartCount = static_cast<std::int16_t>(count);
    h.Comment = s.comment;
    if (s.disguise && s.usePlugin) h.PluginChecksum = pendants.ComputePluginChecksum(s.pluginName);
    result.parts.resize(static_cast<size_t>(count));
    if (!plan.groups.empty()) recovery.emplace(plan, RecoverySetFor(s, plan, h, count, count));

    const std::filesystem::path folder = SplitFolder(s);
    const std::string passwordKey =
        cipher ? std::string() : PasswordToBig5OrThrow(s.password.View());
    const StopCheck stop = [&events] { return events.AbortRequested(); };
    // Parts are reported once they are on disk, in order.
    const auto reportUpTo = [&](int done) {
      for (; reported < done && !events.AbortRequested(); ++reported) {
        events.SetFileState(reported, result.parts[static_cast<size_t>(reported)].FileName,
                            s.disguise ? FileState::Disguised : FileState::Split);
        events.Report(Progress{OperationKind::Split, reported + 1, streaming ? 0 : count});
      }
    };
    const std::int64_t partBytes = std::int64_t{s.partSizeKb} * 1024;
    if (streaming) {
      stream.emplace(*input, cipher.has_value(), partBytes);
    } else {
      stream.emplace(std::move(source), cipher.has_value(), partBytes);
    }
    bool aborted = false;
    for (int i = 0; streaming || i < count; ++i) {
      failedAt = i;
      aborted = events.AbortRequested();
      if (aborted) break;
      SplitPart part;
      if (streaming) {
        const std::optional<std::int32_t> size = streamSizes->Next(*input);
        if (!size) break;
        part.size = *size;
        count = i + 1;
        result.parts.resize(static_cast<size_t>(count));
      } else {
        part.size = sizes[static_cast<size_t>(i)];
      }
      part.fileName = PartFileName(s, i, nameCount);
      part.path = folder / part.fileName;
      part.key = passwordKey.empty() ? ToBig5OrThrow(part.fileName, msg::kNameOfPart) : passwordKey;
      if (cipher) part.seal = Sealing{&*cipher, i, &*helper, &sealedBuffer};
      WrittenBytes written;
      if (recovery)
        written = [&](std::span<const std::uint8_t> bytes) { recovery->Append(i, bytes); };
      std::optional<PartRecord> record = stream->Add(part, s.disguise, pool, random, stop, written);
      aborted = !record;
      if (aborted) break;
      result.partPaths.push_back(std::move(part.path));
      if (recovery) {
        // Every recovery part carries the first part's picture.
        if (i == 0 && s.disguise) recovery->SetPendant(*pool.set->Pendant(record->PendantNo));
        recovery->PartDone(i);
      }
      result.parts[static_cast<size_t>(i)] = std::move(*record);
      reportUpTo(stream->Completed());
    }
    failedAt = INT_MAX;
    if (streaming) {
      // The header is complete once the stream has ended.
      total = input->Consumed();
      h.Magic = SplitMagic(s.usePlugin, total);
      h.SourceSize = total;
      h.PartCount = static_cast<std::int16_t>(count);
    }
    if (!aborted) {
      placed.Set(stream->Finish());
      reportUpTo(count);
    }
    // A part that `stop` ended left nothing; the parts before it are removed too, and
    // files of the parts' names that were there stay as they were.
    if (aborted || events.AbortRequested()) {
      if (aborted) placed.Set(stream->Abandon());  // else Finish gave them
      placed.KeepBefore(0);
      dropRecovery();
      return false;
    }
    stream.reset();
    // A stream's recovery parts: its groups, and their coding, follow from the part count,
    // so they are coded from the parts on disk once the stream has ended.
    const RecoveryPlan streamPlan = streaming ? PlanRecovery(count, s.recovery) : RecoveryPlan{};
    if (!streamPlan.groups.empty()) {
      recovery.emplace(streamPlan, RecoverySetFor(s, streamPlan, h, count, nameCount));
      std::vector<std::uint8_t> buffer(kPartChunkBytes);
      std::vector<WriteBehind::CommittedFile> parts = placed.Files();  // in the parts' order
      std::sort(parts.begin(), parts.end(),
                [](const auto& a, const auto& b) { return a.index < b.index; });
      for (const WriteBehind::CommittedFile& f : parts) {
        const PartRecord& record = result.parts[static_cast<size_t>(f.index)];
        if (!FeedPartFile(*recovery, record, s.disguise, f.index, f.Where(), buffer, stop)) {
          placed.KeepBefore(0);
          dropRecovery();
          return false;
        }
      }
    }
    const std::vector<std::uint8_t> stored =
        StoredDefinition(s, result, cipher ? &*cipher : nullptr);
    if (recovery) {
      if (s.implant) recovery->Append(count - 1, stored);
      if (!recovery->Finish(stored, stop)) {
        placed.KeepBefore(0);
        dropRecovery();
        return false;
      }
      result.recoveryFiles = recovery->Written();
      ReportRecoveryFiles(events, result.recoveryFiles);
    }
    // The parts reach the disk before they replace anything, and before the definition
    // that makes them a set.
    WithMessage(msg::kWritePartFailed, [&] { SyncFileSystem(folder); });
    placed.ReplaceTakenNames();
    WriteDefinition(s, stored, result);
    events.SetFileState(FileRole::Definition(), result.definitionPath.filename().string(),
                        s.implant ? FileState::DefinitionImplanted : FileState::DefinitionCreated);
    return true;
  } catch (...) {
    // A failure leaves exactly the parts before the one that failed (none of them in the
    // place of a file that was there), names those not reported yet, and goes on to the
    // caller. A stream's parts all go: without the source, no re-split completes them.
    if (streaming) failedAt = 0;
    if (stream) placed.Set(stream->Settle(failedAt));
    for (const WriteBehind::CommittedFile& f : placed.KeepBefore(failedAt)) {
      if (f.index >= reported) {
        result.leftByFailure.push_back({FileRole::Part(f.index), NameText(f.target),
                                        s.disguise ? FileState::Disguised : FileState::Split});
      }
    }
    dropRecovery();
    throw;
  }
}

bool RunSplit(const SplitRequest& settings, const PendantProvider& pendants,
              OperationEvents& events, SplitOutcome& result, std::optional<std::uint64_t> seed) {
  events.Report(WorkStarted{});
  events.Report(FilesCleared{});
  Random random = seed ? Random(*seed) : Random::FromClock();
  const bool completed = SplitFile(settings, pendants, random, events, result);
  ReportSplitEnd(events, completed);
  return completed;
}

void ReportSplitEnd(OperationEvents& events, bool completed) {
  events.Report(WorkEnded{});
  if (completed) {
    events.ShowCompletion(msg::kSplitCompleted);
  } else {
    events.ShowInterruption(msg::kSplitInterrupted);
    events.Report(FilesCleared{});  // an interrupted split leaves no file behind
  }
  events.Report(
      Finished{OperationKind::Split, completed ? Outcome::Completed : Outcome::Interrupted});
}

}  // namespace kivora
