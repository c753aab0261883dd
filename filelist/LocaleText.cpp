#include "filelist/LocaleText.h"

#include "core/KivoraError.h"
#include "core/text/IcuConverter.h"
#include "core/text/LocaleEncoding.h"
#include "core/text/Utf8.h"
#include "filelist/FileListMessages.h"

namespace kivora::filelist {

std::optional<std::string> EncodeText(std::string_view utf8, std::string_view encoding) {
  if (IsUtf8Encoding(encoding)) {
    if (!IsValidUtf8(utf8)) return std::nullopt;
    return std::string(utf8);
  }
  const std::string name(encoding);
  const std::optional<IcuConverter> converter =
      IcuConverter::Open(name, IcuConverter::Misfit::Stop);
  if (!converter) throw KivoraError(msg::kNoConverter(name));
  return converter->FromUtf8(utf8);
}

}  // namespace kivora::filelist
