#include "PathFilter.h"

#include <algorithm>

namespace kvrpack {

bool IsAcceptedPicturePath(std::string_view path) {
  const auto allowed = [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '/' ||
           c == ':' || c == '_' || c == '.';
  };
  return !path.empty() && std::all_of(path.begin(), path.end(), allowed);
}

}  // namespace kvrpack
