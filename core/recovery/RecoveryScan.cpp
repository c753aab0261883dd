#include "core/recovery/RecoveryScan.h"

#include <algorithm>
#include <atomic>
#include <map>

#include "core/KivoraError.h"
#include "core/format/DefinitionReader.h"
#include "core/format/StoredDefinition.h"
#include "core/io/File.h"
#include "core/io/IoBuffer.h"
#include "core/parts/PartScan.h"
#include "core/parts/SealedPartProof.h"
#include "core/parts/SetNames.h"
#include "core/recovery/RecoveryTrust.h"
#include "core/text/Messages.h"
#include "core/threads/ParallelFor.h"

namespace kivora {
namespace {

struct Candidate {
  std::filesystem::path path;
  RecoveryFileInfo info;
  std::vector<bool> damagedStripes;  // of its shard; empty when the shard is intact
};

// CRC-32 of `length` bytes from `offset`; empty optional when `stop` ended the read.
std::optional<std::uint32_t> RangeCrc(File& file, std::uint64_t offset, std::uint64_t length,
                                      IoBuffer& buffer, const StopCheck& stop) {
  return RangeCrc32(file, static_cast<std::int64_t>(offset), static_cast<std::int64_t>(length),
                    buffer, stop);
}

// Per stripe of `length` bytes from `offset`: whether its CRC-32 differs from the one
// recorded. Empty optional when `stop` ended the read.
std::optional<std::vector<bool>> DamagedStripes(File& file, std::uint64_t offset,
                                                std::uint64_t length, std::uint64_t stripeLength,
                                                std::span<const std::uint32_t> recorded,
                                                IoBuffer& buffer, const StopCheck& stop) {
  std::vector<bool> damaged;
  for (std::uint64_t at = 0; at < length; at += stripeLength) {
    const auto crc = RangeCrc(file, offset + at, std::min(stripeLength, length - at), buffer, stop);
    if (!crc) return std::nullopt;
    damaged.push_back(*crc != recorded[damaged.size()]);
  }
  return damaged;
}

// A header whose names can become paths beside the definition.
bool NamesArePlain(const RecoveryHeader& h) {
  return IsPlainFileName(h.definitionName) && IsPlainFileName(RecoveryFileName(h.naming, 0));
}

std::vector<Candidate> FindRecoveryFiles(const std::filesystem::path& folder,
                                         const std::filesystem::path& definition) {
  std::vector<Candidate> found;
  std::error_code ec;
  for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end;
       it.increment(ec)) {
    const std::filesystem::path& p = it->path();
    if (!LooksLikeRecoveryName(p.filename().string()) && p.filename() != definition.filename())
      continue;
    if (auto info = ReadRecoveryInfo(p); info && NamesArePlain(info->header)) {
      found.push_back({p, std::move(*info), {}});
    }
  }
  std::sort(found.begin(), found.end(), [](const Candidate& a, const Candidate& b) {
    return a.path.filename() < b.path.filename();
  });
  return found;
}

// The definition's name: the one a recovery part given in its place names, else the
// path's own.
std::string DefinitionName(const std::vector<Candidate>& found,
                           const std::filesystem::path& definition) {
  for (const Candidate& c : found) {
    if (c.path.filename() == definition.filename()) return c.info.header.definitionName;
  }
  return definition.filename().string();
}

// Whether a recovery part can be used: its pendant (version 2 on), its definition copy
// and its shard must match their CRC-32s; a shard that does not is still used when the
// header records its stripes' CRC-32s, with its damaged stripes marked. Empty optional
// when `stop` ended the reading.
std::optional<bool> CheckRecovery(Candidate& c, IoBuffer& buffer, const StopCheck& stop) {
  const RecoveryHeader& h = c.info.header;
  return WithMessage(msg::kReadPartFailed242, [&]() -> std::optional<bool> {
    File file = File::OpenRead(c.path);
    const std::optional<std::uint32_t> pendant =
        h.version == 1 ? std::optional<std::uint32_t>(h.pendantCrc)
                       : RangeCrc(file, 0, c.info.headerOffset, buffer, stop);
    if (!pendant) return std::nullopt;
    if (*pendant != h.pendantCrc) return false;
    const auto copy = RangeCrc(file, c.info.definitionOffset, h.definitionLength, buffer, stop);
    if (!copy) return std::nullopt;
    if (*copy != h.definitionCrc) return false;
    const auto shard = RangeCrc(file, c.info.shardOffset, h.shardLength, buffer, stop);
    if (!shard) return std::nullopt;
    if (*shard == h.shardCrc) return true;
    if (h.stripeLength == 0) return false;
    auto damaged = DamagedStripes(file, c.info.shardOffset, h.shardLength, h.stripeLength,
                                  h.shardStripes, buffer, stop);
    if (!damaged) return std::nullopt;
    // Stripes that all check out contradict the shard's CRC-32: the shard is not used.
    if (std::find(damaged->begin(), damaged->end(), true) == damaged->end()) return false;
    c.damagedStripes = std::move(*damaged);
    return true;
  });
}

// The largest class of recovery parts that describe the same set with the same
// definition copy; the others go to `ignored`. When two classes are equally large
// nothing says which set this is: then none is believed.
std::vector<Candidate> LargestAgreeing(std::vector<Candidate> members,
                                       std::vector<std::filesystem::path>& ignored) {
  std::vector<Candidate> best;
  bool tie = false;
  while (!members.empty()) {
    const RecoveryHeader reference = members.front().info.header;
    const auto split =
        std::stable_partition(members.begin(), members.end(),
                              [&](const Candidate& c) { return c.info.header.SameSet(reference); });
    std::vector<Candidate> agreeing(std::make_move_iterator(members.begin()),
                                    std::make_move_iterator(split));
    members.erase(members.begin(), split);
    tie = agreeing.size() == best.size() || (tie && agreeing.size() < best.size());
    if (agreeing.size() > best.size()) std::swap(agreeing, best);
    for (const Candidate& c : agreeing) ignored.push_back(c.path);
  }
  if (tie) {
    for (const Candidate& c : best) ignored.push_back(c.path);
    best.clear();
  }
  return best;
}

// A recovery part of the set fits when its name, its place and the files it covers
// are those of the definition's set.
bool Fits(const Candidate& c, const RecoveryHeader& set, const std::vector<RecoveryGroup>& spans,
          const std::vector<CoveredFile>& recorded) {
  const RecoveryHeader& h = c.info.header;
  if (!h.SameSet(set) || c.path.filename() != RecoveryFileName(set.naming, h.SetIndex())) {
    return false;
  }
  const RecoveryGroup& span = spans[h.group];
  return static_cast<int>(h.firstPart) == span.firstPart &&
         static_cast<int>(h.covered.size()) == span.partCount &&
         std::equal(h.covered.begin(), h.covered.end(), recorded.begin() + span.firstPart);
}

int GroupIndexOf(const std::vector<RecoveryGroup>& spans, int part) {
  const auto after =
      std::upper_bound(spans.begin(), spans.end(), part,
                       [](int p, const RecoveryGroup& g) { return p < g.firstPart; });
  return static_cast<int>(after - spans.begin()) - 1;
}

// The stripe CRC-32s that the group's recovery parts record for `part`, when they all
// record the same ones; else null, and a damaged part counts as lost as a whole.
const std::vector<std::uint32_t>* RecordedStripes(const RecoverySetScan& scan,
                                                  const RecoveryGroupScan& group, int part) {
  const std::vector<std::uint32_t>* stripes = nullptr;
  for (const int r : group.recovery) {
    if (r < 0) continue;
    const RecoveryHeader& h = scan.recoveryFiles[static_cast<size_t>(r)].header;
    if (h.stripeLength == 0) return nullptr;
    const auto& mine = h.coveredStripes[static_cast<size_t>(part - group.parts.firstPart)];
    if (stripes && *stripes != mine) return nullptr;
    stripes = &mine;
  }
  return stripes;
}

KvrDefinition DecodeCopy(const RecoveryHeader& h, std::vector<std::uint8_t> copy,
                         const PendantProvider& pendants) {
  if (h.implanted) copy = UnwrapImplantedBlock(std::move(copy), h.definitionName);
  return DecodeDefinition(copy, pendants);
}

}  // namespace

