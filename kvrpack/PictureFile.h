#pragma once
// Reading one picture file whole, for a "KVR" resource.

#include <cstddef>
#include <string>

#include "kvrpack/Bytes.h"

namespace kvrpack {

// The bytes of the regular file `path`. Throws BuildError with a message for the user
// when it is not a readable, non-empty regular file of at most `maxSize` bytes.
Bytes ReadPictureFile(const std::string& path, std::size_t maxSize);

}  // namespace kvrpack
