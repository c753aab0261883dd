#pragma once
// Shared pieces of the fuzz targets: a scratch folder per process, files written from
// fuzzed bytes, and a front end that answers the engines' questions from the input.

#include <cstdint>
#include <filesystem>
#include <span>
#include <string_view>

#include "core/Ui.h"

namespace kivora::fuzz {

using Bytes = std::span<const std::uint8_t>;

// An empty folder of this process's own (in /dev/shm when it exists), emptied again on
// every call and removed when the process exits normally.
std::filesystem::path FreshScratchFolder();

// False when the file cannot be written (a fuzzed name the file system refuses).
bool WriteFile(const std::filesystem::path& path, Bytes bytes);

// Stops the fuzzer with a report when an invariant of the code under test fails.
void Check(bool condition, const char* what);

// A silent front end. Question n is answered by bit n % 8 of `answers` (set: Yes); once
// `abortAfter` pauses have passed (0: never) the operation is asked to stop.
class ScriptedUi final : public Ui {
 public:
  ScriptedUi(std::uint8_t answers, int abortAfter) : answers_(answers), abortAfter_(abortAfter) {}

  void ShowError(std::string_view, std::string_view) override {}
  void ShowInfo(std::string_view) override {}
  void ShowWarning(std::string_view) override {}
  Answer Ask(std::string_view, bool) override {
    return (answers_ >> (asked_++ % 8)) & 1 ? Answer::Yes : Answer::No;
  }
  // Like the window and the terminal, rows that do not exist are ignored.
  void ClearStateRows() override { rows_ = 0; }
  int AddStateRow(std::string_view, std::string_view, StateImage) override { return rows_++; }
  void InsertStateRow(int, std::string_view, std::string_view, StateImage) override { ++rows_; }
  void SetStateRow(int, std::string_view, StateImage) override {}
  void ScrollToRow(int) override {}
  void SetStatus(int, std::string_view) override {}
  void Pump(std::chrono::milliseconds) override { ++pumps_; }
  bool AbortRequested() override { return abortAfter_ > 0 && pumps_ >= abortAfter_; }

 private:
  std::uint8_t answers_;
  int abortAfter_;
  int asked_ = 0;
  int rows_ = 0;
  int pumps_ = 0;
};

}  // namespace kivora::fuzz
