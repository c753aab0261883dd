#include "app/cli/JsonReport.h"

#include <algorithm>
#include <cstdio>
#include <ostream>

#include "app/cli/Command.h"
#include "app/cli/StateWords.h"
#include "app/cli/TerminalText.h"

namespace kivora::cli {
namespace {

// A file in one of these states is a problem of the set that a command may not put right.
bool IsSetProblem(FileState state) {
  return state == FileState::Missing || state == FileState::Corrupt || state == FileState::Fixable;
}

}  // namespace

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

void JsonReport::RecordNote(const MessageText& text, const MessageText& detail) {
  messages_.push_back({"note", text, detail});
}

// One rule for every command, decided by the situation: a signal stopped it; the command
// line was refused before anything ran; the set has missing, damaged or fixable files the
// command did not put right; anything else that did not succeed failed.
std::string_view JsonReport::OutcomeWord(int exit, bool stopped) const {
  if (exit == kSuccess) return "success";
  if (exit == kIncomplete) return "incomplete";
  if (stopped || finished_ == Outcome::Interrupted) return "interrupted";
  if (exit == kUsage) return "usage";
  const bool setProblem = std::any_of(files_.begin(), files_.end(),
                                      [](const auto& file) { return IsSetProblem(file.state); });
  if (setProblem || finished_ == Outcome::ProblemsFound) return "problems-found";
  return "failed";
}

Json JsonReport::FileJson(const FileStateChanged& file) const {
  Json json{{"name", file.name}, {"role", RoleWord(file.role.kind)}};
  if (file.role.kind != FileRole::Kind::Definition) json["index"] = file.role.number;
  json["state"] = StateWord(file.state);
  // The size of what is on disk now, for a file the operation reached and found.
  std::error_code error;
  const std::filesystem::path path = folder_ / file.name;
  const bool reached = file.state != FileState::Listed && file.state != FileState::Missing;
  if (sizes_ && reached && std::filesystem::is_regular_file(path, error)) {
    const auto size = std::filesystem::file_size(path, error);
    if (!error) json["size"] = size;
  }
  return json;
}

// The number is the one the message's wording shows, or else its detail's; null for the
// texts that show none. The first line of the words is the text; the lines after it and
// the detail are the detail.
Json JsonReport::MessageJson(const Entry& entry, Language language) {
  const std::optional<int> number =
      entry.text.Number() ? entry.text.Number() : entry.detail.Number();
  const std::string words = entry.text.In(language);
  const size_t lineEnd = words.find('\n');
  std::string detail = lineEnd == std::string::npos ? "" : words.substr(lineEnd + 1);
  if (!entry.detail.empty()) detail += (detail.empty() ? "" : "\n") + entry.detail.In(language);
  Json json{{"kind", entry.kind},
            {"number", number ? Json(*number) : Json(nullptr)},
            {"text", words.substr(0, lineEnd)}};
  if (!detail.empty()) json["detail"] = detail;
  return json;
}

void JsonReport::Write(std::ostream& out, int exit, bool stopped, Language language) const {
  Json document{{"command", command_}, {"outcome", OutcomeWord(exit, stopped)}, {"exit", exit}};
  if (output_) document["output"] = *output_;
  Json& files = document["files"] = Json::array();
  for (const FileStateChanged& file : files_) files.push_back(FileJson(file));
  Json& messages = document["messages"] = Json::array();
  for (const Entry& entry : messages_) messages.push_back(MessageJson(entry, language));
  for (const auto& [name, value] : own_) document[name] = value;
  out << JsonText(document) << '\n' << std::flush;
}

void JsonReport::WriteUsage(std::ostream& out, std::string command, MessageText reason,
                            Language language) {
  JsonReport report(std::move(command));
  report.Record(Message{MessageKind::Error, std::move(reason), {}});
  report.Write(out, kUsage, false, language);
}

std::string JsonText(const Json& value) {
  const std::string dumped = value.dump(-1, ' ', false, Json::error_handler_t::replace);
  // Outside its strings a JSON text is ASCII, so every character escaped here is in one.
  std::string text;
  text.reserve(dumped.size());
  ForEachCodePoint(dumped, [&](UChar32 c, std::string_view bytes) {
    // The ASCII controls but DEL are escaped already.
    const bool hidden = c == 0x7F || (c >= 0x80 && IsHiddenCharacter(static_cast<char32_t>(c)));
    if (!hidden && c != 0xFFFD) {
      text += bytes;
      return;
    }
    // Past U+FFFF (the tag characters) JSON escapes a surrogate pair.
    char escape[16];
    if (c > 0xFFFF) {
      const auto v = static_cast<unsigned>(c) - 0x10000;
      std::snprintf(escape, sizeof escape, "\\u%04x\\u%04x", 0xD800 + (v >> 10),
                    0xDC00 + (v & 0x3FF));
    } else {
      std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(c));
    }
    text += escape;
  });
  return text;
}

}  // namespace kivora::cli
