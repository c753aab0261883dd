#include "app/cli/PasswordEncoding.h"

#include <unicode/ucnv.h>

#include <array>
#include <cstring>

#include "app/cli/CliMessages.h"
#include "core/KivoraError.h"
#include "core/text/IcuConverter.h"
#include "core/text/LocaleEncoding.h"
#include "core/text/Utf8.h"

namespace kivora::cli {

SecretText PasswordInUtf8(std::string_view text, std::string_view encoding) {
  const std::string name(encoding);
  if (IsUtf8Encoding(name)) {
    if (!IsValidUtf8(text)) throw KivoraError(texts::kPasswordNotInEncoding(name));
    return SecretText(text);
  }
  // A byte that is not valid stops the conversion instead of becoming a substitute.
  const std::optional<IcuConverter> fromOpened =
      IcuConverter::Open(name, IcuConverter::Misfit::Stop);
  const std::optional<IcuConverter> toOpened =
      IcuConverter::Open("UTF-8", IcuConverter::Misfit::Substitute);
  if (!fromOpened || !toOpened) throw KivoraError(texts::kPasswordEncodingUnknown(name));
  const IcuConverter& from = *fromOpened;
  const IcuConverter& to = *toOpened;
  UErrorCode status = U_ZERO_ERROR;

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
