#include "app/cli/PasswordEncoding.h"

#include <langinfo.h>
#include <strings.h>
#include <unicode/ucnv.h>
#include <unicode/ustring.h>

#include <array>
#include <cstring>
#include <memory>

#include "app/cli/CliMessages.h"
#include "core/KivoraError.h"

namespace kivora::cli {
namespace {

struct ConverterCloser {
  void operator()(UConverter* c) const { ucnv_close(c); }
};
using Converter = std::unique_ptr<UConverter, ConverterCloser>;

bool NeedsNoConversion(const std::string& name) {
  for (const char* same : {"", "UTF-8", "UTF8", "ANSI_X3.4-1968", "US-ASCII", "ASCII"}) {
    if (strcasecmp(name.c_str(), same) == 0) return true;
  }
  return false;
}

bool IsValidUtf8(std::string_view text) {
  UErrorCode status = U_ZERO_ERROR;
  int32_t units = 0;
  u_strFromUTF8(nullptr, 0, &units, text.data(), static_cast<int32_t>(text.size()), &status);
  return U_SUCCESS(status) || status == U_BUFFER_OVERFLOW_ERROR;
}

Converter Open(const std::string& name) {
  UErrorCode status = U_ZERO_ERROR;
  Converter converter(ucnv_open(name.c_str(), &status));
  if (U_FAILURE(status) || !converter) throw KivoraError(texts::kPasswordEncodingUnknown(name));
  return converter;
}

}  // namespace

std::string LocaleCharacterEncoding() {
  const char* codeset = ::nl_langinfo(CODESET);
  return codeset ? codeset : "";
}

SecretText PasswordInUtf8(std::string_view text, std::string_view encoding) {
  const std::string name(encoding);
  if (NeedsNoConversion(name)) {
    if (!IsValidUtf8(text)) throw KivoraError(texts::kPasswordNotInEncoding(name));
    return SecretText(text);
  }
  const Converter from = Open(name);
  const Converter to = Open("UTF-8");
  UErrorCode status = U_ZERO_ERROR;
  // A byte that is not valid stops the conversion instead of becoming a substitute.
  ucnv_setToUCallBack(from.get(), UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);

  // No byte of any encoding yields more than 3 bytes of UTF-8.
  SecretText converted = SecretText::OfSize(text.size() * 3 + 4);
  char* const begin = reinterpret_cast<char*>(converted.Bytes().data());
  char* target = begin;
  const char* source = text.data();
  // The characters pass through this buffer on their way; it is wiped after.
  std::array<UChar, 64> pivot{};
  UChar* pivotSource = pivot.data();
  UChar* pivotTarget = pivot.data();
  ucnv_convertEx(to.get(), from.get(), &target, begin + converted.size(), &source,
                 text.data() + text.size(), pivot.data(), &pivotSource, &pivotTarget,
                 pivot.data() + pivot.size(), true, true, &status);
  ::explicit_bzero(pivot.data(), sizeof pivot);
  if (U_FAILURE(status)) throw KivoraError(texts::kPasswordNotInEncoding(name));
  return SecretText(std::string_view(begin, static_cast<size_t>(target - begin)));
}

}  // namespace kivora::cli
