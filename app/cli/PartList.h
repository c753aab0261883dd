#pragma once
// "0,3,5-7": part indices for --parts, checked against the set's part count.

#include <string_view>
#include <vector>

namespace kivora::cli {

struct PartList {
  enum class Status { Ok, Malformed, OutOfRange };
  Status status = Status::Ok;
  // Ok: the indices named, increasing, without repeats, each below the part count. Empty
  // when the text names none (it is empty or blank).
  std::vector<int> indices;
  // Malformed: the item that is not a number or range; OutOfRange: the number that is
  // not an index of the set, as written. A view into the parsed text.
  std::string_view fault;
};

// Parses a comma-separated list of indices and ranges "first-last" (blanks around items
// allowed). Numbers of any length are compared without overflow, and nothing beyond the
// part count is allocated.
PartList ParsePartList(std::string_view text, int partCount);

}  // namespace kivora::cli
