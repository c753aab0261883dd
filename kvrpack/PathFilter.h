#pragma once
// Which picture paths the list takes. The resource script names each picture by its
// path, so only paths that every resource compiler reads back unchanged are taken:
// ASCII letters, digits, the folder separator "/", ":", "_" and ".".

#include <string_view>

namespace kvrpack {

bool IsAcceptedPicturePath(std::string_view path);

}  // namespace kvrpack
