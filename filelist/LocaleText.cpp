#include "filelist/LocaleText.h"

#include <langinfo.h>
#include <unicode/ucnv.h>
#include <unicode/ustring.h>

#include <memory>

#include "core/KivoraError.h"
#include "core/text/GroupThousands.h"
#include "filelist/FileListMessages.h"

namespace kivora::filelist {
namespace {

struct ConverterCloser {
  void operator()(UConverter* c) const { ucnv_close(c); }
};

bool IsUtf8(std::string_view name) { return name == "UTF-8" || name == "utf-8" || name == "utf8"; }

}  // namespace

std::string LocaleEncoding() {
  const char* codeset = ::nl_langinfo(CODESET);
  const std::string name = codeset ? codeset : "";
  if (name.empty() || name == "ANSI_X3.4-1968" || name == "US-ASCII") return "UTF-8";
  return name;
}

std::optional<std::string> EncodeText(std::string_view utf8, std::string_view encoding) {
  UErrorCode status = U_ZERO_ERROR;
  int32_t units = 0;
  u_strFromUTF8(nullptr, 0, &units, utf8.data(), static_cast<int32_t>(utf8.size()), &status);
  if (U_FAILURE(status) && status != U_BUFFER_OVERFLOW_ERROR) return std::nullopt;
  if (IsUtf8(encoding)) return std::string(utf8);  // valid as it is

  std::u16string text(static_cast<size_t>(units), u'\0');
  status = U_ZERO_ERROR;
  u_strFromUTF8(text.data(), units, nullptr, utf8.data(), static_cast<int32_t>(utf8.size()),
                &status);
  if (U_FAILURE(status)) return std::nullopt;

  const std::string name(encoding);
  status = U_ZERO_ERROR;
  std::unique_ptr<UConverter, ConverterCloser> converter(ucnv_open(name.c_str(), &status));
  if (U_FAILURE(status) || !converter) throw KivoraError(msg::kNoConverter(name));
  ucnv_setFromUCallBack(converter.get(), UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr,
                        &status);
  const int32_t needed = ucnv_fromUChars(converter.get(), nullptr, 0, text.data(), units, &status);
  if (status != U_BUFFER_OVERFLOW_ERROR && U_FAILURE(status)) return std::nullopt;
  std::string out(static_cast<size_t>(needed), '\0');
  status = U_ZERO_ERROR;
  ucnv_fromUChars(converter.get(), out.data(), needed, text.data(), units, &status);
  if (U_FAILURE(status) && status != U_STRING_NOT_TERMINATED_WARNING) return std::nullopt;
  return out;
}

}  // namespace kivora::filelist
