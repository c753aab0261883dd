#include "app/cli/MessageNumber.h"

#include <cctype>
#include <string>

namespace kivora::cli {

std::optional<int> MessageNumber(const MessageText& text) {
  // English: its parentheses are always ASCII ones.
  const std::string wording =
      text.In(Language::English, [](std::string_view) { return std::string(); });
  for (size_t open = wording.find('('); open != std::string::npos;
       open = wording.find('(', open + 1)) {
    size_t end = open + 1;
    while (end < wording.size() && std::isdigit(static_cast<unsigned char>(wording[end]))) ++end;
    const size_t digits = end - open - 1;
    if (digits >= 3 && digits <= 5 && end < wording.size() && wording[end] == ')') {
      return std::stoi(wording.substr(open + 1, digits));
    }
  }
  return std::nullopt;
}

}  // namespace kivora::cli
