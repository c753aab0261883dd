#pragma once
// Shared pieces of the fuzz targets: a scratch folder per process, files written from
// fuzzed bytes, and a front end that answers the engines' questions from the input.

#include <cstdint>
#include <filesystem>
#include <span>
#include <string_view>
#include <vector>

#include "core/OperationEvents.h"

namespace kivora::fuzz {

using Bytes = std::span<const std::uint8_t>;

// An empty folder of this process's own (in /dev/shm when it exists), emptied again on
// every call and removed when the process exits normally.
std::filesystem::path FreshScratchFolder();

// The files of a fuzz input, which stand one after another with kSeparator between.
inline constexpr std::string_view kSeparator = "\n--kivora-fuzz-file--\n";
std::vector<Bytes> SplitFiles(Bytes input);

// False when the file cannot be written (a fuzzed name the file system refuses).
bool WriteFile(const std::filesystem::path& path, Bytes bytes);

// Stops the fuzzer with a report when an invariant of the code under test fails.
void Check(bool condition, const char* what);

// A silent front end. Yes/No question n is answered by bit n % 8 of `answers` (set:
// Yes); text questions are cancelled. From the `abortAfter`-th look at the abort flag
// on (0: never) the operation is asked to stop, so aborts land between parts and inside
// them.
class ScriptedUi final : public OperationEvents {
 public:
  ScriptedUi(std::uint8_t answers, int abortAfter) : answers_(answers), abortAfter_(abortAfter) {}

  void Report(const OperationEvent&) override {}
  Reply Ask(const Question& question) override {
    if (AsksForText(question.kind)) return {Answer::Cancel, {}};
    return {(answers_ >> (asked_++ % 8)) & 1 ? Answer::Yes : Answer::No, {}};
  }
  bool AbortRequested() override { return abortAfter_ > 0 && ++checks_ >= abortAfter_; }

 private:
  std::uint8_t answers_;
  int abortAfter_;
  int asked_ = 0;
  int checks_ = 0;
};

}  // namespace kivora::fuzz
