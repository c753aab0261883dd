#pragma once
// One ICU converter of a named code page, closed when it goes, and the conversions
// between that code page and Unicode.

#include <unicode/ucnv.h>

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace kivora {

class IcuConverter {
 public:
  // What a conversion does with a character the code page has no form for, or with
  // bytes that are not valid in it.
  enum class Misfit {
    Stop,        // the conversion fails
    Substitute,  // it goes on with the code page's substitute or U+FFFD
  };

  // The converter ICU knows as `name` (a name or an alias); none when ICU knows none.
  static std::optional<IcuConverter> Open(std::string_view name, Misfit misfit);

  // For ICU calls beyond the conversions below.
  UConverter* get() const { return converter_.get(); }

  // Code page -> UTF-16; empty optional when the conversion stops.
  std::optional<std::u16string> ToUtf16(std::string_view bytes) const;
  // UTF-16 -> code page; empty optional when the conversion stops.
  std::optional<std::string> FromUtf16(std::u16string_view text) const;
  // Code page -> UTF-8; empty optional when the conversion stops.
  std::optional<std::string> ToUtf8(std::string_view bytes) const;
  // UTF-8 -> code page; empty optional when the text is not valid UTF-8 or the
  // conversion stops.
  std::optional<std::string> FromUtf8(std::string_view utf8) const;

 private:
  struct Closer {
    void operator()(UConverter* converter) const { ucnv_close(converter); }
  };
  std::unique_ptr<UConverter, Closer> converter_;

  IcuConverter() = default;
};

}  // namespace kivora
