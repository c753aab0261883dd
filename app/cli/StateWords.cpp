#include "app/cli/StateWords.h"

namespace kivora::cli {

std::string_view StateWord(FileState state) {
  switch (state) {
    case FileState::Listed:
      return "listed";
    case FileState::Split:
      return "split";
    case FileState::Disguised:
      return "disguised";
    case FileState::DefinitionCreated:
      return "created";
    case FileState::DefinitionImplanted:
      return "implanted";
    case FileState::Ok:
      return "ok";
    case FileState::Fixable:
      return "fixable";
    case FileState::KeptBack:
      return "kept-back";
    case FileState::Missing:
      return "missing";
    case FileState::Corrupt:
      return "corrupt";
    case FileState::Joined:
      return "joined";
    case FileState::Resplit:
      return "resplit";
    case FileState::Redisguised:
      return "redisguised";
    case FileState::Mismatch:
      return "mismatch";
    case FileState::Recovery:
      return "recovery";
    case FileState::Rebuilt:
      return "rebuilt";
    case FileState::Sent:
      return "sent";
    case FileState::OnHost:
      return "present";
    case FileState::Refused:
      return "refused";
    case FileState::NotSent:
      return "failed";
  }
  return "unknown";
}

std::string_view RoleWord(FileRole::Kind kind) {
  switch (kind) {
    case FileRole::Kind::Part:
      return "part";
    case FileRole::Kind::Recovery:
      return "recovery";
    case FileRole::Kind::Definition:
      return "definition";
  }
  return "unknown";
}

std::string_view MessageKindWord(MessageKind kind) {
  switch (kind) {
    case MessageKind::Error:
      return "error";
    case MessageKind::Completion:
      return "completion";
    case MessageKind::Interruption:
      return "interruption";
    case MessageKind::Failure:
      return "failure";
    case MessageKind::Warning:
      return "warning";
  }
  return "unknown";
}

}  // namespace kivora::cli
