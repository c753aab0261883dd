#include "Big5Text.h"

#include <unicode/ucnv.h>
#include <unicode/ustring.h>
#include <unicode/utf8.h>

#include <memory>
#include <stdexcept>

namespace kvrpack {
namespace {

struct ConverterCloser {
  void operator()(UConverter* c) const { ucnv_close(c); }
};

// Code page 950 as Windows defines it; unmappable characters stop the conversion
// instead of becoming '?', and only round-trip mappings are used.
std::unique_ptr<UConverter, ConverterCloser> OpenBig5() {
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<UConverter, ConverterCloser> conv(ucnv_open("windows-950-2000", &status));
  if (U_FAILURE(status) || !conv) throw std::runtime_error("the Big5 converter is missing");
  ucnv_setFromUCallBack(conv.get(), UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
  ucnv_setFallback(conv.get(), false);
  return conv;
}

}  // namespace

std::optional<std::u16string> Utf8ToUtf16(std::string_view utf8) {
  UErrorCode status = U_ZERO_ERROR;
  int32_t length = 0;
  u_strFromUTF8(nullptr, 0, &length, utf8.data(), static_cast<int32_t>(utf8.size()), &status);
  if (status != U_BUFFER_OVERFLOW_ERROR && U_FAILURE(status)) return std::nullopt;
  std::u16string out(static_cast<std::size_t>(length), u'\0');
  status = U_ZERO_ERROR;
  u_strFromUTF8(out.data(), length, nullptr, utf8.data(), static_cast<int32_t>(utf8.size()),
                &status);
  if (U_FAILURE(status)) return std::nullopt;
  return out;
}

std::optional<std::string> Utf8ToBig5(std::string_view utf8) {
  const auto utf16 = Utf8ToUtf16(utf8);
  if (!utf16) return std::nullopt;
  if (utf16->empty()) return std::string();
  const auto conv = OpenBig5();
  UErrorCode status = U_ZERO_ERROR;
  std::string out(utf16->size() * 2, '\0');
  const int32_t length =
      ucnv_fromUChars(conv.get(), out.data(), static_cast<int32_t>(out.size()), utf16->data(),
                      static_cast<int32_t>(utf16->size()), &status);
  if (U_FAILURE(status)) return std::nullopt;
  out.resize(static_cast<std::size_t>(length));
  return out;
}

std::string FirstCharacterWithoutBig5(std::string_view utf8) {
  int32_t at = 0;
  const auto size = static_cast<int32_t>(utf8.size());
  while (at < size) {
    const int32_t start = at;
    UChar32 c = 0;
    U8_NEXT(utf8.data(), at, size, c);
    const std::string_view character =
        utf8.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(at - start));
    if (c < 0 || !Utf8ToBig5(character)) return std::string(character);
  }
  return {};
}

}  // namespace kvrpack
