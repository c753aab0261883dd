#include "core/text/IcuConverter.h"

#include "core/text/Utf8.h"

namespace kivora {

std::optional<IcuConverter> IcuConverter::Open(std::string_view name, Misfit misfit) {
  UErrorCode status = U_ZERO_ERROR;
  IcuConverter converter;
  converter.converter_.reset(ucnv_open(std::string(name).c_str(), &status));
  if (U_FAILURE(status) || !converter.converter_) return std::nullopt;
  if (misfit == Misfit::Stop) {
    ucnv_setToUCallBack(converter.get(), UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr,
                        &status);
    ucnv_setFromUCallBack(converter.get(), UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr,
                          &status);
  }
  return converter;
}

namespace {
// Runs an ICU conversion into `out`, sized by a first guess; when ICU reports that it
// needs more, once more with the length it asked for. Empty when the conversion fails.
template <typename Out, typename Convert>
std::optional<Out> ConvertInto(Out out, Convert convert) {
  for (int attempt = 0; attempt < 2; ++attempt) {
    UErrorCode status = U_ZERO_ERROR;
    const int32_t len = convert(out.data(), static_cast<int32_t>(out.size()), &status);
    if (status == U_BUFFER_OVERFLOW_ERROR) {
      out.resize(static_cast<size_t>(len) + 1);
      continue;
    }
    if (U_FAILURE(status)) return std::nullopt;
    out.resize(static_cast<size_t>(len));
    return out;
  }
  return std::nullopt;
}
}  // namespace

std::optional<std::u16string> IcuConverter::ToUtf16(std::string_view bytes) const {
  return ConvertInto(std::u16string(bytes.size() + 1, u'\0'),
                     [&](UChar* out, int32_t size, UErrorCode* status) {
                       return ucnv_toUChars(get(), out, size, bytes.data(),
                                            static_cast<int32_t>(bytes.size()), status);
                     });
}

std::optional<std::string> IcuConverter::FromUtf16(std::u16string_view text) const {
  const auto guess = static_cast<size_t>(
      UCNV_GET_MAX_BYTES_FOR_STRING(static_cast<int32_t>(text.size()), ucnv_getMaxCharSize(get())));
  return ConvertInto(std::string(guess, '\0'), [&](char* out, int32_t size, UErrorCode* status) {
    return ucnv_fromUChars(get(), out, size, text.data(), static_cast<int32_t>(text.size()),
                           status);
  });
}

std::optional<std::string> IcuConverter::ToUtf8(std::string_view bytes) const {
  const auto text = ToUtf16(bytes);
  if (!text) return std::nullopt;
  return Utf16ToUtf8(*text);
}

std::optional<std::string> IcuConverter::FromUtf8(std::string_view utf8) const {
  const auto text = Utf8ToUtf16(utf8);
  if (!text) return std::nullopt;
  return FromUtf16(*text);
}

}  // namespace kivora
