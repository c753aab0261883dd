#include "core/operations/RepairOperation.h"

#include <algorithm>
#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>

#include "core/KivoraError.h"
#include "core/format/DefinitionReader.h"
#include "core/io/AtomicFile.h"
#include "core/io/Crc32.h"
#include "core/io/File.h"
#include "core/io/IoBuffer.h"
#include "core/operations/SetProtection.h"
#include "core/operations/SetRecovery.h"
#include "core/parts/SealedPartProof.h"
#include "core/parts/SetNames.h"
#include "core/recovery/RecoveryCode.h"
#include "core/recovery/RecoveryScan.h"
#include "core/recovery/StripeCrcs.h"
#include "core/set/SetLock.h"
#include "core/set/SetMembers.h"
#include "core/set/SetTransaction.h"
#include "core/text/GroupThousands.h"
#include "core/text/Messages.h"
#include "core/threads/ParallelFor.h"

namespace kivora {
namespace {

constexpr std::size_t kMaxStripe = 1 << 20;
constexpr std::size_t kMinStripe = 64 << 10;
constexpr std::size_t kStripeBudget = 16 << 20;  // per thread

FileState LostState(const std::filesystem::path& path) {
  std::error_code ec;
  return std::filesystem::exists(path, ec) ? FileState::Corrupt : FileState::Missing;
}

// The stripe buffers of one thread, kept from one group to the next.
struct Stripes {
  std::size_t bytes = 0;
  std::vector<IoBuffer> buffers;

  void Ensure(std::size_t count, std::size_t size) {
    if (size > bytes) {
      buffers.clear();
      bytes = size;
    }
    while (buffers.size() < count) {
      buffers.emplace_back(bytes);
    }
  }
};

// One shard that is there (intact, or damaged in some stripes), read where needed, by
// any thread: bytes past its length read as zeros.
struct ShardInput {
  File file;
  std::uint64_t base = 0;  // where the shard starts in the file
  std::uint64_t length = 0;

  void Read(std::uint64_t offset, std::span<std::uint8_t> into) {
    const auto have = static_cast<std::size_t>(
        length > offset ? std::min<std::uint64_t>(into.size(), length - offset) : 0);
    WithMessage(msg::kReadPartFailed242, [&] {
      file.ReadExactAt(static_cast<std::int64_t>(base + offset), into.first(have));
    });
    std::fill(into.begin() + static_cast<std::ptrdiff_t>(have), into.end(), std::uint8_t{0});
  }
};

// One file being rebuilt.
struct ShardOutput {
  std::unique_ptr<AtomicFile> file;
  int shard = 0;
  bool part = false;
  std::uint64_t length = 0;  // bytes of shard that belong to the file
  BlockCrcs crcs;
  CoveredFile expected;  // parts: the recorded length and CRC
  bool proven = false;   // the bytes must have `expected`'s CRC (parts, and found recovery parts)
  std::unique_ptr<SealedPartProof> sealed;  // parts of an encrypted set given its cipher
  RecoveryHeader header;  // recovery parts: their header, its shard CRC filled last
  std::uint64_t headerOffset = 0;
  std::filesystem::path path;
  FileRole role;
};

// The names the repair's commits may touch: the set's parts, definition and recovery parts.
SetMembers MembersOfScan(const RecoverySetScan& scan) {
  std::vector<std::string> recovery;
  const int count = static_cast<int>(scan.header.groupCount) * scan.header.perGroup;
  for (int j = 0; j < count; ++j) recovery.push_back(NameText(scan.RecoveryPath(j)));
  return MembersOf(scan.definition, scan.DefinitionPath(), std::move(recovery));
}

// The files of a group rebuilt and proved, waiting under their hidden names.
struct RebuiltGroup {
  std::vector<FileRole> files;
  std::optional<SetTransaction> commit;  // none when nothing was rebuilt
};

class GroupRebuild {
 public:
  // `stripes` holds the stripe buffers, kept from one group to the next.
  // `readThreads`: how many threads read the shards of a stripe. `setName` names the
  // hidden files (core/set/CommitNames.h). With `cipher`, rebuilt parts must prove their
  // chunks' tags too.
  GroupRebuild(const RecoverySetScan& scan, int group, const std::string& setName,
               const SetMembers& members, Stripes& stripes, int readThreads,
               const SetCipher* cipher)
      : scan_(scan),
        g_(scan.groups[group]),
        group_(group),
        setName_(setName),
        members_(members),
        stripes_(stripes),
        readThreads_(readThreads),
        cipher_(cipher) {}

