#include "net/RemoteRecoveryProof.h"

#include "core/io/Crc32.h"
#include "core/io/LittleEndian.h"

namespace kivora::net {

std::optional<RecoveryHeader> ProveRemoteRecoveryPart(const RemoteRecoveryPart& part,
                                                      std::string_view name,
                                                      std::uint32_t definitionCrc,
                                                      std::string_view definitionName) {
  if (part.tail.size() != kRecoveryTrailerBytes || part.length < kRecoveryTrailerBytes) return {};
  const std::uint64_t offset = LoadLittleEndian<std::uint64_t>(part.tail, 0);
  const auto magic = part.tail.subspan(8);
  if (std::string_view(reinterpret_cast<const char*>(magic.data()), magic.size()) !=
      kRecoveryTrailerMagic) {
    return {};
  }
  // The header's length follows its eight-byte magic.
  if (offset > part.head.size() || part.head.size() - offset < 12) return {};
  const std::uint32_t headerLength = LoadLittleEndian<std::uint32_t>(part.head, offset + 8);
  if (headerLength < 12 || headerLength > part.head.size() - offset) return {};
  const auto headerBytes = part.head.subspan(offset, headerLength);
  std::optional<RecoveryHeader> header = DecodeRecoveryHeader(headerBytes);
  if (!header || header->definitionCrc != definitionCrc ||
      header->definitionName != definitionName ||
      RecoveryFileName(header->naming, header->SetIndex()) != name) {
    return {};
  }
  const std::uint64_t shardOffset = offset + headerLength;
  if (header->shardLength > part.length || header->definitionLength > part.length ||
      shardOffset + header->shardLength + header->definitionLength + kRecoveryTrailerBytes !=
          part.length) {
    return {};
  }
  const std::uint32_t pendantCrc = StreamCrc32(part.head.first(offset));
  if (header->version > 1 && pendantCrc != header->pendantCrc) return {};
  std::uint32_t whole = Crc32Combine(pendantCrc, StreamCrc32(headerBytes), headerLength);
  whole = Crc32Combine(whole, header->shardCrc, header->shardLength);
  whole = Crc32Combine(whole, header->definitionCrc, header->definitionLength);
  whole = Crc32Combine(whole, StreamCrc32(part.tail), kRecoveryTrailerBytes);
  if (whole != part.crc) return {};
  return header;
}

}  // namespace kivora::net
