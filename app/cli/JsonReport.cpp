#include "app/cli/JsonReport.h"

#include <ostream>

#include "app/cli/Command.h"
#include "app/cli/Json.h"
#include "app/cli/StateWords.h"

namespace kivora::cli {

void JsonReport::Record(const OperationEvent& event) {
  if (const auto* file = std::get_if<FileStateChanged>(&event)) {
    const auto [at, added] = fileAt_.try_emplace(file->name, files_.size());
    if (added) {
      files_.push_back(*file);
    } else {
      files_[at->second] = *file;
    }
  } else if (const auto* message = std::get_if<Message>(&event)) {
    messages_.push_back({MessageKindWord(message->kind), message->text, message->detail});
  } else if (const auto* finished = std::get_if<Finished>(&event)) {
    finished_ = finished->outcome;
  }
}

void JsonReport::RecordNote(const MessageText& text) { messages_.push_back({"note", text, {}}); }

std::string_view JsonReport::OutcomeWord(int exit, bool stopped) const {
  if (exit == kSuccess) return "success";
  if (exit == kIncomplete) return "incomplete";
  if (stopped || finished_ == Outcome::Interrupted) return "interrupted";
  if (finished_ == Outcome::ProblemsFound) return "problems-found";
  if (exit == kUsage) return "usage";
  return "failed";
}

void JsonReport::WriteFile(std::ostream& out, const FileStateChanged& file) const {
  out << "{\"name\":" << JsonString(file.name) << ",\"role\":\"" << RoleWord(file.role.kind) << '"';
  if (file.role.kind != FileRole::Kind::Definition) out << ",\"index\":" << file.role.number;
  out << ",\"state\":\"" << StateWord(file.state) << '"';
  // The size of what is on disk now, for a file the operation reached and found.
  std::error_code error;
  const std::filesystem::path path = folder_ / file.name;
  const bool reached = file.state != FileState::Listed && file.state != FileState::Missing;
  if (reached && std::filesystem::is_regular_file(path, error)) {
    const auto size = std::filesystem::file_size(path, error);
    if (!error) out << ",\"size\":" << size;
  }
  out << '}';
}

void JsonReport::WriteMessage(std::ostream& out, const Entry& entry, Language language) {
  out << "{\"kind\":\"" << entry.kind << "\",\"number\":";
  if (const auto number = entry.text.Number()) {
    out << *number;
  } else {
    out << "null";
  }
  out << ",\"text\":" << JsonString(entry.text.In(language));
  if (!entry.detail.empty()) out << ",\"detail\":" << JsonString(entry.detail.In(language));
  out << '}';
}

void JsonReport::Write(std::ostream& out, int exit, bool stopped, Language language) const {
  out << "{\"command\":" << JsonString(command_) << ",\"outcome\":\"" << OutcomeWord(exit, stopped)
      << "\",\"exit\":" << exit;
  if (output_) out << ",\"output\":" << JsonString(*output_);
  out << ",\"files\":[";
  for (size_t i = 0; i < files_.size(); ++i) {
    if (i) out << ',';
    WriteFile(out, files_[i]);
  }
  out << "],\"messages\":[";
  for (size_t i = 0; i < messages_.size(); ++i) {
    if (i) out << ',';
    WriteMessage(out, messages_[i], language);
  }
  out << "]}\n" << std::flush;
}

void JsonReport::WriteUsage(std::ostream& out, std::string command, MessageText reason,
                            Language language) {
  JsonReport report(std::move(command));
  report.Record(Message{MessageKind::Error, std::move(reason), {}});
  report.Write(out, kUsage, false, language);
}

}  // namespace kivora::cli
