#pragma once
#include <stdexcept>
#include <string>
#include <utility>

#include "core/text/MessageText.h"

namespace kivora {

// A failure that carries the message for the user and, optionally, its reason (a file
// name and the system's words) for front ends that can show more. what() is the
// message in the program's own wording, for logs.
class KivoraError : public std::runtime_error {
 public:
  explicit KivoraError(MessageText text, MessageText detail = {})
      : std::runtime_error(text.Chinese()), text_(std::move(text)), detail_(std::move(detail)) {}
  // `detail` is shown as it is: a path or the system's words.
  KivoraError(MessageText text, std::string detail)
      : KivoraError(std::move(text), MessageText::Plain(std::move(detail))) {}
  const MessageText& Text() const { return text_; }
  const MessageText& Detail() const { return detail_; }

 private:
  MessageText text_;
  MessageText detail_;
};

// Runs fn and rethrows any KivoraError under the given text, keeping the cause as detail.
template <typename Fn>
decltype(auto) WithMessage(const MessageText& text, Fn&& fn) {
  try {
    return fn();
  } catch (const KivoraError& e) {
    throw KivoraError(text, e.Detail().empty() ? e.Text() : e.Detail());
  }
}

}  // namespace kivora
