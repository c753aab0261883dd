#include "core/RecoveryScan.h"

#include <algorithm>
#include <atomic>

#include "core/Crc32.h"
#include "core/CryptXor.h"
#include "core/DefinitionReader.h"
#include "core/DefinitionWriter.h"
#include "core/FileIo.h"
#include "core/KivoraError.h"
#include "core/Messages.h"
#include "core/ParallelFor.h"
#include "core/PartScan.h"

namespace kivora {
namespace {

constexpr size_t kReadChunk = 256 * 1024;

struct Candidate {
  std::filesystem::path path;
  RecoveryFileInfo info;
};

// CRC-32 of `length` bytes from `offset`; empty optional when `stop` ended the read.
std::optional<std::uint32_t> RangeCrc(File& file, std::uint64_t offset, std::uint64_t length,
                                      std::vector<std::uint8_t>& buffer, const StopCheck& stop) {
  buffer.resize(kReadChunk);
  file.Seek(static_cast<std::int64_t>(offset));
  std::uint32_t crc = 0;
  for (std::uint64_t left = length; left > 0;) {
    if (StopRequested(stop)) return std::nullopt;
    const auto piece =
        std::span(buffer).first(static_cast<size_t>(std::min<std::uint64_t>(left, buffer.size())));
    file.ReadExact(piece);
    crc = Crc32Update(crc, piece);
    left -= piece.size();
  }
  return crc;
}

// The CRC-32 of a definition as stored at path: the whole file when it begins with
// "KV", otherwise the block implanted at its end.
std::optional<std::uint32_t> StoredDefinitionCrc(const std::filesystem::path& path) {
  try {
    File file = File::TryOpenRead(path);
    if (!file.IsOpen()) return std::nullopt;
    const std::int64_t size = file.Size();
    std::vector<std::uint8_t> buffer;
    std::uint8_t head[2] = {0, 0};
    if (size >= 2) file.ReadExact(head);
    if (head[0] == 'K' && head[1] == 'V') {
      return size <= kMaxDefinitionBytes
                 ? RangeCrc(file, 0, static_cast<std::uint64_t>(size), buffer, {})
                 : std::nullopt;
    }
    if (size < 4) return std::nullopt;
    std::uint8_t raw[4];
    file.Seek(size - 4);
    file.ReadExact(raw);
    const std::int64_t d = raw[0] | raw[1] << 8 | raw[2] << 16 | std::int64_t{raw[3]} << 24;
    if (d <= 0 || d > size - 4 || d > kMaxDefinitionBytes) return std::nullopt;
    return RangeCrc(file, static_cast<std::uint64_t>(size - 4 - d),
                    static_cast<std::uint64_t>(d + 4), buffer, {});
  } catch (const KivoraError&) {
    return std::nullopt;
  }
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
      found.push_back({p, std::move(*info)});
    }
  }
  std::sort(found.begin(), found.end(), [](const Candidate& a, const Candidate& b) {
    return a.path.filename() < b.path.filename();
  });
  return found;
}

// The set the definition names: the set of the recovery part it is; else of recovery
// parts that hold the definition as it is stored there; else of those that name it.
std::optional<RecoveryHeader> ChooseSet(const std::vector<Candidate>& found,
                                        const std::filesystem::path& definition) {
  const std::string name = definition.filename().string();
  for (const Candidate& c : found) {
    if (c.path.filename() == definition.filename()) return c.info.header;
  }
  if (const auto crc = StoredDefinitionCrc(definition)) {
    for (const Candidate& c : found) {
      if (c.info.header.definitionCrc == *crc && c.info.header.definitionName == name) {
        return c.info.header;
      }
    }
  }
  for (const Candidate& c : found) {
    if (c.info.header.definitionName == name) return c.info.header;
  }
  return std::nullopt;
}

// The group that covers `part`.
int SpanOf(const std::vector<RecoveryGroup>& spans, int part) {
  const auto it = std::upper_bound(spans.begin(), spans.end(), part,
                                   [](int p, const RecoveryGroup& g) { return p < g.firstPart; });
  return static_cast<int>(it - spans.begin()) - 1;
}

KvrDefinition DecodeCopy(const RecoveryHeader& h, std::vector<std::uint8_t> copy,
                         const PendantProvider& pendants) {
  if (h.implanted) {
    // The implanted block: the scrambled definition, then its length.
    if (copy.size() < 4) throw KivoraError(std::string(msg::kNotImplanted));
    copy.resize(copy.size() - 4);
    ScrambleStream(copy, ImplantKey(h.definitionName), kBlockCipherVersion);
  }
  return DecodeDefinition(copy, pendants);
}

}  // namespace

int RecoveryGroupScan::UsableCount() const {
  const auto parts = static_cast<int>(std::count(partUsable.begin(), partUsable.end(), true));
  return parts + static_cast<int>(recovery.size()) - LostRecovery();
}

int RecoveryGroupScan::LostParts() const {
  return static_cast<int>(std::count(partUsable.begin(), partUsable.end(), false));
}

int RecoveryGroupScan::LostRecovery() const {
  return static_cast<int>(std::count(recovery.begin(), recovery.end(), std::nullopt));
}