bool RecoveryGroupScan::Intact(int shard) const {
  const std::vector<bool>& d = damaged[static_cast<size_t>(shard)];
  return std::find(d.begin(), d.end(), true) == d.end();
}

int RecoveryGroupScan::LostParts() const {
  int n = 0;
  for (int i = 0; i < parts.partCount; ++i) n += Intact(i) ? 0 : 1;
  return n;
}

int RecoveryGroupScan::LostRecovery() const {
  int n = 0;
  for (int j = 0; j < static_cast<int>(recovery.size()); ++j) n += HasRecovery(j) ? 0 : 1;
  return n;
}

bool RecoveryGroupScan::PartsRebuildable() const { return !FirstOverloadedStripe(); }

std::optional<RecoveryGroupScan::OverloadedStripe> RecoveryGroupScan::FirstOverloadedStripe()
    const {
  std::uint64_t longest = 0;
  for (const CoveredFile& f : covered) longest = std::max(longest, f.length);
  for (std::size_t s = 0; s < StripeTotal(); ++s) {
    std::size_t bad = 0;
    for (const std::vector<bool>& shard : damaged) bad += shard[s] ? 1 : 0;
    if (bad <= recovery.size()) continue;
    // One stripe per shard when the recovery parts record no stripes.
    const int count = static_cast<int>(bad);
    if (StripeTotal() == 1 || stripeLength == 0) return OverloadedStripe{0, longest, count};
    const std::uint64_t begin = s * stripeLength;
    return OverloadedStripe{begin, std::min(longest, begin + stripeLength), count};
  }
  return std::nullopt;
}