  // Rebuilds the group's lost and damaged files stripe by stripe: a damaged stripe of a
  // file is computed from K shards intact in that stripe, its other stripes are its own.
  // Returns the files rebuilt, waiting for their commit, or empty optional when `stop`
  // ended it (nothing of the group is then left).
  std::optional<RebuiltGroup> Run(const StopCheck& stop) {
    const int k = g_.parts.partCount;
    const int r = scan_.header.perGroup;
    const bool recoveryToo = g_.RecoveryRebuildable();
    std::vector<int> wanted;
    for (int shard = 0; shard < k + r; ++shard) {
      if (!g_.Intact(shard) && (shard < k || recoveryToo)) wanted.push_back(shard);
    }
    if (wanted.empty()) return RebuiltGroup{};
    int model = 0;
    while (model < r && !g_.FoundRecovery(model)) ++model;
    if (model == r) return RebuiltGroup{};  // no header or picture to take

    const std::uint64_t length = Recovery(model).header.shardLength;
    OpenInputs(k, r);
    OpenOutputs(wanted, k, model);
    const RecoveryCode code(k, r);
    std::map<std::pair<std::vector<int>, std::vector<int>>, RecoveryCode::Decoder> decoders;

    const std::size_t chunk = std::clamp(
        kStripeBudget / static_cast<std::size_t>(k + outputs_.size()), kMinStripe, kMaxStripe);
    stripes_.Ensure(static_cast<std::size_t>(k) + outputs_.size(), chunk);
    std::vector<std::uint8_t*> in, out;
    std::vector<std::pair<int, std::uint8_t*>> reads;  // shard, into
    for (std::uint64_t begin = 0, s = 0; begin < length; begin += g_.stripeLength, ++s) {
      const std::uint64_t end = std::min(length, begin + g_.stripeLength);
      // K shards intact in this stripe (data shards first: they are the cheapest), and
      // the outputs whose stripe is damaged.
      std::vector<int> used, lost;
      for (int shard = 0; shard < k + r; ++shard) {
        const bool damaged = g_.damaged[static_cast<size_t>(shard)][s];
        if (!damaged && static_cast<int>(used.size()) < k) used.push_back(shard);
      }
      for (const ShardOutput& o : outputs_) {
        if (g_.damaged[static_cast<size_t>(o.shard)][s]) lost.push_back(o.shard);
      }
      const RecoveryCode::Decoder* decoder = nullptr;
      if (!lost.empty()) {
        auto [it, added] = decoders.try_emplace({used, lost});
        if (added) it->second = code.MakeDecoder(used, lost);
        decoder = &it->second;
      }
      for (std::uint64_t offset = begin; offset < end; offset += chunk) {
        if (StopRequested(stop)) return std::nullopt;
        const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(chunk, end - offset));
        in.clear();
        out.clear();
        reads.clear();
        if (decoder) {
          for (std::size_t i = 0; i < used.size(); ++i) {
            in.push_back(stripes_.buffers[i].data());
            reads.emplace_back(used[i], in.back());
          }
        }
        // Each output's bytes: computed when its stripe is damaged, else its own.
        for (std::size_t w = 0; w < outputs_.size(); ++w) {
          std::uint8_t* buffer = stripes_.buffers[static_cast<std::size_t>(k) + w].data();
          const int shard = outputs_[w].shard;
          if (g_.damaged[static_cast<size_t>(shard)][s]) {
            out.push_back(buffer);
          } else {
            reads.emplace_back(shard, buffer);
          }
        }
        ReadShards(reads, offset, n);
        if (decoder) decoder->Run(n, in, out);
        for (std::size_t w = 0; w < outputs_.size(); ++w) {
          ShardOutput& o = outputs_[w];
          const auto take = static_cast<std::size_t>(
              o.length > offset ? std::min<std::uint64_t>(n, o.length - offset) : 0);
          const auto bytes = std::span<const std::uint8_t>(
              stripes_.buffers[static_cast<std::size_t>(k) + w].data(), take);
          o.crcs.Add(bytes);
          if (o.sealed) o.sealed->Add(bytes);
          WithMessage(msg::kRepairWriteFailed324, [&] { o.file->Write(bytes); });
        }
      }
    }
    return Commit();
  }

