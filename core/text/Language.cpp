#include "core/text/Language.h"

#include <cstdlib>
#include <optional>
#include <string_view>

namespace kivora {
namespace {

// The language a locale or LANGUAGE entry names, when it is English or Chinese.
// "en", "en_GB", "en_US.UTF-8@euro" and "zh_TW.Big5" count; "eng" or "zhx" do not.
std::optional<Language> LanguageOf(std::string_view name) {
  const auto names = [&](std::string_view code) {
    return name.starts_with(code) &&
           (name.size() == code.size() || name[code.size()] == '_' || name[code.size()] == '.' ||
            name[code.size()] == '@' || name[code.size()] == '-');
  };
  if (names("en")) return Language::English;
  if (names("zh")) return Language::Chinese;
  return std::nullopt;
}

bool IsPlainC(std::string_view locale) {
  return locale == "C" || locale == "POSIX" || locale.starts_with("C.");
}

}  // namespace

Language ChooseLanguage(const EnvironmentLookup& lookup) {
  std::string_view locale;
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = lookup(name);
    if (value != nullptr && *value != '\0') {
      locale = value;
      break;
    }
  }
  if (locale.empty() || IsPlainC(locale)) return Language::Chinese;
  if (const char* preferences = lookup("LANGUAGE")) {
    std::string_view rest = preferences;
    while (!rest.empty()) {
      const size_t colon = rest.find(':');
      if (const auto language = LanguageOf(rest.substr(0, colon))) return *language;
      rest = colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
    }
  }
  return LanguageOf(locale).value_or(Language::Chinese);
}

Language LanguageOfProcess() {
  return ChooseLanguage([](const char* name) { return std::getenv(name); });
}

}  // namespace kivora
