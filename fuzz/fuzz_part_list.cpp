// The command line's part list ("0,3,5-7"). The first two input bytes are the set's
// part count, the rest the text.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "app/cli/PartList.h"
#include "fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const int partCount = (data[0] | (data[1] << 8)) & 0x7FFF;
  const std::string_view text(reinterpret_cast<const char*>(data + 2), size - 2);
  const auto list = kivora::cli::ParsePartList(text, partCount);
  if (list.status != kivora::cli::PartList::Status::Ok) return 0;
  const auto& indices = list.indices;
  kivora::fuzz::Check(std::is_sorted(indices.begin(), indices.end()) &&
                          std::adjacent_find(indices.begin(), indices.end()) == indices.end(),
                      "indices not increasing");
  kivora::fuzz::Check(indices.empty() || (indices.front() >= 0 && indices.back() < partCount),
                      "an index outside the set");
  return 0;
}
