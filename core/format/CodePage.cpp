#include "core/format/CodePage.h"

#include <unicode/uchar.h>
#include <unicode/ucnv.h>
#include <unicode/ucnv_err.h>
#include <unicode/ustring.h>
#include <unicode/utf8.h>

#include <clocale>
#include <memory>
#include <vector>

#include "core/KivoraError.h"
#include "core/text/GroupThousands.h"
#include "core/text/Messages.h"

namespace kivora {
namespace {

struct ConverterCloser {
  void operator()(UConverter* c) const { ucnv_close(c); }
};
using Converter = std::unique_ptr<UConverter, ConverterCloser>;

// Code page 950 as Windows defines it (Big5 with the Microsoft extensions).
Converter OpenBig5(bool strict) {
  UErrorCode status = U_ZERO_ERROR;
  Converter conv(ucnv_open("windows-950-2000", &status));
  if (U_FAILURE(status) || !conv) throw KivoraError(msg::kNoBig5Converter);
  if (strict) {
    ucnv_setToUCallBack(conv.get(), UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
    ucnv_setFromUCallBack(conv.get(), UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr,
                          &status);
  }
  return conv;
}

std::string Utf16ToUtf8(std::u16string_view u16) {
  UErrorCode status = U_ZERO_ERROR;
  int32_t len = 0;
  u_strToUTF8(nullptr, 0, &len, u16.data(), static_cast<int32_t>(u16.size()), &status);
  std::string out(static_cast<size_t>(len), '\0');
  status = U_ZERO_ERROR;
  u_strToUTF8WithSub(out.data(), len, nullptr, u16.data(), static_cast<int32_t>(u16.size()), 0xFFFD,
                     nullptr, &status);
  return out;
}

std::optional<std::string> Utf16ToBig5(UConverter* conv, std::u16string_view u16) {
  UErrorCode status = U_ZERO_ERROR;
  std::string out(u16.size() * 2 + 2, '\0');
  int32_t len = ucnv_fromUChars(conv, out.data(), static_cast<int32_t>(out.size()), u16.data(),
                                static_cast<int32_t>(u16.size()), &status);
  if (U_FAILURE(status)) return std::nullopt;
  out.resize(static_cast<size_t>(len));
  return out;
}

std::optional<std::u16string> Big5ToUtf16(UConverter* conv, std::string_view big5) {
  UErrorCode status = U_ZERO_ERROR;
  std::u16string out(big5.size() + 1, u'\0');
  int32_t len = ucnv_toUChars(conv, out.data(), static_cast<int32_t>(out.size()), big5.data(),
                              static_cast<int32_t>(big5.size()), &status);
  if (U_FAILURE(status)) return std::nullopt;
  out.resize(static_cast<size_t>(len));
  return out;
}

// The language part of the user's locale ("tr" of "tr_TR.UTF-8"), for case rules.
std::string UserLanguage() {
  const char* name = std::setlocale(LC_CTYPE, nullptr);
  std::string lang = name ? name : "";
  if (lang == "C" || lang == "POSIX") return "";
  return lang.substr(0, lang.find_first_of("_.@"));
}

}  // namespace

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

std::optional<std::string> ToBig5(std::string_view utf8) {
  auto u16 = Utf8ToUtf16(utf8);
  if (!u16) return std::nullopt;
  auto conv = OpenBig5(true);
  return Utf16ToBig5(conv.get(), *u16);
}

std::string ToBig5OrThrow(std::string_view utf8, const MessageText& what) {
  auto big5 = ToBig5(utf8);
  if (!big5) {
    throw KivoraError(msg::kNotBig5(what, std::string(utf8)));
  }
  return *big5;
}

std::string PasswordToBig5OrThrow(std::string_view utf8) {
  auto big5 = ToBig5(utf8);
  // Unlike other texts, a password is never repeated on screen or in a log.
  if (!big5) throw KivoraError(msg::kPasswordNotBig5);
  return *big5;
}

bool FitsBig5(std::string_view utf8) { return ToBig5(utf8).has_value(); }

std::string FirstCharacterWithoutBig5(std::string_view utf8) {
  int32_t at = 0;
  const auto size = static_cast<int32_t>(utf8.size());
  while (at < size) {
    const int32_t start = at;
    UChar32 c = 0;
    U8_NEXT(utf8.data(), at, size, c);
    const std::string_view character =
        utf8.substr(static_cast<size_t>(start), static_cast<size_t>(at - start));
    if (c < 0 || !ToBig5(character)) return std::string(character);
  }
  return {};
}

std::optional<std::string> FromBig5(std::string_view big5) {
  auto conv = OpenBig5(true);
  auto u16 = Big5ToUtf16(conv.get(), big5);
  if (!u16) return std::nullopt;
  return Utf16ToUtf8(*u16);
}

std::string FromBig5Lossy(std::string_view big5) {
  auto conv = OpenBig5(false);
  UErrorCode status = U_ZERO_ERROR;
  ucnv_setToUCallBack(conv.get(), UCNV_TO_U_CALLBACK_SUBSTITUTE, nullptr, nullptr, nullptr,
                      &status);
  auto u16 = Big5ToUtf16(conv.get(), big5);
  return u16 ? Utf16ToUtf8(*u16) : std::string();
}

std::string LowerBig5(std::string_view big5) {
  auto conv = OpenBig5(true);
  const std::string lang = UserLanguage();
  std::string out;
  out.reserve(big5.size());
  size_t i = 0;
  while (i < big5.size()) {
    const auto lead = static_cast<unsigned char>(big5[i]);
    const size_t width = (lead >= 0x81 && lead <= 0xFE && i + 1 < big5.size()) ? 2 : 1;
    const std::string_view ch = big5.substr(i, width);
    i += width;
    if (width == 1) {
      // Single bytes are ASCII in code page 950; only A-Z change.
      out += (lead >= 'A' && lead <= 'Z') ? static_cast<char>(lead + 32) : ch[0];
      continue;
    }
    auto u16 = Big5ToUtf16(conv.get(), ch);
    if (!u16 || u16->empty()) {
      out += ch;
      continue;
    }
    UErrorCode status = U_ZERO_ERROR;
    char16_t lower[8];
    int32_t n = u_strToLower(lower, 8, u16->data(), static_cast<int32_t>(u16->size()), lang.c_str(),
                             &status);
    auto back =
        U_SUCCESS(status) ? Utf16ToBig5(conv.get(), std::u16string_view(lower, n)) : std::nullopt;
    // Keep the character when its lower case is not one Big5 character.
    out += (back && back->size() == ch.size()) ? *back : std::string(ch);
  }
  return out;
}

}  // namespace kivora