bool RecoveryGroupScan::RecoveryRebuildable() const {
  return PartsRebuildable() &&
         std::any_of(recovery.begin(), recovery.end(), [](int r) { return r >= 0; });
}

std::filesystem::path RecoverySetScan::PartPath(int part) const {
  return folder / definition.parts.at(static_cast<size_t>(part)).FileName;
}

std::filesystem::path RecoverySetScan::RecoveryPath(int setIndex) const {
  return folder / RecoveryFileName(header.naming, setIndex);
}

int RecoverySetScan::Damaged() const {
  int n = definitionLost ? 1 : 0;
  for (const RecoveryGroupScan& g : groups) n += g.LostParts() + g.LostRecovery();
  return n;
}

int RecoverySetScan::Rebuildable() const {
  int n = definitionLost ? 1 : 0;  // every recovery part carries the definition
  for (const RecoveryGroupScan& g : groups) {
    if (g.PartsRebuildable()) n += g.LostParts();
    if (g.RecoveryRebuildable()) n += g.LostRecovery();
  }
  return n;
}

std::optional<RecoverySetScan> ScanRecoverySet(const std::filesystem::path& definition,
                                               const PendantProvider& pendants,
                                               const StopCheck& stop,
                                               std::vector<std::filesystem::path>* ignoredOut,
                                               const PartCipher& cipherFor) {
  RecoverySetScan scan;
  scan.folder = SetFolderOf(definition);
  std::vector<Candidate> found = FindRecoveryFiles(scan.folder, definition);
  const std::string name = DefinitionName(found, definition);
  std::erase_if(found, [&](const Candidate& c) { return c.info.header.definitionName != name; });
  const std::optional<DefinitionAsStored> authority =
      ReadDefinitionAsStored(scan.folder / name, pendants);

  std::vector<std::filesystem::path> ignored;
  const auto none = [&]() -> std::optional<RecoverySetScan> {
    if (ignoredOut) *ignoredOut = std::move(ignored);
    return std::nullopt;
  };
  // Recovery parts that can be used; a damaged one counts as lost, unless only stripes of
  // its shard are damaged and its header says which.
  IoBuffer buffer;
  std::vector<Candidate> intact;
  for (Candidate& c : found) {
    const std::optional<bool> ok = CheckRecovery(c, buffer, stop);
    if (!ok) {
      scan.stopped = true;
      return scan;
    }
    if (!*ok) continue;
    const RecoveryHeader& h = c.info.header;
    if (authority &&
        (h.definitionCrc != authority->crc || h.definitionLength != authority->bytes.size())) {
      ignored.push_back(c.path);  // of another set, or of another version of this one
    } else {
      intact.push_back(std::move(c));
    }
  }
  intact = LargestAgreeing(std::move(intact), ignored);
  if (intact.empty()) return none();
  scan.header = intact.front().info.header;
  const RecoveryHeader& set = scan.header;
  if (authority) {
    scan.definition = authority->definition;
    scan.definitionCopy = authority->bytes;
  } else if (set.definitionLength <= static_cast<std::uint64_t>(kMaxDefinitionBytes)) {
    scan.definitionCopy.resize(set.definitionLength);
    const RecoveryFileInfo& info = intact.front().info;
    WithMessage(msg::kReadPartFailed242, [&] {
      File file = File::OpenRead(intact.front().path);
      file.Seek(static_cast<std::int64_t>(info.definitionOffset));
      file.ReadExact(scan.definitionCopy);
    });
    scan.definition = DecodeCopy(set, scan.definitionCopy, pendants);
    scan.definition.implanted = set.implanted;
  }
  // Nothing is sized by the header's counts before they proved to fit the definition.
  const int partCount = static_cast<int>(scan.definition.parts.size());
  if (scan.definitionCopy.empty() || set.partCount != static_cast<std::uint32_t>(partCount) ||
      !PlanIsPossible(partCount, set.groupCount, set.perGroup)) {
    for (const Candidate& c : intact) ignored.push_back(c.path);
    return none();
  }
  const std::vector<RecoveryGroup> spans =
      SplitIntoGroups(partCount, static_cast<int>(set.groupCount));
  const std::vector<CoveredFile> recorded = RecordedPartFiles(scan.definition, scan.definitionCopy);
  for (const RecoveryGroup& span : spans) {
    RecoveryGroupScan group;
    group.parts = span;
    group.covered.assign(recorded.begin() + span.firstPart,
                         recorded.begin() + span.firstPart + span.partCount);
    group.recovery.assign(set.perGroup, -1);
    std::uint64_t shardLength = 0;
    for (const CoveredFile& c : group.covered) shardLength = std::max(shardLength, c.length);
    group.stripeLength = set.version >= 3 ? RecoveryStripeLength(shardLength)
                                          : std::max<std::uint64_t>(shardLength, 1);
    const auto stripes = std::max<std::uint64_t>(1, StripeCount(shardLength, group.stripeLength));
    // Until found intact, every file counts as lost.
    group.damaged.assign(static_cast<size_t>(span.partCount + set.perGroup),
                         std::vector<bool>(stripes, true));
    scan.groups.push_back(std::move(group));
  }
  for (Candidate& c : intact) {
    if (!Fits(c, set, spans, recorded)) {
      ignored.push_back(c.path);
      continue;
    }
    const RecoveryHeader& h = c.info.header;
    RecoveryGroupScan& group = scan.groups[h.group];
    group.recovery[h.index] = static_cast<int>(scan.recoveryFiles.size());
    std::vector<bool>& damaged =
        group.damaged[static_cast<size_t>(group.parts.partCount + h.index)];
    if (c.damagedStripes.empty()) {
      damaged.assign(damaged.size(), false);
    } else {
      damaged = c.damagedStripes;
    }
    scan.recoveryFiles.push_back(std::move(c.info));
  }
  if (scan.recoveryFiles.empty()) return none();
  if (ignoredOut) *ignoredOut = std::move(ignored);
  scan.definitionLost = !set.implanted && !authority;
  const SetCipher* cipher = nullptr;
  if (cipherFor) {
    const std::optional<const SetCipher*> given = cipherFor(scan.definition);
    if (!given) {
      scan.refused = true;
      return scan;
    }
    cipher = *given;
  }

  // Every part is read once, two at a time, its chunks opened as it passes when there is a
  // cipher; a damaged one that holds its recorded length is read again, stripe by stripe,
  // when the recovery parts of its group record the stripes' CRC-32s (all of them the
  // same ones). A part whose chunks fail is lost as a whole: which stripes a forger
  // changed its CRC-32s cannot tell.
  std::vector<std::vector<bool>> partDamage(set.partCount);
  std::atomic<int> unauthentic = 0;
  SharedStop stopped(stop);
  std::vector<IoBuffer> buffers(kWorkThreads);
  ParallelFor(
      partCount,
      [&](int part, int thread) {
        if (stopped.Raised()) return;
        const CoveredFile& c = recorded[static_cast<size_t>(part)];
        IoBuffer& partBuffer = buffers[static_cast<size_t>(thread)];
        std::optional<SealedPartProof> proof;
        PartSink sink;
        if (cipher) {
          proof.emplace(*cipher, scan.definition, part);
          sink = [&proof](std::int64_t, std::span<std::uint8_t> bytes) { proof->Add(bytes); };
        }
        const PartScan s = ScanPart(scan.PartPath(part), 0, static_cast<std::int64_t>(c.length),
                                    partBuffer, {.sink = sink, .stop = stopped.For(thread)});
        if (s.stopped) stopped.Raise();
        if (!s.exists || !s.prefixCrc || s.stopped) return;  // lost: every stripe damaged
        std::vector<bool>& damage = partDamage[static_cast<size_t>(part)];
        if (*s.prefixCrc == c.crc) {
          if (proof && !proof->Authentic()) {
            ++unauthentic;
          } else {
            damage.assign(1, false);
          }
          return;
        }
        const RecoveryGroupScan& group =
            scan.groups[static_cast<size_t>(GroupIndexOf(spans, part))];
        const std::vector<std::uint32_t>* stripes = RecordedStripes(scan, group, part);
        if (!stripes) return;
        auto damagedStripes = WithMessage(msg::kReadPartFailed242, [&] {
          File file = File::OpenRead(scan.PartPath(part));
          return DamagedStripes(file, 0, c.length, group.stripeLength, *stripes, partBuffer,
                                stopped.For(thread));
        });
        if (!damagedStripes) stopped.Raise();
        if (damagedStripes && std::find(damagedStripes->begin(), damagedStripes->end(), true) !=
                                  damagedStripes->end())
          damage = std::move(*damagedStripes);
      },
      &stopped);
  if (stopped.Raised()) {
    scan.stopped = true;
    return scan;
  }
  scan.unauthentic = unauthentic;
  for (RecoveryGroupScan& group : scan.groups) {
    for (int i = 0; i < group.parts.partCount; ++i) {
      const std::vector<bool>& partFound =
          partDamage[static_cast<size_t>(group.parts.firstPart + i)];
      std::vector<bool>& damaged = group.damaged[static_cast<size_t>(i)];
      if (partFound.size() == 1 && !partFound[0]) {
        damaged.assign(damaged.size(), false);
      } else if (!partFound.empty()) {
        // Stripes past the part's end are zeros: they cannot be damaged.
        damaged.assign(damaged.size(), false);
        std::copy(partFound.begin(), partFound.end(), damaged.begin());
      }
    }
  }
  return scan;
}

std::vector<WrittenRecoveryFile> ListRecoveryParts(const std::filesystem::path& definition,
                                                   const KvrDefinition& def) {
  std::map<int, WrittenRecoveryFile> byIndex;
  for (const Candidate& c : FindRecoveryFiles(SetFolderOf(definition), definition)) {
    const RecoveryHeader& h = c.info.header;
    if (h.definitionName != definition.filename().string() ||
        h.sourceName != def.header.SourceName ||
        h.sourceSize != static_cast<std::uint64_t>(def.header.SourceSize) ||
        h.partCount != def.parts.size())
      continue;
    std::error_code ec;
    const auto size = std::filesystem::file_size(c.path, ec);
    if (!ec) byIndex.try_emplace(h.SetIndex(), WrittenRecoveryFile{c.path, size});
  }
  std::vector<WrittenRecoveryFile> files;
  for (auto& [index, file] : byIndex) files.push_back(std::move(file));
  return files;
}

}  // namespace kivora
