#pragma once

#include <stdexcept>

namespace kvrpack {

// A step of a build failed; what() is the message for the user (UTF-8).
class BuildError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace kvrpack
