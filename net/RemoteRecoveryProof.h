#pragma once
// Proving a recovery part on a host without a copy of it here: from its first bytes
// (picture and header), its last 16 (the trailer), its length and the CRC-32 of all of it
// (streamed, or the host's own checksum). The header gives every piece's CRC-32; combined
// in file order they must give the whole file's.

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "core/format/RecoveryFormat.h"

namespace kivora::net {

// The first bytes kept of a recovery part: its picture and header lie within them.
inline constexpr std::size_t kRecoveryHeadBytes = 8 << 20;

struct RemoteRecoveryPart {
  std::span<const std::uint8_t> head;  // the first bytes, up to kRecoveryHeadBytes
  std::span<const std::uint8_t> tail;  // the last kRecoveryTrailerBytes
  std::uint64_t length = 0;
  std::uint32_t crc = 0;  // of the whole file
};

// The part's header when it proves as recovery part `name` of the set whose definition
// as stored has CRC-32 `definitionCrc` and name `definitionName` (as RecoveryPartProves
// checks a file); empty otherwise.
std::optional<RecoveryHeader> ProveRemoteRecoveryPart(const RemoteRecoveryPart& part,
                                                      std::string_view name,
                                                      std::uint32_t definitionCrc,
                                                      std::string_view definitionName);

}  // namespace kivora::net
