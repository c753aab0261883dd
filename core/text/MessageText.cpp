#include "core/text/MessageText.h"

#include <fmt/args.h>

namespace kivora {

MessageText::MessageText(const MessageTemplate<>& text) : MessageText(text()) {}

MessageText::MessageText(std::string_view chinese, std::string_view english,
                         std::optional<int> number, std::vector<Value> values)
    : chinese_(chinese), english_(english), number_(number), values_(std::move(values)) {}

MessageText MessageText::Plain(std::string text) {
  return MessageText("{}", "{}", std::nullopt, {Of(std::move(text))});
}

std::optional<int> MessageText::Number() const {
  if (number_) return number_;
  for (const Value& value : values_) {
    if (const auto* text = std::get_if<MessageText>(&value.value)) {
      if (const auto number = text->Number()) return number;
    }
  }
  return std::nullopt;
}

MessageText::Value MessageText::Of(std::int64_t number) { return {number}; }
MessageText::Value MessageText::Of(std::string text) { return {std::move(text)}; }
MessageText::Value MessageText::Of(MessageText text) { return {std::move(text)}; }

std::string MessageText::In(Language language) const { return In(language, nullptr); }

std::string MessageText::In(Language language, ValueView showValue) const {
  fmt::dynamic_format_arg_store<fmt::format_context> values;
  for (const Value& value : values_) {
    if (const auto* number = std::get_if<std::int64_t>(&value.value)) {
      values.push_back(*number);
    } else if (const auto* text = std::get_if<std::string>(&value.value)) {
      values.push_back(showValue ? showValue(*text) : *text);
    } else {
      values.push_back(std::get<MessageText>(value.value).In(language, showValue));
    }
  }
  return fmt::vformat(language == Language::English ? english_ : chinese_, values);
}

}  // namespace kivora
