#pragma once
// Which picture paths the list takes. The resource script names each picture by its path
// in a quoted, escaped string that can hold any byte but NUL, where a resource compiler's
// file name ends; so every path is taken except an empty one and one holding NUL.

#include <string_view>

namespace kvrpack {

bool IsAcceptedPicturePath(std::string_view path);

}  // namespace kvrpack
