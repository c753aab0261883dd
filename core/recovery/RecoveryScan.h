#pragma once
// Finding the recovery parts of a set and checking every file they cover: which files
// are lost or damaged, and which of those the recovery parts can rebuild. Reads only.
// The definition is the authority when it exists and reads; recovery parts that do not
// agree with it (or, without it, with the largest group of recovery parts that agree with
// each other) are ignored, and nothing a recovery part claims allocates more than the
// definition's parts call for.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/PendantProvider.h"
#include "core/format/DefinitionRecords.h"
#include "core/format/RecoveryFormat.h"
#include "core/payload/SetCipher.h"
#include "core/recovery/RecoveryWriter.h"
#include "core/threads/StopCheck.h"

namespace kivora {

struct RecoveryGroupScan {
  RecoveryGroup parts;
  // The group's part files as the definition records them.
  std::vector<CoveredFile> covered;
  // Per recovery part: its index in RecoverySetScan::recoveryFiles when its header,
  // pendant and definition copy are intact and agree with the definition; -1 when lost.
  std::vector<int> recovery;
  // The shards (the K parts, then the R recovery parts) are checked stripe by stripe
  // when the recovery parts record a CRC-32 per stripe, else as one stripe each.
  // damaged[shard][stripe]: a lost file has every stripe damaged, an intact one none. A
  // part that holds its recorded bytes with more behind them is intact (and never
  // written).
  std::uint64_t stripeLength = 0;
  std::vector<std::vector<bool>> damaged;

  std::size_t StripeTotal() const { return damaged.empty() ? 0 : damaged.front().size(); }
  bool Intact(int shard) const;
  bool PartUsable(int part) const { return Intact(part); }
  int LostParts() const;
  int LostRecovery() const;
  // No stripe has more damaged shards than there are recovery parts: every lost or
  // damaged part can be rebuilt.
  bool PartsRebuildable() const;
  // The first stripe with more damaged shards than there are recovery parts: its bytes
  // in every shard [begin, end), and how many shards are damaged there.
  struct OverloadedStripe {
    std::uint64_t begin = 0, end = 0;
    int damagedShards = 0;
  };
  std::optional<OverloadedStripe> FirstOverloadedStripe() const;
  // Lost recovery parts are rebuilt from the header and picture of one that is found.
  bool RecoveryRebuildable() const;
  // Recovery part j of the group is there and intact.
  bool HasRecovery(int j) const { return Intact(parts.partCount + j); }
  // Recovery part j's header and picture can be used (its shard may be damaged).
  bool FoundRecovery(int j) const { return recovery[static_cast<size_t>(j)] >= 0; }
};

struct RecoverySetScan {
  std::filesystem::path folder;
  RecoveryHeader header;  // of one recovery part of the set
  std::vector<std::uint8_t> definitionCopy;
  KvrDefinition definition;  // the definition when it reads, else decoded from the copy
  // The definition file is missing or does not read: only then is it written.
  bool definitionLost = false;
  std::vector<RecoveryGroupScan> groups;
  std::vector<RecoveryFileInfo> recoveryFiles;  // the intact recovery parts of the set
  // Parts whose CRC-32 matches but whose sealed chunks fail their tags (counted lost).
  int unauthentic = 0;
  bool stopped = false;
  bool refused = false;  // the cipher was refused: no part was read

  std::filesystem::path PartPath(int part) const;
  std::filesystem::path RecoveryPath(int setIndex) const;
  std::filesystem::path DefinitionPath() const { return folder / header.definitionName; }
  // Lost or damaged files: parts, recovery parts and the definition file.
  int Damaged() const;
  // Those of them the recovery parts can rebuild.
  int Rebuildable() const;
};

// Asked with the set's definition before any part is read: the cipher whose tags the
// parts of an encrypted set must prove besides their CRC-32s (null: the CRC-32s alone),
// or an empty optional to end the scan as refused.
using PartCipher = std::function<std::optional<const SetCipher*>(const KvrDefinition&)>;

// The recovery parts that belong to `definition` (a definition file, a part that
// carries one, or a recovery part; when it is lost, its name is enough), found beside
// it. Empty optional when there are none. Reads every part and recovery part of the
// set once. Throws KivoraError (242) when a file exists but cannot be read. The intact
// recovery parts that were ignored, as foreign or not fitting the set, go to `ignored`.
// With `cipherFor`, a part whose chunks fail their tags is lost, whatever its CRC-32.
std::optional<RecoverySetScan> ScanRecoverySet(const std::filesystem::path& definition,
                                               const PendantProvider& pendants,
                                               const StopCheck& stop = {},
                                               std::vector<std::filesystem::path>* ignored = {},
                                               const PartCipher& cipherFor = {});

// The recovery parts beside `definition` whose headers name this set (its definition
// file, source and part count), one per index, in index order, with their sizes. Reads
// only the headers: a listing for publishing the set, not a proof that they are intact.
std::vector<WrittenRecoveryFile> ListRecoveryParts(const std::filesystem::path& definition,
                                                   const KvrDefinition& def);

}  // namespace kivora
