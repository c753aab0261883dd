#pragma once
// Callbacks through which the engines talk to whoever drives them: the GUI, the
// command line or a test. The engines never block on anything but these.

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kivora {

enum class Answer { Yes, No, Cancel };

// The two summary lists of a read definition: on the join page and on the re-split page.
enum class InfoList { Join, Resplit };

// Images of the state list, by index.
enum class StateImage {
  Done = 0,        // done, joined or OK
  Fixable = 1,     // fixable or kept back
  Failed = 2,      // missing, corrupt or mismatch
  Split = 3,       // split or re-split
  Disguised = 4,   // disguised or re-disguised
  Listed = 5,      // listed, not yet processed
  Definition = 6,  // definition file
};

class Ui {
 public:
  virtual ~Ui() = default;

  // A failure: error icon, the default caption. detail, when not empty, is the
  // system's reason (file name and error), for front ends that can show more.
  virtual void ShowError(std::string_view text, std::string_view detail) = 0;
  void ShowError(std::string_view text) { ShowError(text, {}); }
  // A completion notice: information icon, caption "Kivora".
  virtual void ShowInfo(std::string_view text) = 0;
  // An interruption notice: warning icon, caption "Kivora".
  virtual void ShowWarning(std::string_view text) = 0;
  // A question with Yes/No, or Yes/No/Cancel when withCancel is set.
  virtual Answer Ask(std::string_view text, bool withCancel = false) = 0;

  // The password input box (prompt "請輸入密碼，謝謝！"); empty optional on Cancel.
  virtual std::optional<std::string> AskPassword() { return std::nullopt; }
  // The save dialog for "another name" when the joined file exists; empty on Cancel.
  virtual std::optional<std::filesystem::path> AskSaveFileName(const std::filesystem::path& folder,
                                                               std::string_view sourceName) {
    (void)folder;
    (void)sourceName;
    return std::nullopt;
  }
  // The plug-in of a set split with one, for a re-split; empty optional on Cancel.
  virtual std::optional<std::string> ChooseResplitPlugin() { return std::nullopt; }

  // The six summary rows of a definition just read.
  virtual void ShowSummary(InfoList list, const std::vector<std::pair<std::string, std::string>>& rows) {
    (void)list;
    (void)rows;
  }

  virtual void ClearStateRows() = 0;
  // Appends a row; returns its index.
  virtual int AddStateRow(std::string_view caption, std::string_view state, StateImage image) = 0;
  // Inserts a row at the given index.
  virtual void InsertStateRow(int index, std::string_view caption, std::string_view state,
                              StateImage image) = 0;
  virtual void SetStateRow(int index, std::string_view state, StateImage image) = 0;
  virtual void ScrollToRow(int index) = 0;
  // Sorts the state list by its state text, descending (after a join or a failed test).
  virtual void SortStateRows() {}

  // Status bar panel 0..3.
  virtual void SetStatus(int panel, std::string_view text) = 0;
  // Units of work done of total (parts), for a progress bar; optional.
  virtual void SetProgress(std::int64_t done, std::int64_t total) {
    (void)done;
    (void)total;
  }

  // Lets the driver process pending events, then waits `pause` while still processing
  // them. A front end without events may ignore the pause.
  virtual void Pump(std::chrono::milliseconds pause) = 0;
  // True once the user asked the running operation to stop.
  virtual bool AbortRequested() = 0;

  // The operation is past its questions and starts its work; and its work is over,
  // before its closing notice or question. A window keeps its inputs disabled only
  // in between.
  virtual void WorkStarted() {}
  virtual void WorkEnded() {}
};

// The closing notice of a split, join or re-split: completion (information) or
// interruption (warning); then the first row is scrolled into view. Returns completed.
inline bool ReportEnd(Ui& ui, bool completed, std::string_view completedText,
                      std::string_view interruptedText) {
  ui.WorkEnded();
  if (completed) {
    ui.ShowInfo(completedText);
  } else {
    ui.ShowWarning(interruptedText);
  }
  ui.ScrollToRow(0);
  return completed;
}

}  // namespace kivora
