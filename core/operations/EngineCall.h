#pragma once
// The one exception boundary around every call into an engine: whatever escapes the
// engine becomes the operation's failure message with its reason, never an abort. The
// engines let exceptions travel (cleaning up on the way) up to their RunX, which runs its
// work through RunOperation below; a front end uses TryEngine and CallEngine only for
// calls that are not operations (reading a definition, writing a list).

#include <exception>
#include <functional>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <unordered_map>

#include "core/KivoraError.h"
#include "core/OperationEvents.h"

namespace kivora {

// The system's reason an exception carries, for the line under a failure message.
MessageText ReasonOf(const std::exception& e);

struct EngineFailure {
  MessageText text;
  MessageText detail;
};

// How an operation that an exception ended is shown.
struct OperationFailure {
  MessageText text;           // the failure, with the exception's reason as detail
  MessageText outOfMemory{};  // a failed allocation; empty: as any other exception
  bool ownWords = false;      // another exception of the standard library shows its own text alone
  std::function<void(OperationEvents&)> close = {};  // the operation's closing after the message
};

struct SplitOutcome;

// How each operation's failure is shown: its message, its text for a failed allocation and
// its closing.
// A split's closing first names the parts its failure left in `result`.
OperationFailure SplitFailure(const SplitOutcome& result);
OperationFailure JoinFailure();
OperationFailure ResplitFailure();
OperationFailure TestFailure();
OperationFailure RepairFailure();
OperationFailure AddRecoveryFailure();

// Runs fn; returns what escaped it, if anything. A KivoraError keeps its own text and
// detail; any other exception becomes the failure's text with the exception's reason.
template <typename Fn>
std::optional<EngineFailure> TryEngine(const OperationFailure& failure, Fn&& fn) {
  try {
    fn();
    return std::nullopt;
  } catch (const KivoraError& e) {
    return EngineFailure{e.Text(), e.Detail()};
  } catch (const std::bad_alloc& e) {
    if (!failure.outOfMemory.empty()) return EngineFailure{failure.outOfMemory, {}};
    return EngineFailure{failure.text, ReasonOf(e)};
  } catch (const std::exception& e) {
    if (failure.ownWords) return EngineFailure{MessageText::Plain(e.what()), {}};
    return EngineFailure{failure.text, ReasonOf(e)};
  } catch (...) {
    return EngineFailure{failure.text, {}};
  }
}

template <typename Fn>
std::optional<EngineFailure> TryEngine(const MessageText& failure, Fn&& fn) {
  return TryEngine(OperationFailure{failure}, std::forward<Fn>(fn));
}

// Runs fn and returns its result; on an exception reports the failure as an error
// message, then the operation's closing, and returns onFailure.
template <typename Result, typename Fn>
Result CallEngine(OperationEvents& events, const OperationFailure& failure, Result onFailure,
                  Fn&& fn) {
  Result result = onFailure;
  if (const auto f = TryEngine(failure, [&] { result = fn(); })) {
    events.ShowError(f->text, f->detail);
    if (failure.close) failure.close(events);
    return onFailure;
  }
  return result;
}

template <typename Result, typename Fn>
Result CallEngine(OperationEvents& events, const MessageText& failure, Result onFailure, Fn&& fn) {
  return CallEngine(events, OperationFailure{failure}, std::move(onFailure), std::forward<Fn>(fn));
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

// Every operation has one shape: `XOutcome RunX(const XRequest&, const PendantProvider&,
// OperationEvents&)` for split, join, test, re-split, repair and add-recovery. The request
// holds all the operation is told (the password, and the definition as the caller read it);
// the pendants are the program's own, passed as they are to every operation. The outcome
// comes by value, an OperationResult with the operation's own results; progress and
// questions go through the events alone. RunX runs its work through RunOperation: no
// exception leaves it, and its work is closed on every way out.

// The events of one operation passed on to the front end's, noting for its outcome what
// became of each file and whether its work is still open.
class GuardedEvents final : public OperationEvents {
 public:
  GuardedEvents(OperationEvents& events, OperationKind operation)
      : events_(events), operation_(operation) {}

  void Report(const OperationEvent& event) override;
  Reply Ask(const Question& question) override { return events_.Ask(question); }
  bool AbortRequested() override { return events_.AbortRequested(); }

  // Work that began and was not closed is closed: WorkEnded, then a Finished, interrupted
  // when a stop was asked for and failed otherwise.
  void CloseWork();
  OperationResult TakeResult() { return std::move(result_); }

 private:
  OperationEvents& events_;
  OperationKind operation_;
  bool working_ = false;       // a WorkStarted not followed by WorkEnded
  bool awaitsFinish_ = false;  // a WorkStarted not followed by Finished
  struct RoleHash {
    std::size_t operator()(const FileRole& role) const {
      return std::hash<long long>()(static_cast<long long>(role.kind) << 32 |
                                    static_cast<unsigned>(role.number));
    }
  };
  // Where each file is in result_.files: a set's thousands of parts are looked up in it.
  std::unordered_map<FileRole, std::size_t, RoleHash> rows_;
  OperationResult result_;
};

// The frame of every RunX: runs body(events) with the events guarded; whatever escapes it
// becomes the failure's message and closing; work it began is always closed. Returns what
// the operation reported of its end and its files.
template <typename Body>
OperationResult RunOperation(OperationEvents& events, OperationKind operation,
                             const OperationFailure& failure, Body&& body) {
  GuardedEvents guarded(events, operation);
  if (const auto f = TryEngine(failure, [&] { body(static_cast<OperationEvents&>(guarded)); })) {
    // The closing reports events too: a front end that fails then is not asked again.
    TryEngine(failure, [&] {
      guarded.ShowError(f->text, f->detail);
      if (failure.close) failure.close(guarded);
    });
  }
  TryEngine(failure, [&] { guarded.CloseWork(); });
  return guarded.TakeResult();
}

}  // namespace kivora
