#pragma once
// Asked between the chunks of a long read or write: true stops it where it is.

#include <functional>

namespace kivora {

using StopCheck = std::function<bool()>;

inline bool StopRequested(const StopCheck& stop) { return stop && stop(); }

}  // namespace kivora
