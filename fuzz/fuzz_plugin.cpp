// The PE resource reader and the plug-in description on the bytes of a DLL.

#include <cstddef>
#include <cstdint>

#include "fuzz/FuzzSupport.h"
#include "pendant/PeResources.h"
#include "pendant/PluginInfo.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kivora::pendant;
  const std::span<const std::uint8_t> image(data, size);
  const auto parsed = PeResources::Parse(image);
  if (!parsed) {
    kivora::fuzz::Check(!parsed.Error().empty(), "refused without a reason");
    return 0;
  }
  for (const int id : parsed->KvrIds()) {
    const auto picture = parsed->Kvr(id);
    kivora::fuzz::Check(picture.has_value(), "listed picture not found");
    kivora::fuzz::Check(
        picture->empty() || (picture->data() >= image.data() &&
                             picture->data() + picture->size() <= image.data() + size),
        "picture outside the image");
  }
  const PluginInfo info = DescribePlugin(*parsed, "fuzz.dll");
  kivora::fuzz::Check(info.name.size() <= 3 * kPluginFieldMaxBytes, "name longer than shown");
  kivora::fuzz::Check(info.comment.size() <= 3 * kPluginCommentMaxBytes,
                      "comment longer than shown");
  for (const int id : info.pictureIds) {
    kivora::fuzz::Check(id >= kFirstPluginPendantId && id <= kLastPluginPendantId,
                        "picture id outside the plug-in range");
  }
  return 0;
}