 private:
  const RecoveryFileInfo& Recovery(int j) const {
    return scan_.recoveryFiles[static_cast<size_t>(g_.recovery[static_cast<size_t>(j)])];
  }

  std::filesystem::path ShardPath(int shard, int k) const {
    return shard < k ? scan_.PartPath(g_.parts.firstPart + shard)
                     : scan_.RecoveryPath(group_ * scan_.header.perGroup + (shard - k));
  }

  // Reads n bytes at `offset` of each shard into its buffer, shared among readThreads_
  // threads: reading the shards of a stripe is most of a rebuild's time.
  void ReadShards(std::span<const std::pair<int, std::uint8_t*>> reads, std::uint64_t offset,
                  std::size_t n) {
    const auto threads = static_cast<std::size_t>(readThreads_);
    ParallelFor(readThreads_, [&](int first, int) {
      for (auto i = static_cast<std::size_t>(first); i < reads.size(); i += threads) {
        const auto [shard, into] = reads[i];
        inputs_[static_cast<size_t>(shard)]->Read(offset, std::span(into, n));
      }
    });
  }

  // Every shard that is there, intact or damaged in some stripes.
  void OpenInputs(int k, int r) {
    inputs_.resize(static_cast<size_t>(k + r));
    for (int shard = 0; shard < k + r; ++shard) {
      const std::vector<bool>& damaged = g_.damaged[static_cast<size_t>(shard)];
      if (std::find(damaged.begin(), damaged.end(), false) == damaged.end()) continue;
      ShardInput s;
      const std::filesystem::path path = ShardPath(shard, k);
      s.file = WithMessage(msg::kReadPartFailed242, [&] { return File::OpenRead(path); });
      if (shard < k) {
        s.length = g_.covered[static_cast<size_t>(shard)].length;
      } else {
        const RecoveryFileInfo& info = Recovery(shard - k);
        s.base = info.shardOffset;
        s.length = info.header.shardLength;
      }
      inputs_[static_cast<size_t>(shard)] = std::move(s);
    }
  }

  // `model`: a recovery part of the group that was found, whose header and picture the
  // rebuilt recovery parts take.
  void OpenOutputs(const std::vector<int>& wanted, int k, int model) {
    const RecoveryFileInfo& info = Recovery(model);
    std::vector<std::uint8_t> pendant(info.headerOffset);
    if (!pendant.empty()) {
      const std::filesystem::path path = ShardPath(k + model, k);
      WithMessage(msg::kReadPartFailed242, [&] {
        File f = File::OpenRead(path);
        f.ReadExact(pendant);
      });
    }
    for (int shard : wanted) {
      ShardOutput o;
      o.shard = shard;
      o.path = ShardPath(shard, k);
      o.file = WithMessage(msg::kRepairWriteFailed324,
                           [&] { return std::make_unique<AtomicFile>(o.path); });
      if (shard < k) {
        o.part = true;
        o.proven = true;
        o.expected = g_.covered[static_cast<size_t>(shard)];
        o.length = o.expected.length;
        o.role = FileRole::Part(g_.parts.firstPart + shard);
        if (cipher_) {
          o.sealed = std::make_unique<SealedPartProof>(*cipher_, scan_.definition,
                                                       g_.parts.firstPart + shard);
        }
      } else {
        // A recovery part whose header is intact and only its shard damaged keeps its
        // header, and its shard must come back with the CRC-32 recorded there.
        const bool found = g_.FoundRecovery(shard - k);
        o.header = found ? Recovery(shard - k).header : info.header;
        if (found) o.expected = {o.header.shardLength, o.header.shardCrc};
        o.proven = found;
        o.header.index = static_cast<std::uint16_t>(shard - k);
        o.headerOffset = pendant.size();
        o.length = o.header.shardLength;
        o.role = FileRole::Recovery(o.header.SetIndex());
        WithMessage(msg::kRepairWriteFailed324, [&] {
          o.file->Write(pendant);
          o.file->Write(EncodeRecoveryHeader(o.header));
        });
      }
      outputs_.push_back(std::move(o));
    }
  }

