#pragma once
// Builds a disguised three-part set in the older format (cipher kind 0): the generator
// scrambler, and the halves of parts 0 and 1 exchanged, so that joining the parts in
// the order 1, 2, 0 gives `content` back.

#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

namespace kivora::test {

// Writes old00.png .. old02.png and old.kvr into folder; returns the definition's path.
std::filesystem::path WriteGeneratorCipherSet(const std::filesystem::path& folder,
                                              std::span<const std::uint8_t> content,
                                              std::span<const std::uint8_t> pendant, int pendantNo);

}  // namespace kivora::test
