#pragma once
// Writing a file so that its name never refers to a half-written file: the bytes go to a
// new file beside it, which replaces the old one only once it is complete.

#include <cstdint>
#include <filesystem>
#include <span>

namespace kvrpack {

// Replaces (or creates) `target` with `bytes`. On failure throws std::system_error;
// the temporary file is removed and an existing `target` is left as it was.
void WriteFileAtomically(const std::filesystem::path& target, std::span<const std::uint8_t> bytes);

}  // namespace kvrpack
