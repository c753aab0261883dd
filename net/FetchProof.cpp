#include "net/FetchProof.h"

#include <vector>

#include "core/format/RecoveryFormat.h"
#include "core/io/EntryNames.h"
#include "core/io/File.h"
#include "core/io/IoBuffer.h"
#include "core/parts/PartScan.h"

namespace kivora::net {
namespace {

std::uint32_t CrcOfRange(File& file, std::uint64_t offset, std::uint64_t length, IoBuffer& buffer) {
  return *RangeCrc32(file, static_cast<std::int64_t>(offset), static_cast<std::int64_t>(length),
                     buffer);
}

}  // namespace

bool RecoveryPartProves(const std::filesystem::path& file, std::string_view name,
                        std::uint32_t definitionCrc, std::string_view definitionName) {
  const std::optional<RecoveryFileInfo> info = ReadRecoveryInfo(file);
  if (!info) return false;
  const RecoveryHeader& h = info->header;
  if (h.definitionCrc != definitionCrc || h.definitionName != definitionName ||
      RecoveryFileName(h.naming, h.SetIndex()) != name) {
    return false;
  }
  File in = File::OpenRead(file);
  if (static_cast<std::uint64_t>(in.Size()) !=
      info->definitionOffset + h.definitionLength + kRecoveryTrailerBytes) {
    return false;
  }
  IoBuffer buffer(256 * 1024);
  return (h.version == 1 || CrcOfRange(in, 0, info->headerOffset, buffer) == h.pendantCrc) &&
         CrcOfRange(in, info->definitionOffset, h.definitionLength, buffer) == h.definitionCrc &&
         CrcOfRange(in, info->shardOffset, h.shardLength, buffer) == h.shardCrc;
}

std::string PartialName(std::string_view target) {
  constexpr std::string_view kPrefix = ".kvfetch.";
  if (kPrefix.size() + target.size() <= kMaxEntryName)
    return std::string(kPrefix) + std::string(target);
  return std::string(kPrefix) + HashedName(target);
}

}  // namespace kivora::net
