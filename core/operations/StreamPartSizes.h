#pragma once
// The part sizes of a stream, decided part by part as PlanPartSizes decides them for a
// file of the same bytes: fixed parts of the part size, or pairs adding up to two part
// sizes, and the last part what is left. Whether a part is the last one is known from a
// look-ahead of one part size and a byte, so the random generator draws exactly as it
// does for the file, and the same seed gives parts of the same sizes.

#include <cstdint>
#include <optional>

#include "core/operations/SplitOperation.h"
#include "core/parts/StreamSource.h"

namespace kivora {

class StreamPartSizes {
 public:
  // Throws KivoraError for part size settings that PlanPartSizes refuses for any total.
  StreamPartSizes(const SplitRequest& settings, Random random);

  // Reads ahead in `source` and releases the next part's bytes; returns the part's size,
  // or none when the stream has ended. Throws KivoraError when the stream needs more
  // parts than a set holds (153), or is larger than any set (157).
  std::optional<std::int32_t> Next(StreamSource& source);

 private:
  int partSizeKb_;
  std::int64_t base_;
  bool random_;
  Random generator_;
  int index_ = 0;
  std::int64_t previous_ = 0;
};

}  // namespace kivora