  // Proves every rebuilt part by the length and CRC-32 of the definition's record (and
  // its chunks' tags, given the cipher), and a recovery part whose header was intact by
  // the shard CRC-32 recorded there, before any of them is left under its hidden name for
  // the commit.
  RebuiltGroup Commit() {
    for (const ShardOutput& o : outputs_) {
      if (o.proven && (o.crcs.Whole() != o.expected.crc || o.crcs.Length() != o.expected.length)) {
        throw KivoraError(msg::kRepairCheckFailed323, o.path.string());
      }
      if (o.sealed && !o.sealed->Authentic()) {
        throw KivoraError(msg::kRepairNotAuthentic328, o.path.string());
      }
    }
    RebuiltGroup rebuilt;
    WithMessage(msg::kRepairWriteFailed324,
                [&] { rebuilt.commit.emplace(scan_.folder, setName_); });
    SetTransaction& commit = *rebuilt.commit;
    commit.AddMembers(members_);
    for (ShardOutput& o : outputs_) {
      const std::string target = NameText(o.path);
      WithMessage(msg::kRepairWriteFailed324, [&] {
        if (!o.part) {
          o.header.shardCrc = o.crcs.Whole();
          if (o.header.version >= 3) o.header.shardStripes = o.crcs.Stripes(o.header.stripeLength);
          o.file->Write(scan_.definitionCopy);
          o.file->Write(RecoveryTrailer(o.headerOffset));
          o.file->Stream().Seek(static_cast<std::int64_t>(o.headerOffset));
          o.file->Write(EncodeRecoveryHeader(o.header));
        }
        o.file->CommitHidden(commit.HiddenName(target));
      });
      commit.Add(target);
      rebuilt.files.push_back(o.role);
    }
    return rebuilt;
  }

