#pragma once
#include <stdexcept>
#include <utility>

#include "core/text/MessageText.h"

namespace kvrpack {

// A step of a build failed; Text() is the message for the user, what() its wording in
// the program's own language.
class BuildError : public std::runtime_error {
 public:
  explicit BuildError(kivora::MessageText text)
      : std::runtime_error(text.Chinese()), text_(std::move(text)) {}
  const kivora::MessageText& Text() const { return text_; }

 private:
  kivora::MessageText text_;
};

}  // namespace kvrpack
