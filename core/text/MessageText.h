#pragma once
// A text for the user as a value: which text it is (its Chinese and English templates)
// and the values that fill it. The engines make it where something happens; a front end
// puts it into words only where it shows it, in the user's language.

#include <fmt/format.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "core/text/Language.h"

namespace kivora {

template <class... Args>
struct MessageTemplate;

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

 private:
  template <class... Args>
  friend struct MessageTemplate;
  struct Value;

  MessageText(std::string_view chinese, std::string_view english, std::vector<Value> values);
  static Value Of(std::int64_t number);
  static Value Of(std::string text);
  static Value Of(MessageText text);

  std::string_view chinese_;
  std::string_view english_;
  std::vector<Value> values_;
};

struct MessageText::Value {
  std::variant<std::int64_t, std::string, MessageText> value;
};

// One text in both languages, with a "{}" for each value, checked by libfmt against the
// value types when it is declared. Calling it with the values makes the MessageText;
// wrong numbers or kinds of values do not compile.
template <class... Args>
struct MessageTemplate {
  fmt::format_string<Args...> chinese;
  fmt::format_string<Args...> english;

  MessageText operator()(Args... values) const {
    return MessageText(View(chinese), View(english), {MessageText::Of(std::move(values))...});
  }
  // A text without values as the program's own wording, for logs and tests.
  operator std::string_view() const  // NOLINT(google-explicit-constructor)
      requires(sizeof...(Args) == 0) {
    return View(chinese);
  }
  friend bool operator==(const MessageTemplate& text,
                         std::string_view wording) requires(sizeof...(Args) == 0) {
    return View(text.chinese) == wording;
  }

 private:
  static std::string_view View(fmt::format_string<Args...> text) {
    const fmt::string_view view = text;
    return {view.data(), view.size()};
  }
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