  const RecoverySetScan& scan_;
  const RecoveryGroupScan& g_;
  int group_;
  const std::string& setName_;
  const SetMembers& members_;
  Stripes& stripes_;
  int readThreads_;
  const SetCipher* cipher_;
  std::vector<std::optional<ShardInput>> inputs_;  // by shard; none for a lost one
  std::vector<ShardOutput> outputs_;
};

RepairOutcome Summarize(const std::optional<RecoverySetScan>& scan) {
  RepairOutcome out;
  if (!scan) return out;
  out.found = true;
  out.damaged = scan->Damaged();
  out.rebuildable = scan->Rebuildable();
  out.unauthentic = scan->unauthentic;
  out.partsRebuildable = true;
  for (const RecoveryGroupScan& g : scan->groups) {
    if (g.LostParts() > 0 && !g.PartsRebuildable()) out.partsRebuildable = false;
  }
  out.completed = out.rebuildable == out.damaged;
  return out;
}

void ListFiles(const RecoverySetScan& scan, OperationEvents& events) {
  for (const RecoveryGroupScan& g : scan.groups) {
    for (int i = 0; i < g.parts.partCount; ++i) {
      const int part = g.parts.firstPart + i;
      const std::filesystem::path path = scan.PartPath(part);
      events.SetFileState(part, path.filename().string(),
                          g.PartUsable(i) ? FileState::Ok : LostState(path));
    }
  }
  for (const RecoveryGroupScan& g : scan.groups) {
    const int first = static_cast<int>(&g - scan.groups.data()) * scan.header.perGroup;
    for (int j = 0; j < static_cast<int>(g.recovery.size()); ++j) {
      const int index = first + j;
      const std::filesystem::path path = scan.RecoveryPath(index);
      events.SetFileState(FileRole::Recovery(index), path.filename().string(),
                          g.HasRecovery(j) ? FileState::Ok : LostState(path));
    }
  }
  if (!scan.header.implanted) {
    events.SetFileState(FileRole::Definition(), scan.header.definitionName,
                        scan.definitionLost ? LostState(scan.DefinitionPath()) : FileState::Ok);
  }
}

// One line per group that cannot get back all it lost: its parts (when `parts`), else
// its recovery parts.
MessageText LostGroups(const RecoverySetScan& scan, bool parts) {
  MessageText text;
  for (size_t g = 0; g < scan.groups.size(); ++g) {
    const RecoveryGroupScan& group = scan.groups[g];
    const int number = static_cast<int>(g) + 1;
    MessageText line;
    const auto overloaded = group.FirstOverloadedStripe();
    if (parts && group.LostParts() > 0 && overloaded) {
      // Which bytes of the group's files hold more damage than its recovery parts carry.
      const auto at = [](std::uint64_t offset) {
        return GroupThousands(static_cast<std::int64_t>(offset));
      };
      line = msg::kRepairGroupLost(
          number, at(overloaded->begin), at(std::max(overloaded->end, overloaded->begin + 1) - 1),
          overloaded->damagedShards, static_cast<int>(scan.header.perGroup));
    } else if (!parts && group.LostRecovery() > 0 && !group.RecoveryRebuildable()) {
      line = msg::kRepairGroupRecoveryLost(number, group.LostRecovery());
    }
    if (line.empty()) continue;
    text = text.empty() ? line : msg::kLineThenLine(text, line);
  }
  // Recovery parts that cannot be rebuilt can be written anew from the parts.
  if (!parts && !text.empty()) {
    text = msg::kLineThenLine(
        text, AddRecoveryHint(scan.DefinitionPath(), static_cast<int>(scan.header.partCount),
                              static_cast<int>(scan.header.groupCount), scan.header.perGroup));
  }
  return text;
}

void ReportIgnored(const std::vector<std::filesystem::path>& ignored, OperationEvents& events) {
  if (ignored.empty()) return;
  std::string names;
  for (const std::filesystem::path& p : ignored) {
    if (!names.empty()) names += ", ";
    names += p.filename().string();
  }
  events.ShowError(msg::kRepairIgnored325, MessageText::Plain(names));
}

// The closing of a repair that leaves files lost: what stays lost, said once.
RepairOutcome EndWithLosses(const RecoverySetScan& scan, RepairOutcome out,
                            OperationEvents& events) {
  events.Report(WorkEnded{});
  events.ShowError(msg::kRepairStaysLost326, LostGroups(scan, false));
  events.Report(Finished{OperationKind::Repair, Outcome::ProblemsFound});
  out.completed = false;
  return out;
}

// The cipher a scan proves the parts with: the one given, or none.
PartCipher GivenCipher(const SetCipher* cipher) {
  if (!cipher) return {};
  return [cipher](const KvrDefinition&) -> std::optional<const SetCipher*> { return cipher; };
}

// RunRepair, whose scan takes the cipher from `cipherFor`; the rebuilt parts prove their
// chunks with the same one.
RepairOutcome Repair(const std::filesystem::path& definition, bool dryRun,
                     const PendantProvider& pendants, OperationEvents& events,
                     const PartCipher& cipherFor) {
  events.Report(WorkStarted{});
  events.Report(FilesCleared{});
  const StopCheck stop = [&events] { return events.AbortRequested(); };
  RepairOutcome out;
  const auto end = [&](bool completed) {
    out.completed = completed;
    ReportEnd(events, OperationKind::Repair, completed, msg::kRepairCompleted,
              msg::kRepairInterrupted);
    return out;
  };
  // A repair holds the set alone from before its scan: taking the lock may finish a
  // commit a killed operation left, which the scan must see. A definition that does not
  // read (a repair may rebuild it) is locked once the scan has found the set's name.
  std::optional<SetLock> lock;
  if (!dryRun) {
    std::optional<KvrDefinition> read;
    try {
      read = ReadDefinition(definition, pendants);
    } catch (const KivoraError&) {
    }
    if (read) {
      lock.emplace(SetFolderOf(definition), SetNames::Of(*read, definition).LockName(),
                   SetLock::Mode::Exclusive);
    }
  }
  std::vector<std::filesystem::path> ignored;
  const SetCipher* cipher = nullptr;
  PartCipher remembered;
  if (cipherFor) {
    remembered = [&](const KvrDefinition& def) {
      const std::optional<const SetCipher*> given = cipherFor(def);
      if (given) cipher = *given;
      return given;
    };
  }
  const std::optional<RecoverySetScan> scan =
      ScanRecoverySet(definition, pendants, stop, &ignored, remembered);
  ReportIgnored(ignored, events);
  if (!scan) {
    events.ShowError(msg::kRepairNoRecovery322, MessageText::Plain(definition.string()));
    return end(false);
  }
  if (scan->stopped || scan->refused) {
    out.found = scan->refused;  // the recovery parts were found before the password failed
    return end(false);
  }
  out = Summarize(scan);
  ListFiles(*scan, events);
  if (!out.partsRebuildable) {
    // The set keeps problems the repair cannot put right, as one that leaves files lost.
    events.ShowError(msg::kRepairTooManyLost321, LostGroups(*scan, true));
    events.Report(WorkEnded{});
    events.Report(Finished{OperationKind::Repair, Outcome::ProblemsFound});
    out.completed = false;
    return out;
  }
  if (out.damaged == 0) {
    events.Report(WorkEnded{});
    events.ShowCompletion(msg::kRepairNothingToDo);
    events.Report(Finished{OperationKind::Repair, Outcome::Completed});
    return out;
  }
  if (dryRun) {
    if (!out.completed) return EndWithLosses(*scan, out, events);
    events.Report(WorkEnded{});
    events.ShowCompletion(msg::kRepairAllPossible(out.damaged));
    events.Report(Finished{OperationKind::Repair, Outcome::Completed});
    return out;
  }

  // No other operation writes or joins the set while files of it are rebuilt.
  const std::string setName = SetNames::Of(scan->definition, scan->DefinitionPath()).LockName();
  if (!lock) {
    lock.emplace(scan->folder, setName, SetLock::Mode::Exclusive);
    // Taking the lock finished a commit a killed run left: the scan is of the set before.
    if (lock->Finished().outcome == InterruptedCommit::Outcome::RolledForward) {
      events.ShowError(msg::kDefinitionUpdated);
      return end(false);
    }
  }
  const SetMembers members = MembersOfScan(*scan);
  // Groups are rebuilt two at a time, each thread with stripe buffers of its own. The
  // calling thread commits the files of finished groups, a group at a time and in group
  // order, and reports them once they have their names; a group that failed or stopped
  // counts as finished with nothing written, so the groups rebuilt after it are committed
  // too. Once a commit failed none follows: its journal waits for the set's recovery.
  const int groups = static_cast<int>(scan->groups.size());
  std::vector<std::optional<RebuiltGroup>> rebuilt(static_cast<size_t>(groups));
  std::vector<char> finished(static_cast<size_t>(groups), 0);
  std::mutex mutex;
  int reported = 0;
  bool commitFailed = false;
  const auto reportFinished = [&] {
    for (;; ++reported) {
      std::optional<RebuiltGroup> group;
      {
        std::lock_guard lock(mutex);
        if (reported >= groups || !finished[static_cast<size_t>(reported)]) return;
        group = std::exchange(rebuilt[static_cast<size_t>(reported)], std::nullopt);
      }
      if (!group || group->files.empty() || commitFailed) continue;
      commitFailed = true;
      WithMessage(msg::kRepairWriteFailed324, [&] { group->commit->Commit(HiddenFileSync::Done); });
      commitFailed = false;
      for (const FileRole& file : group->files) {
        const std::filesystem::path path = file.kind == FileRole::Kind::Part
                                               ? scan->PartPath(file.number)
                                               : scan->RecoveryPath(file.number);
        events.SetFileState(file, path.filename().string(), FileState::Rebuilt);
        events.Report(Progress{OperationKind::Repair, ++out.rebuilt, out.rebuildable});
      }
    }
  };
  std::vector<Stripes> stripes(kWorkThreads);
  // Groups are rebuilt side by side; a group rebuilt alone reads on both threads.
  const auto damagedGroups = std::count_if(
      scan->groups.begin(), scan->groups.end(),
      [](const RecoveryGroupScan& g) { return g.LostParts() + g.LostRecovery() > 0; });
  const int readThreads = damagedGroups == 1 ? kWorkThreads : 1;
  SharedStop stopped(stop);
  if (stopped.Check(0)) return end(false);  // before the helper starts a group
  try {
    ParallelFor(
        groups,
        [&](int g, int thread) {
          std::optional<RebuiltGroup> rows;
          const auto finish = [&] {
            std::lock_guard lock(mutex);
            rebuilt[static_cast<size_t>(g)] = std::move(rows);
            finished[static_cast<size_t>(g)] = 1;
          };
          try {
            if (!stopped.Check(thread)) {
              rows = GroupRebuild(*scan, g, setName, members, stripes[static_cast<size_t>(thread)],
                                  readThreads, cipher)
                         .Run(stopped.For(thread));
            }
          } catch (...) {
            finish();
            throw;
          }
          if (!rows) stopped.Raise();
          finish();
          if (thread == 0) reportFinished();
        },
        &stopped);
  } catch (...) {
    reportFinished();
    throw;
  }
  reportFinished();
  if (stopped.Raised()) return end(false);
  // The definition takes its name after every part it names.
  if (scan->definitionLost) {
    WithMessage(msg::kRepairWriteFailed324, [&] {
      SetTransaction commit(scan->folder, setName);
      commit.AddMembers(members);
      const std::string name = NameText(scan->DefinitionPath());
      AtomicFile file(scan->DefinitionPath());
      file.Write(scan->definitionCopy);
      file.CommitHidden(commit.HiddenName(name));
      commit.Add(name);
      commit.Commit(HiddenFileSync::Done);
    });
    events.SetFileState(FileRole::Definition(), scan->header.definitionName, FileState::Rebuilt);
    events.Report(Progress{OperationKind::Repair, ++out.rebuilt, out.rebuildable});
  }
  if (!out.completed) return EndWithLosses(*scan, out, events);
  return end(true);
}

}  // namespace

