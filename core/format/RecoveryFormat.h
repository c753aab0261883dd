#pragma once
// Recovery parts: how many a split writes and in which groups, their names, and the
// header each one carries. A recovery part holds Reed-Solomon parity over the part
// files of its group exactly as they lie on disk, so lost parts come back without the
// source, the password or the plug-in.
//
// File layout (every integer little-endian):
//   pendant      the set's picture when the set is disguised, else nothing
//   header       EncodeRecoveryHeader, ending in its own CRC-32; from version 2 on it
//                holds the pendant's CRC-32 too
//   shard        shardLength parity bytes
//   definition   definitionLength bytes: the definition as stored (its file, or the
//                block implanted at the end of the last part)
//   trailer      16 bytes: the header's offset (u64), then kRecoveryTrailerMagic

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kivora {

// GF(2^8) codes at most 255 shards: the parts of a group and its recovery parts.
inline constexpr int kMaxGroupShards = 255;
inline constexpr int kMaxRecoveryPerGroup = kMaxGroupShards - 1;
// Groups of a share stay within this many files: coding costs R multiply-adds per byte,
// so smaller groups keep a split with recovery parts close to one without.
inline constexpr int kMaxShareGroupShards = 128;
// Version 1 headers leave the pendant unchecked; version 2 adds its CRC-32; version 3
// adds a CRC-32 for every stripe of every file of the group, so that a repair finds which
// stripes of a damaged file are bad. All three are read, version 3 is written.
inline constexpr std::string_view kRecoveryHeaderMagic = "KvRecHd1";
inline constexpr std::string_view kRecoveryHeaderMagic2 = "KvRecHd2";
inline constexpr std::string_view kRecoveryHeaderMagic3 = "KvRecHd3";
inline constexpr int kRecoveryHeaderVersion = 3;
// Stripes are whole multiples of 64 KiB, and a group's longest shard has at most 256 of
// them: fine enough that scattered damage (a flipped byte here and there) spoils few
// stripes of each file, coarse enough that the CRCs of a group of 116 parts of 32 MiB
// add about 116 KiB to each recovery part (0.4 %).
inline constexpr std::uint64_t kRecoveryStripeUnit = 64 * 1024;
inline constexpr std::uint64_t kMaxRecoveryStripes = 256;
inline constexpr std::string_view kRecoveryTrailerMagic = "KvRecTl1";
inline constexpr std::size_t kRecoveryTrailerBytes = 16;
// Texts of a header are names: more is not a header.
inline constexpr std::size_t kMaxRecoveryNameBytes = 4096;
// More parts than any set has: a header that claims more is not read.
inline constexpr std::uint32_t kMaxRecoveryPartCount = 1 << 20;

// How many recovery parts a split writes: a count per group, or a share of the parts.
struct RecoveryAmount {
  int count = 0;    // recovery parts per group
  int percent = 0;  // when count is 0: this share of a group's parts, rounded up

  bool Any() const { return count > 0 || percent > 0; }
};

struct RecoveryGroup {
  int firstPart = 0;
  int partCount = 0;
};

// Parts are coded in consecutive groups of nearly equal size (sizes differ by at most
// one), each with the same number of recovery parts, so that no group has more than
// 255 shards. Any `perGroup` lost or damaged files of a group (parts and recovery parts
// together) can be rebuilt from the rest of that group.
struct RecoveryPlan {
  int perGroup = 0;
  std::vector<RecoveryGroup> groups;

  int RecoveryCount() const { return perGroup * static_cast<int>(groups.size()); }
  // The group that codes part `part`.
  int GroupOf(int part) const;
};

// `partCount` parts in `groupCount` consecutive groups whose sizes differ by at most
// one, the larger ones first.
std::vector<RecoveryGroup> SplitIntoGroups(int partCount, int groupCount);

// A count R gives groups of at most 255 - R parts; a share P% gives the largest groups
// for which K + ceil(K * P / 100) <= 128, and R = ceil(K * P / 100) for the largest
// group K. Throws KivoraError (159) for a count above 254 or a share above 100%.
RecoveryPlan PlanRecovery(int partCount, const RecoveryAmount& amount);

// True when a split of `partCount` parts makes `groupCount` groups of `perGroup`
// recovery parts, by a count or by a share: what a header claims must be one of these.
bool PlanIsPossible(int partCount, std::uint32_t groupCount, int perGroup);

// Names: the parts' base name, "_rec", a number of at least two digits (numbered from
// 0 or 1 as the parts are), and the parts' extension. They never take a part's name
// (a part has only digits after the base name) and sort after the parts ('_' comes
// after the digits, and a letter after a digit where punctuation is ignored).
struct RecoveryNaming {
  std::string prefix;  // base name + "_rec"
  std::string suffix;  // "." + extension
  int width = 2;
  int firstNumber = 0;

  bool operator==(const RecoveryNaming&) const = default;
};

RecoveryNaming MakeRecoveryNaming(std::string_view baseName, std::string_view extension,
                                  int recoveryCount, bool numberFromOne);
std::string RecoveryFileName(const RecoveryNaming& naming, int index);
// True when a file name has the recovery form "..._rec<digits>.<...>".
bool LooksLikeRecoveryName(std::string_view fileName);

// A part file covered by a group: its exact length and the CRC-32 of the whole file.
struct CoveredFile {
  std::uint64_t length = 0;
  std::uint32_t crc = 0;

  bool operator==(const CoveredFile&) const = default;
};

// The stripe length of a group whose longest shard is `shardLength` bytes.
std::uint64_t RecoveryStripeLength(std::uint64_t shardLength);
// How many stripes of `stripeLength` bytes hold `length` bytes (the last may be short).
std::uint64_t StripeCount(std::uint64_t length, std::uint64_t stripeLength);

struct RecoveryHeader {
  int version = kRecoveryHeaderVersion;  // 1 to 3: which magic, and which fields are there
  // Which set: the CRC-32 of the definition as stored, the source's name and size.
  std::uint32_t definitionCrc = 0;
  std::string sourceName;
  std::uint64_t sourceSize = 0;
  bool implanted = false;
  bool disguised = false;
  // The definition file's name; for an implanted definition, the last part's.
  std::string definitionName;
  std::uint32_t partCount = 0;
  std::uint32_t groupCount = 0;
  std::uint32_t group = 0;
  std::uint32_t firstPart = 0;
  std::uint16_t perGroup = 0;  // R
  std::uint16_t index = 0;     // 0..R-1 within the group
  RecoveryNaming naming;
  std::uint64_t shardLength = 0;
  std::uint32_t shardCrc = 0;
  std::uint64_t definitionLength = 0;
  std::uint32_t pendantCrc = 0;      // version 2: CRC-32 of the pendant in front of the header
  std::vector<CoveredFile> covered;  // the group's parts, K entries
  // Version 3: RecoveryStripeLength(shardLength), the CRC-32 of each stripe of each
  // covered file (StripeCount(length) of them), and of each stripe of this part's shard.
  std::uint64_t stripeLength = 0;
  std::vector<std::vector<std::uint32_t>> coveredStripes;
  std::vector<std::uint32_t> shardStripes;

  bool operator==(const RecoveryHeader&) const = default;
  bool SameSet(const RecoveryHeader& other) const;
  // Index of this recovery part among all of the set.
  int SetIndex() const { return static_cast<int>(group) * perGroup + index; }
};

std::vector<std::uint8_t> EncodeRecoveryHeader(const RecoveryHeader& header);
// Empty optional when the bytes are not a complete header with a matching CRC-32 and
// sensible counts. `bytes` may run on past the header.
std::optional<RecoveryHeader> DecodeRecoveryHeader(std::span<const std::uint8_t> bytes);

std::array<std::uint8_t, kRecoveryTrailerBytes> RecoveryTrailer(std::uint64_t headerOffset);

// Where things lie in one recovery part file.
struct RecoveryFileInfo {
  RecoveryHeader header;
  std::uint64_t headerOffset = 0;  // = the pendant's length
  std::uint64_t headerLength = 0;
  std::uint64_t shardOffset = 0;
  std::uint64_t definitionOffset = 0;
};

// Reads the trailer and the header of a file. Empty optional when the file is not a
// readable recovery part or its sizes do not add up.
std::optional<RecoveryFileInfo> ReadRecoveryInfo(const std::filesystem::path& path);

}  // namespace kivora
