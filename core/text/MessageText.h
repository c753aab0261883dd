#pragma once
// A text for the user as a value: which text it is (its Chinese and English templates,
// and the number of the place that raised it) and the values that fill it. The engines
// make it where something happens; a front end puts it into words only where it shows
// it, in the user's language.

#include <fmt/format.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

#include "core/text/Language.h"

namespace kivora {

template <class... Args>
struct MessageTemplate;

// The number a template's own wording shows: the first three to five digits in ASCII
// parentheses, "(163)". Values are not in the wording, so a "(123)" in a file name
// never becomes the number.
constexpr std::optional<int> NumberInWording(std::string_view wording) {
  for (size_t open = wording.find('('); open != std::string_view::npos;
       open = wording.find('(', open + 1)) {
    int number = 0;
    size_t end = open + 1;
    for (; end < wording.size() && wording[end] >= '0' && wording[end] <= '9'; ++end) {
      number = number * 10 + (wording[end] - '0');
    }
    const size_t digits = end - open - 1;
    if (digits >= 3 && digits <= 5 && end < wording.size() && wording[end] == ')') return number;
  }
  return std::nullopt;
}

class MessageText {
 public:
  // No text at all.
  MessageText() = default;
  // A text without values is a message as it stands.
  MessageText(const MessageTemplate<>& text);  // NOLINT(google-explicit-constructor)
  // A text that is shown as it is in every language: a path, the system's words.
  static MessageText Plain(std::string text);

  // The text in `language`; a value that is itself a text is put into the same language.
  std::string In(Language language) const;
  // The same with every value that is a string (a path, a name, the system's words) shown
  // through `showValue`, while the text's own wording stays as it is.
  using ValueView = std::string (*)(std::string_view value);
  std::string In(Language language, ValueView showValue) const;
  // The program's own wording, for logs and exceptions' what().
  std::string Chinese() const { return In(Language::Chinese); }
  bool empty() const { return chinese_.empty(); }
  // The number of the place that raised the text, as its wording shows it. A text
  // without a number of its own that joins other texts (two lines) takes that of the
  // first of them that has one.
  std::optional<int> Number() const;

 private:
  template <class... Args>
  friend struct MessageTemplate;
  struct Value;

  MessageText(std::string_view chinese, std::string_view english, std::optional<int> number,
              std::vector<Value> values);
  static Value Of(std::int64_t number);
  static Value Of(std::string text);
  static Value Of(MessageText text);

  std::string_view chinese_;
  std::string_view english_;
  std::optional<int> number_;
  std::vector<Value> values_;
};

struct MessageText::Value {
  std::variant<std::int64_t, std::string, MessageText> value;
};

// One text in both languages, with a "{}" for each value, checked by libfmt against the
// value types when it is declared, and the number its wording shows in both languages:
// a template whose two wordings show different numbers does not compile. Calling it
// with the values makes the MessageText; wrong numbers or kinds of values do not compile.
template <class... Args>
struct MessageTemplate {
  template <size_t ChineseSize, size_t EnglishSize>
  consteval MessageTemplate(const char (&chinese)[ChineseSize], const char (&english)[EnglishSize])
      : chinese_(Checked(chinese)), english_(Checked(english)), number_(NumberInWording(chinese_)) {
    if (NumberInWording(english_) != number_) {
      throw "the Chinese and the English wording show different numbers";
    }
  }

  MessageText operator()(Args... values) const {
    return MessageText(chinese_, english_, number_, {MessageText::Of(std::move(values))...});
  }
  // The number both wordings show, "(163)"; none when they show none.
  constexpr std::optional<int> Number() const { return number_; }
  // A text without values as the program's own wording, for logs and tests.
  operator std::string_view() const  // NOLINT(google-explicit-constructor)
      requires(sizeof...(Args) == 0) {
    return chinese_;
  }
  friend bool operator==(const MessageTemplate& text,
                         std::string_view wording) requires(sizeof...(Args) == 0) {
    return text.chinese_ == wording;
  }

 private:
  // The wording, once libfmt has checked its "{}" against the value types.
  // libfmt's own compile-time check, run on the wording as a value: clang 14 does not
  // take a consteval function's parameter as a constant for fmt::format_string.
  static constexpr std::string_view Checked(std::string_view wording) {
    using Checker = fmt::detail::format_string_checker<char, fmt::detail::error_handler,
                                                       std::remove_cvref_t<Args>...>;
    fmt::detail::parse_format_string<true>(
        fmt::string_view(wording.data(), wording.size()),
        Checker(fmt::string_view(wording.data(), wording.size()), {}));
    return wording;
  }

  std::string_view chinese_;
  std::string_view english_;
  std::optional<int> number_;
};

}  // namespace kivora

// Lets a template take a MessageText as a value (a name that is translated too). Only
// the compile-time check of the templates uses it; MessageText::In fills nested texts
// in the language of the whole.
template <>
struct fmt::formatter<kivora::MessageText> : fmt::formatter<std::string_view> {
  template <class Context>
  auto format(const kivora::MessageText& text, Context& context) const {
    return fmt::formatter<std::string_view>::format(text.Chinese(), context);
  }
};
