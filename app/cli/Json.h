#pragma once
// A minimal JSON writer for the command line's machine-readable output.

#include <cstdint>
#include <string>
#include <string_view>

namespace kivora::cli {

// The text as a JSON string literal: UTF-8 passes through; controls, line and direction
// marks are escaped by code point, and bytes that are not UTF-8 become U+FFFD.
std::string JsonString(std::string_view text);

}  // namespace kivora::cli
