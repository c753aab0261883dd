#pragma once
// The records of a join definition, in memory. Texts are UTF-8 here and Big5 on disk.

#include <array>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/payload/EncryptionParams.h"

namespace kivora {

inline constexpr std::uint8_t kBlockCipher = 1;      // every set written here
inline constexpr std::uint8_t kGeneratorCipher = 0;  // older sets, join only
inline constexpr std::uint8_t kSealedCipher = 2;     // encrypted sets (opt-in)

struct DefinitionHeader {
  // "KV3", or "KV4" with a plug-in pendant set; "KV5"/"KV6" are the same layouts with a
  // 64-bit SourceSize, for sources of 2 GiB and more.
  std::string Magic = "KV3";
  std::uint8_t CipherKind = kBlockCipher;
  bool Disguised = false;
  bool Protected = false;
  std::uint8_t Reserved = 0;
  std::string SourceName;
  std::int64_t SourceSize = 0;  // 32 bits on disk up to KV4, 64 bits in KV5/KV6
  std::int16_t PartCount = 0;
  std::string Comment;
  std::uint32_t PluginChecksum = 0;
  std::optional<EncryptionParams> Encryption;  // cipher kind 2 only

  bool operator==(const DefinitionHeader&) const = default;
};

struct PartRecord {
  std::string FileName;
  // Payload bytes: the source bytes the part carries; in an encrypted set, the sealed
  // bytes it stores (see SealedPayload.h).
  std::int32_t Size = 0;
  // CRC-32 of the plain payload; in an encrypted set, the complement of the CRC-32 of
  // the sealed payload, so that no checksum of the plain data is ever recorded.
  std::uint32_t Crc = 0;
  std::uint32_t PartCrc = 0;
  std::int16_t PendantNo = 0;
  std::int32_t PendantSize = 0;

  bool operator==(const PartRecord&) const = default;
};

// A definition as read back: the records plus what the reader learned about it.
struct KvrDefinition {
  DefinitionHeader header;
  std::vector<PartRecord> parts;
  int level = 1;  // 1 for KV1/KV3/KV5, 2 for KV2/KV4/KV6 (pendant sizes and checksum stored)
  bool implanted = false;      // taken from the end of a part
  std::uint32_t checksum = 0;  // CRC-32 of the decoded definition bytes
  std::int64_t fileSize = 0;   // size of a definition file of its own; 0 when implanted
  // The decoded bytes of an implanted definition, kept so that a rebuilt last part can
  // carry exactly the definition it carried before.
  std::vector<std::uint8_t> implantedBytes;
  // The decoded bytes of an encrypted set's definition, proved by its MAC once the
  // password gives the key.
  std::vector<std::uint8_t> signedBytes;
};

// What a definition's magic says about its layout. Level 1 ("KV1", "KV3", "KV5") stores
// no pendant sizes; level 2 ("KV2", "KV4", "KV6") stores them, a reserved byte and the
// plug-in checksum. "KV5" and "KV6" store SourceSize in 64 bits.
struct MagicLayout {
  int level = 1;
  bool wideSourceSize = false;
};
// Empty optional for anything but "KV1" to "KV6".
std::optional<MagicLayout> LayoutOf(std::string_view magic);

// True when the size does not fit the 32-bit SourceSize field of "KV1" to "KV4".
constexpr bool NeedsWideSourceSize(std::int64_t size) {
  return size > std::numeric_limits<std::int32_t>::max() ||
         size < std::numeric_limits<std::int32_t>::min();
}

// The magic a split writes: "KV3" ("KV4" with a plug-in pendant set), or "KV5" ("KV6")
// when the source size needs the wide field.
std::string SplitMagic(bool plugin, std::int64_t sourceSize);

// True for the magics of sets split with a plug-in pendant set ("KV4", "KV6"): their
// pendants are found by the plug-in checksum.
bool IsPluginMagic(std::string_view magic);

// The home-page address written into every definition (exactly 25 ASCII bytes).
inline constexpr char kHomeAddress[] = "http://www.kivora.org.tw/";
static_assert(sizeof(kHomeAddress) - 1 == 25);

}  // namespace kivora
