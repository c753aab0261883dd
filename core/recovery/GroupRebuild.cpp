#include "core/recovery/GroupRebuild.h"

#include <algorithm>
#include <map>
#include <memory>
#include <span>

#include "core/KivoraError.h"
#include "core/io/AtomicFile.h"
#include "core/io/File.h"
#include "core/parts/SealedPartProof.h"
#include "core/recovery/RecoveryCode.h"
#include "core/recovery/StripeCrcs.h"
#include "core/text/Messages.h"
#include "core/threads/ParallelFor.h"

namespace kivora {
namespace {

constexpr std::size_t kMaxStripe = 1 << 20;
constexpr std::size_t kMinStripe = 64 << 10;
constexpr std::size_t kStripeBudget = 16 << 20;  // per thread

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

class GroupRebuild {
 public:
  // `stripes` holds the stripe buffers, kept from one group to the next.
  // `readThreads`: how many threads read the shards of a stripe. `setName` names the
  // hidden files (core/set/CommitNames.h). With `cipher`, rebuilt parts must prove their
  // chunks' tags too.
  GroupRebuild(const RecoverySetScan& scan, int group, const std::string& setName,
               const SetMembers& members, GroupStripes& stripes, int readThreads,
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
    inputs_.resize(static_cast<std::size_t>(k) + static_cast<std::size_t>(r));
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
  GroupStripes& stripes_;
  int readThreads_;
  const SetCipher* cipher_;
  std::vector<std::optional<ShardInput>> inputs_;  // by shard; none for a lost one
  std::vector<ShardOutput> outputs_;
};

}  // namespace

std::optional<RebuiltGroup> RebuildGroup(const RecoverySetScan& scan, int group,
                                         const std::string& setName, const SetMembers& members,
                                         GroupStripes& stripes, int readThreads,
                                         const SetCipher* cipher, const StopCheck& stop) {
  return GroupRebuild(scan, group, setName, members, stripes, readThreads, cipher).Run(stop);
}

}  // namespace kivora
