#include "core/text/Utf8.h"

#include <unicode/ustring.h>
#include <unicode/utf8.h>

#include <cstdint>

namespace kivora {

bool IsValidUtf8(std::string_view text) {
  for (size_t at = 0; at < text.size();) {
    UChar32 c = 0;
    // ICU's macro narrows an int it computed within a byte's range.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wconversion"
    U8_NEXT(text.data(), at, text.size(), c);
#pragma GCC diagnostic pop
    if (c < 0) return false;
  }
  return true;
}

std::optional<std::u16string> Utf8ToUtf16(std::string_view utf8) {
  UErrorCode status = U_ZERO_ERROR;
  int32_t len = 0;
  u_strFromUTF8(nullptr, 0, &len, utf8.data(), static_cast<int32_t>(utf8.size()), &status);
  if (status != U_BUFFER_OVERFLOW_ERROR && U_FAILURE(status)) return std::nullopt;
  std::u16string out(static_cast<size_t>(len), u'\0');
  status = U_ZERO_ERROR;
  u_strFromUTF8(out.data(), len, nullptr, utf8.data(), static_cast<int32_t>(utf8.size()), &status);
  if (U_FAILURE(status)) return std::nullopt;
  return out;
}

std::string Utf16ToUtf8(std::u16string_view utf16) {
  UErrorCode status = U_ZERO_ERROR;
  int32_t len = 0;
  u_strToUTF8WithSub(nullptr, 0, &len, utf16.data(), static_cast<int32_t>(utf16.size()), 0xFFFD,
                     nullptr, &status);
  std::string out(static_cast<size_t>(len), '\0');
  status = U_ZERO_ERROR;
  u_strToUTF8WithSub(out.data(), len, nullptr, utf16.data(), static_cast<int32_t>(utf16.size()),
                     0xFFFD, nullptr, &status);
  return out;
}

}  // namespace kivora
