#pragma once
// The user's texts in the chosen language. Texts are written in Traditional Chinese and
// stay keyed by that text; each program part holds a table of their English. A text
// made from a template of its table ("%s", "%d") is recognised by the template's fixed
// pieces, and its values go into the English template in the same order; a value that is
// itself a text of a table (the name of a field) is translated too. A number in
// parentheses is part of the text, so it stays the same in every language.

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/text/Language.h"

namespace kivora {

struct EnglishText {
  std::string_view chinese;
  std::string_view english;
};

using EnglishTable = std::span<const EnglishText>;

class Translation {
 public:
  // The program's own texts: every text stays as it is.
  Translation() = default;
  // English from `tables`, searched in order, for Language::English; the program's own
  // texts otherwise.
  static Translation For(Language language, std::vector<EnglishTable> tables);

  Language language() const { return tables_.empty() ? Language::Chinese : Language::English; }
  // `text` in this language; a text that no table holds (a path, the system's words)
  // stays as it is.
  std::string operator()(std::string_view text) const;

 private:
  explicit Translation(std::vector<EnglishTable> tables) : tables_(std::move(tables)) {}
  const EnglishText* Exact(std::string_view text) const;

  std::vector<EnglishTable> tables_;
};

// The values that `text` holds when it was made from `templ` by Format, in order; false
// when it was not made from it. A template needs a fixed piece between two values.
bool MatchTemplate(std::string_view templ, std::string_view text,
                   std::vector<std::string_view>& values);

}  // namespace kivora
