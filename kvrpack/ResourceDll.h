#pragma once
// A 32-bit resource-only Windows DLL: machine i386, no code, no entry point, no imports,
// no relocations; its one section, .rsrc, holds the resources.

#include <cstdint>
#include <span>

#include "kvrpack/Bytes.h"
#include "kvrpack/ResourceSection.h"

namespace kvrpack {

// Language of every resource written: Chinese (Traditional, Taiwan), the language of
// the Big5 texts a plug-in carries.
inline constexpr std::uint16_t kTraditionalChineseLanguage = 0x0404;

// The bytes of the DLL file. The image checksum is filled in, the time stamp is 0 so that
// the same resources give the same file. Throws std::length_error when the resources do
// not fit a 32-bit image.
Bytes WriteResourceDll(std::span<const ResourceType> types,
                       std::uint16_t language = kTraditionalChineseLanguage);

// The PE image checksum of `image` whose checksum field lies at `checksumOffset`:
// the 16-bit one's-complement-style sum of the file without that field, plus its length.
std::uint32_t PeChecksum(std::span<const std::uint8_t> image, std::size_t checksumOffset);

}  // namespace kvrpack
