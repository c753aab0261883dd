#pragma once
// A minimal JSON writer for the command line's machine-readable output.

#include <cstdint>
#include <string>
#include <string_view>

namespace kivora::cli {

// The text as a JSON string literal (UTF-8 passes through; control characters escaped).
std::string JsonString(std::string_view text);

}  // namespace kivora::cli
