#pragma once
// Shared helpers of the unit tests: a recording Ui with scripted answers, an
// in-memory pendant provider, temporary folders and file helpers.

#include <cstdint>
#include <deque>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "PendantProvider.h"
#include "Ui.h"

namespace kivora::test {

struct StateRow {
  std::string caption;
  std::string state;
  StateImage image;
};

class RecordingUi : public Ui {
 public:
  std::vector<std::string> errors, infos, warnings, questions;
  std::deque<Answer> answers;  // answers to the next questions; No when empty
  std::deque<std::optional<std::string>> passwords;  // the password box; Cancel when empty
  std::optional<std::filesystem::path> saveAs;       // the save dialog's choice
  std::optional<std::string> plugin;                 // the re-split's plug-in choice
  std::vector<StateRow> added;  // every row added, in order (rows may be cleared later)
  std::map<InfoList, std::vector<std::pair<std::string, std::string>>> summaries;
  int sorts = 0;
  std::vector<StateRow> rows;
  std::map<int, std::string> status;
  int abortAfterPumps = -1;  // ask for abort once this many pumps happened
  int pumps = 0;

  void ShowError(std::string_view text, std::string_view) override { errors.emplace_back(text); }
  void ShowInfo(std::string_view text) override { infos.emplace_back(text); }
  void ShowWarning(std::string_view text) override { warnings.emplace_back(text); }
  Answer Ask(std::string_view text, bool) override {
    questions.emplace_back(text);
    if (answers.empty()) return Answer::No;
    Answer a = answers.front();
    answers.pop_front();
    return a;
  }
  std::optional<std::string> AskPassword() override {
    if (passwords.empty()) return std::nullopt;
    auto p = passwords.front();
    passwords.pop_front();
    return p;
  }
  std::optional<std::filesystem::path> AskSaveFileName(const std::filesystem::path&,
                                                       std::string_view) override {
    return saveAs;
  }
  std::optional<std::string> ChooseResplitPlugin() override { return plugin; }
  void ShowSummary(InfoList list,
                   const std::vector<std::pair<std::string, std::string>>& r) override {
    summaries[list] = r;
  }
  void SortStateRows() override { ++sorts; }
  void ClearStateRows() override { rows.clear(); }
  int AddStateRow(std::string_view c, std::string_view s, StateImage i) override {
    added.push_back({std::string(c), std::string(s), i});
    rows.push_back({std::string(c), std::string(s), i});
    return static_cast<int>(rows.size()) - 1;
  }
  void InsertStateRow(int at, std::string_view c, std::string_view s, StateImage i) override {
    rows.insert(rows.begin() + at, {std::string(c), std::string(s), i});
  }
  void SetStateRow(int at, std::string_view s, StateImage i) override {
    rows.at(static_cast<size_t>(at)).state = s;
    rows.at(static_cast<size_t>(at)).image = i;
  }
  void ScrollToRow(int) override {}
  void SetStatus(int panel, std::string_view text) override { status[panel] = text; }
  void Pump(std::chrono::milliseconds) override { ++pumps; }
  bool AbortRequested() override { return abortAfterPumps >= 0 && pumps >= abortAfterPumps; }
};

// A pendant set of small fake pictures with the given ids; picture id is "PNG" + id
// repeated to a size that depends on the id.
class FakePendantSet : public PendantSet {
 public:
  explicit FakePendantSet(std::map<int, std::vector<std::uint8_t>> pictures)
      : pictures_(std::move(pictures)) {}
  std::vector<int> Ids() const override {
    std::vector<int> ids;
    for (const auto& [id, bytes] : pictures_) ids.push_back(id);
    return ids;
  }
  std::optional<std::span<const std::uint8_t>> Pendant(int id) const override {
    auto it = pictures_.find(id);
    if (it == pictures_.end()) return std::nullopt;
    return std::span<const std::uint8_t>(it->second);
  }

 private:
  std::map<int, std::vector<std::uint8_t>> pictures_;
};

std::vector<std::uint8_t> FakePicture(int id);

class FakePendants : public PendantProvider {
 public:
  std::map<int, std::vector<std::uint8_t>> builtin;  // defaults: ids 10..14
  std::map<std::string, std::map<int, std::vector<std::uint8_t>>> plugins;
  std::uint32_t checksum = 0x12345678;

  FakePendants();
  std::unique_ptr<PendantSet> OpenSet(bool usePlugin, std::string_view name) const override;
  std::optional<std::int32_t> BuiltinPendantSize(int id) const override;
  std::uint32_t ComputePluginChecksum(std::string_view name) const override;
};

// A fresh empty folder under the system temp folder, removed with its content.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

std::vector<std::uint8_t> RandomBytes(size_t n, std::uint32_t seed = 1);
// Writes a file (creating missing parent folders); throws when it cannot.
void WriteBytes(const std::filesystem::path& p, std::span<const std::uint8_t> bytes);
inline void WriteBytes(const std::filesystem::path& p, const std::vector<std::uint8_t>& bytes) {
  WriteBytes(p, std::span<const std::uint8_t>(bytes));
}
std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& p);
// The full path of a program found on $PATH (for checks with external tools).
std::optional<std::filesystem::path> FindProgram(std::string_view name);

}  // namespace kivora::test