bool RecoveryGroupScan::PartsRebuildable() const {
  return !covered.empty() && UsableCount() >= parts.partCount;
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
                                               const StopCheck& stop) {
  RecoverySetScan scan;
  scan.folder = definition.parent_path().empty() ? "." : definition.parent_path();
  const std::vector<Candidate> found = FindRecoveryFiles(scan.folder, definition);
  const std::optional<RecoveryHeader> chosen = ChooseSet(found, definition);
  if (!chosen) return std::nullopt;
  scan.header = *chosen;
  const RecoveryHeader& set = scan.header;

  // Recovery parts of the set whose shard and definition copy are intact.
  std::vector<std::uint8_t> buffer;
  std::vector<std::optional<RecoveryFileInfo>> intact(static_cast<size_t>(set.groupCount) *
                                                      set.perGroup);
  const std::vector<RecoveryGroup> spans =
      SplitIntoGroups(static_cast<int>(set.partCount), static_cast<int>(set.groupCount));
  for (const Candidate& c : found) {
    const RecoveryHeader& h = c.info.header;
    if (!h.SameSet(set)) continue;
    const RecoveryGroup& span = spans[h.group];
    if (c.path.filename() != RecoveryFileName(set.naming, h.SetIndex()) ||
        static_cast<int>(h.firstPart) != span.firstPart ||
        static_cast<int>(h.covered.size()) != span.partCount) {
      continue;
    }
    File file = WithMessage(msg::kReadPartFailed242, [&] { return File::OpenRead(c.path); });
    const auto shardCrc = WithMessage(msg::kReadPartFailed242, [&] {
      return RangeCrc(file, c.info.shardOffset, h.shardLength, buffer, stop);
    });
    const auto copyCrc = WithMessage(msg::kReadPartFailed242, [&] {
      return RangeCrc(file, c.info.definitionOffset, h.definitionLength, buffer, stop);
    });
    if (!shardCrc || !copyCrc) {
      scan.stopped = true;
      return scan;
    }
    if (*shardCrc != h.shardCrc || *copyCrc != h.definitionCrc) continue;
    if (scan.definitionCopy.empty()) {
      scan.definitionCopy.resize(h.definitionLength);
      WithMessage(msg::kReadPartFailed242, [&] {
        file.Seek(static_cast<std::int64_t>(c.info.definitionOffset));
        file.ReadExact(scan.definitionCopy);
      });
    }
    intact[static_cast<size_t>(h.SetIndex())] = c.info;
  }
  if (scan.definitionCopy.empty()) return std::nullopt;  // no intact recovery part
  scan.definition = DecodeCopy(set, scan.definitionCopy, pendants);
  scan.definition.implanted = set.implanted;
  if (scan.definition.parts.size() != set.partCount) {
    throw KivoraError(std::string(msg::kNotDefinition211));
  }

  if (!set.implanted) {
    const std::filesystem::path path = scan.DefinitionPath();
    std::error_code ec;
    const bool sameSize = std::filesystem::is_regular_file(path, ec) &&
                          std::filesystem::file_size(path, ec) == scan.definitionCopy.size();
    scan.definitionLost = !sameSize || StoredDefinitionCrc(path) != set.definitionCrc;
  }

  for (std::uint32_t g = 0; g < set.groupCount; ++g) {
    RecoveryGroupScan group;
    group.parts = spans[g];
    for (int j = 0; j < set.perGroup; ++j) {
      auto& info = intact[static_cast<size_t>(g) * set.perGroup + static_cast<size_t>(j)];
      if (info && group.covered.empty()) group.covered = info->header.covered;
      group.recovery.push_back(std::move(info));
    }
    scan.groups.push_back(std::move(group));
  }

  // Every part is read once, two at a time.
  std::vector<char> usable(set.partCount, 0);
  SharedStop stopped(stop);
  std::vector<std::vector<std::uint8_t>> buffers(kWorkThreads);
  ParallelFor(static_cast<int>(set.partCount), [&](int part, int thread) {
    if (stopped.Raised()) return;
    std::vector<std::uint8_t>& partBuffer = buffers[static_cast<size_t>(thread)];
    const StopCheck check = stopped.For(thread);
    const RecoveryGroupScan& group = scan.groups[static_cast<size_t>(SpanOf(spans, part))];
    const int i = part - group.parts.firstPart;
    const std::filesystem::path path = scan.PartPath(part);
    if (group.covered.empty()) {
      // No recovery part of the group is left: the definition's own test decides.
      const auto t = TestPart(scan.definition, part, path, partBuffer, check);
      if (!t) {
        stopped.Raise();
        return;
      }
      usable[static_cast<size_t>(part)] = *t == PartTestResult::Ok || *t == PartTestResult::Fixable;
      return;
    }
    const CoveredFile& c = group.covered[static_cast<size_t>(i)];
    const PartScan s =
        ScanPart(path, 0, static_cast<std::int64_t>(c.length), partBuffer, {}, false, check);
    if (s.stopped) stopped.Raise();
    usable[static_cast<size_t>(part)] = s.exists && s.prefixCrc == c.crc;
  });
  if (stopped.Raised()) {
    scan.stopped = true;
    return scan;
  }
  for (RecoveryGroupScan& group : scan.groups) {
    for (int i = 0; i < group.parts.partCount; ++i) {
      group.partUsable.push_back(usable[static_cast<size_t>(group.parts.firstPart + i)] != 0);
    }
  }
  return scan;
}

}  // namespace kivora
