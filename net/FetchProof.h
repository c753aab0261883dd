#pragma once
// Whether a downloaded file is the one the set's definition calls for, before it may take
// that file's name.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace kivora::net {

// A recovery part proves when its header belongs to the definition as stored (its CRC-32
// and name), its own name is `name`, the one its place in the set gives, it is exactly as
// long as its layout, and its picture, definition copy and shard have their recorded
// CRC-32s (a shard with damaged stripes does not prove).
bool RecoveryPartProves(const std::filesystem::path& file, std::string_view name,
                        std::uint32_t definitionCrc, std::string_view definitionName);

// The hidden name a download of `target` waits under until it proves, kept across runs so
// that a fetch goes on where it stopped: ".kvfetch.TARGET", or ".kvfetch." and the
// hashed name (core/io/EntryNames.h) of a TARGET too long for that.
std::string PartialName(std::string_view target);

}  // namespace kivora::net
