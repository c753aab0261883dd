// The Big5 (code page 950) helpers on arbitrary bytes, read both as UTF-8 and as Big5.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/format/CodePage.h"
#include "fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kivora;
  const std::string_view text(reinterpret_cast<const char*>(data), size);

  const auto big5 = ToBig5(text);
  fuzz::Check(FitsBig5(text) == big5.has_value(), "FitsBig5 disagrees with ToBig5");
  if (big5) {
    const auto back = FromBig5(*big5);
    fuzz::Check(back.has_value(), "Big5 written by ToBig5 does not read back");
    fuzz::Check(ToBig5(*back) == big5, "Big5 round trip changed the bytes");
  }

  const auto decoded = FromBig5(text);
  const std::string lossy = FromBig5Lossy(text);
  if (decoded) fuzz::Check(lossy == *decoded, "lossy decoding differs on valid Big5");
  const std::string lower = LowerBig5(text);
  if (decoded) fuzz::Check(FromBig5(lower).has_value(), "lower case of valid Big5 is not Big5");
  return 0;
}
