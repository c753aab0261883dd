#pragma once
// The one exception boundary around every call into an engine: whatever escapes the
// engine becomes the operation's failure message with its reason, never an abort.

#include <exception>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>

#include "core/KivoraError.h"
#include "core/OperationEvents.h"

namespace kivora {

// The system's reason an exception carries, for the line under a failure message.
MessageText ReasonOf(const std::exception& e);

struct EngineFailure {
  MessageText text;
  MessageText detail;
};

// Runs fn; returns what escaped it, if anything. A KivoraError keeps its own text and
// detail; any other exception becomes `failure` with the exception's reason.
template <typename Fn>
std::optional<EngineFailure> TryEngine(const MessageText& failure, Fn&& fn) {
  try {
    fn();
    return std::nullopt;
  } catch (const KivoraError& e) {
    return EngineFailure{e.Text(), e.Detail()};
  } catch (const std::exception& e) {
    return EngineFailure{failure, ReasonOf(e)};
  } catch (...) {
    return EngineFailure{failure, {}};
  }
}

// Runs fn and returns its result; on an exception reports the failure as an error
// message and returns onFailure.
template <typename Result, typename Fn>
Result CallEngine(OperationEvents& events, const MessageText& failure, Result onFailure, Fn&& fn) {
  Result result = onFailure;
  if (const auto f = TryEngine(failure, [&] { result = fn(); })) {
    events.ShowError(f->text, f->detail);
    return onFailure;
  }
  return result;
}

// The same for a call without a result; returns false when it failed.
template <typename Fn>
requires std::is_void_v<std::invoke_result_t<Fn>>
bool CallEngine(OperationEvents& events, const MessageText& failure, Fn&& fn) {
  return CallEngine(events, failure, false, [&] {
    fn();
    return true;
  });
}

}  // namespace kivora