RepairOutcome AssessRecovery(const std::filesystem::path& definition,
                             const PendantProvider& pendants, const StopCheck& stop,
                             const SetCipher* cipher) {
  const std::optional<RecoverySetScan> scan =
      ScanRecoverySet(definition, pendants, stop, nullptr, GivenCipher(cipher));
  if (scan && scan->stopped) return {};
  return Summarize(scan);
}

RepairOutcome RunRepair(const std::filesystem::path& definition, bool dryRun,
                        const PendantProvider& pendants, OperationEvents& events,
                        const std::optional<SecretText>& password) {
  std::optional<SetCipher> cipher;
  PartCipher unlock;
  if (password && !password->empty()) {
    // The set's definition, as the scan found it, proves the password before any part is read.
    unlock = [&](const KvrDefinition& def) -> std::optional<const SetCipher*> {
      if (def.header.CipherKind != kSealedCipher || !def.header.Encryption) return nullptr;
      cipher = UnlockSet(def, password, events);
      if (!cipher) return std::nullopt;
      return &*cipher;
    };
  }
  return Repair(definition, dryRun, pendants, events, unlock);
}

bool OfferRepair(const std::filesystem::path& definition, const PendantProvider& pendants,
                 OperationEvents& events, const SetCipher* cipher) {
  const StopCheck stop = [&events] { return events.AbortRequested(); };
  const RepairOutcome assessed = AssessRecovery(definition, pendants, stop, cipher);
  if (!assessed.found || assessed.damaged == 0) return false;
  if (assessed.rebuildable == 0 || !assessed.partsRebuildable) {
    events.ShowCompletion(msg::kRepairPartlyPossible(assessed.damaged, assessed.rebuildable));
    return false;
  }
  if (events.AskYesNo(QuestionKind::RepairFromRecovery, msg::kRepairQuestion) != Answer::Yes) {
    return false;
  }
  return Repair(definition, false, pendants, events, GivenCipher(cipher)).completed;
}

}  // namespace kivora
