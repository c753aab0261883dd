#pragma once
// Names of single entries of a folder, and the temporary name a file written alone waits
// under (AtomicFile): ".TARGET.kvtmp", or ".~HASH.kvtmp" for a long TARGET, so that the
// next write of that target replaces what a killed one left.

#include <cstdint>
#include <string>
#include <string_view>

namespace kivora {

// The longest name of one entry of a folder.
inline constexpr size_t kMaxEntryName = 255;

// A name that can stand for a file of a folder: not empty, at most 255 bytes, not "."
// or "..", without '/' or NUL.
bool IsPlainEntryName(std::string_view name);

// 64-bit FNV-1a (offset basis 0xcbf29ce484222325, prime 0x100000001b3).
std::uint64_t Fnv1a64(std::string_view text);

// "~" and the 16 hex digits of Fnv1a64(text): what stands for a name too long to quote.
std::string HashedName(std::string_view text);

std::string TemporaryNameFor(std::string_view target);

}  // namespace kivora
