// The recovery-part header decoder on raw bytes, as a recovery part of a plain set
// begins with them.

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "core/format/RecoveryFormat.h"
#include "fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kivora;
  const std::span<const std::uint8_t> bytes(data, size);
  const auto header = DecodeRecoveryHeader(bytes);
  if (!header) return 0;
  fuzz::Check(header->covered.size() + header->perGroup <= kMaxGroupShards,
              "a group has more shards than the code allows");
  fuzz::Check(header->index < header->perGroup, "index outside its group");
  // A header that decodes is written back to the very same bytes.
  const std::vector<std::uint8_t> encoded = EncodeRecoveryHeader(*header);
  fuzz::Check(encoded.size() <= size && std::equal(encoded.begin(), encoded.end(), data),
              "the header does not encode to its own bytes");
  return 0;
}
