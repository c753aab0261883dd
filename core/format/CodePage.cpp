#include "core/format/CodePage.h"

#include <unicode/ustring.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <clocale>

#include "core/KivoraError.h"
#include "core/text/IcuConverter.h"
#include "core/text/Messages.h"

namespace kivora {
namespace {

// Code page 950 as Windows defines it (Big5 with the Microsoft extensions).
IcuConverter OpenBig5(IcuConverter::Misfit misfit) {
  std::optional<IcuConverter> converter = IcuConverter::Open("windows-950-2000", misfit);
  if (!converter) throw KivoraError(msg::kNoBig5Converter);
  return std::move(*converter);
}

// The language part of the user's locale ("tr" of "tr_TR.UTF-8"), for case rules.
std::string UserLanguage() {
  const char* name = std::setlocale(LC_CTYPE, nullptr);
  std::string lang = name ? name : "";
  if (lang == "C" || lang == "POSIX") return "";
  return lang.substr(0, lang.find_first_of("_.@"));
}

}  // namespace

std::optional<std::string> ToBig5(std::string_view utf8) {
  // Code page 950 keeps ASCII as it is: a name of a set's thousands of parts is mostly
  // that, and opening the converter costs more than the text.
  if (std::all_of(utf8.begin(), utf8.end(),
                  [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
    return std::string(utf8);
  return OpenBig5(IcuConverter::Misfit::Stop).FromUtf8(utf8);
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
    // ICU's macro narrows an int it computed within a byte's range.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wconversion"
    U8_NEXT(utf8.data(), at, size, c);
#pragma GCC diagnostic pop
    const std::string_view character =
        utf8.substr(static_cast<size_t>(start), static_cast<size_t>(at - start));
    if (c < 0 || !ToBig5(character)) return std::string(character);
  }
  return {};
}

std::optional<std::string> FromBig5(std::string_view big5) {
  return OpenBig5(IcuConverter::Misfit::Stop).ToUtf8(big5);
}

std::string FromBig5Lossy(std::string_view big5) {
  return OpenBig5(IcuConverter::Misfit::Substitute).ToUtf8(big5).value_or(std::string());
}

std::string LowerBig5(std::string_view big5) {
  const IcuConverter conv = OpenBig5(IcuConverter::Misfit::Stop);
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
    auto u16 = conv.ToUtf16(ch);
    if (!u16 || u16->empty()) {
      out += ch;
      continue;
    }
    UErrorCode status = U_ZERO_ERROR;
    char16_t lower[8];
    int32_t n = u_strToLower(lower, 8, u16->data(), static_cast<int32_t>(u16->size()), lang.c_str(),
                             &status);
    auto back = U_SUCCESS(status) ? conv.FromUtf16(std::u16string_view(lower, n)) : std::nullopt;
    // Keep the character when its lower case is not one Big5 character.
    out += (back && back->size() == ch.size()) ? *back : std::string(ch);
  }
  return out;
}

}  // namespace kivora
