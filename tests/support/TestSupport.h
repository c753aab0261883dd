#pragma once
// Shared helpers of the unit tests: a recording front end with scripted answers, an
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

#include "core/OperationEvents.h"
#include "core/PendantProvider.h"
#include "core/StateTexts.h"
#include "core/operations/EngineCall.h"
#include "core/operations/SplitOperation.h"
#include "core/payload/EncryptionParams.h"

namespace kivora::test {

// The cheapest key derivation a definition may demand: tests of encrypted sets need
// the key, not its cost.
inline constexpr KeyCost kQuickKeyCost{1, 64 << 10};

// Summary rows in the program's own wording.
inline std::vector<std::pair<std::string, std::string>> ChineseRows(
    const std::vector<std::pair<MessageText, MessageText>>& rows) {
  std::vector<std::pair<std::string, std::string>> out;
  for (const auto& [caption, value] : rows) out.emplace_back(caption.Chinese(), value.Chinese());
  return out;
}

struct FileRow {
  std::string caption;
  std::string state;  // the state's text
  FileState kind = FileState::Listed;
};

// Records every event; answers questions from scripts.
class RecordingEvents : public OperationEvents {
 public:
  std::vector<std::string> errors, infos, warnings, questions;
  std::vector<std::string> errorDetails;  // beside errors
  std::vector<QuestionKind> questionKinds;
  std::deque<Answer> answers;  // answers to the next Yes/No questions; No when empty
  std::deque<std::optional<std::string>> passwords;  // the password box; Cancel when empty
  std::optional<std::filesystem::path> saveAs;       // the save dialog's choice
  std::optional<std::string> plugin;                 // the re-split's plug-in choice
  std::vector<FileRow> added;                        // every file state reported, in order
  std::map<int, FileRow> files;  // the latest state of each file since the last clearing
  std::map<FileRole, int> otherRows;
  std::map<OperationKind, std::vector<std::pair<std::string, std::string>>> summaries;
  std::vector<Progress> progress;
  std::vector<Finished> finished;
  int workEnded = 0;
  int abortAfterProgress = -1;  // ask for abort once this many progress events came
  int abortAfterChecks = -1;    // ask for abort from this many-th look at the flag on
  std::string abortOnRow;       // ask for abort once the file of this name was listed
  bool rowListed = false;
  int checks = 0;

  void Report(const OperationEvent& event) override {
    if (const auto* m = std::get_if<Message>(&event)) {
      (m->kind == MessageKind::Error        ? errors
       : m->kind == MessageKind::Completion ? infos
                                            : warnings)
          .push_back(m->text.Chinese());
      if (m->kind == MessageKind::Error) errorDetails.push_back(m->detail.Chinese());
    } else if (const auto* f = std::get_if<FileStateChanged>(&event)) {
      const FileRow row{f->name, StateText(f->state).Chinese(), f->state};
      added.push_back(row);
      rowListed = rowListed || (!abortOnRow.empty() && f->name == abortOnRow);
      files[RowOf(f->role)] = row;
    } else if (std::holds_alternative<FilesCleared>(event)) {
      files.clear();
      otherRows.clear();
    } else if (const auto* p = std::get_if<Progress>(&event)) {
      progress.push_back(*p);
    } else if (const auto* d = std::get_if<DefinitionSummary>(&event)) {
      summaries[d->readFor] = ChineseRows(d->rows);
    } else if (const auto* e = std::get_if<Finished>(&event)) {
      finished.push_back(*e);
    } else if (std::holds_alternative<WorkEnded>(event)) {
      ++workEnded;
    }
  }
  Reply Ask(const Question& q) override {
    questionKinds.push_back(q.kind);
    switch (q.kind) {
      case QuestionKind::Password:
        return TextReply(Next(passwords));
      case QuestionKind::SaveAsName:
        return TextReply(saveAs ? std::optional(saveAs->string()) : std::nullopt);
      case QuestionKind::ResplitPlugin:
        return TextReply(plugin);
      default:
        questions.push_back(q.text.Chinese());
        if (answers.empty()) return {Answer::No, {}};
        const Answer a = answers.front();
        answers.pop_front();
        return {a, {}};
    }
  }
  bool AbortRequested() override {
    ++checks;
    return rowListed ||
           (abortAfterProgress >= 0 && static_cast<int>(progress.size()) >= abortAfterProgress) ||
           (abortAfterChecks >= 0 && checks >= abortAfterChecks);
  }
  // A part's row is its index; the definition and recovery parts follow, as they come.
  int RowOf(const FileRole& role) {
    if (role.kind == FileRole::Kind::Part) return role.number;
    return otherRows.try_emplace(role, files.empty() ? 0 : files.rbegin()->first + 1).first->second;
  }
  // The rows in index order.
  std::vector<FileRow> Rows() const {
    std::vector<FileRow> rows;
    for (const auto& [index, row] : files) rows.push_back(row);
    return rows;
  }

 private:
  static std::optional<std::string> Next(std::deque<std::optional<std::string>>& queue) {
    if (queue.empty()) return std::nullopt;
    auto v = queue.front();
    queue.pop_front();
    return v;
  }
  static Reply TextReply(const std::optional<std::string>& text) {
    return text ? Reply{Answer::Yes, *text} : Reply{Answer::Cancel, {}};
  }
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
// Sets the four bytes at `at` so that the CRC-32 of `bytes` is `crc`, as a forger does:
// the change a CRC-32 takes is linear in the bits changed, so 32 of them reach any value.
void ForceCrc32(std::span<std::uint8_t> bytes, size_t at, std::uint32_t crc);
// Every entry of a folder by name, with its bytes.
using FolderFiles = std::map<std::string, std::vector<std::uint8_t>>;
FolderFiles FolderContent(const std::filesystem::path& folder);
// The full path of a program found on $PATH (for checks with external tools).
std::optional<std::filesystem::path> FindProgram(std::string_view name);

// A split request with the seed of its generator.
inline SplitRequest Seeded(SplitRequest request, std::uint64_t seed) {
  request.seed = seed;
  return request;
}

// A request of a join, test, re-split or add-recovery with the definition the test holds.
template <typename Request>
Request With(Request request, const KvrDefinition& loaded) {
  request.loaded = loaded;
  return request;
}

}  // namespace kivora::test
