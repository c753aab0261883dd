#include "kvrpack/PathFilter.h"

namespace kvrpack {

bool IsAcceptedPicturePath(std::string_view path) {
  return !path.empty() && path.find('\0') == std::string_view::npos;
}

}  // namespace kvrpack
