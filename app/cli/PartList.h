#pragma once
// "0,3,5-7": part indices for --parts.

#include <optional>
#include <string_view>
#include <vector>

namespace kivora::cli {

// The indices named, in increasing order without repeats; empty optional when the text
// is not a list of numbers and ranges.
std::optional<std::vector<int>> ParsePartList(std::string_view text);

}  // namespace kivora::cli
