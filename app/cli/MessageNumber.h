#pragma once
// The number of a message: the place that raised it, written as "(NNN)" in its words.

#include <optional>

#include "core/text/MessageText.h"

namespace kivora::cli {

// The first number in parentheses of the message's own wording (values such as names or
// paths are left out, so a "(123)" in a file name is not taken for it); none when the
// message has no number.
std::optional<int> MessageNumber(const MessageText& text);

}  // namespace kivora::cli
