#include "core/operations/PlacedParts.h"

#include <algorithm>

#include "core/io/File.h"

namespace kivora {

void PlacedParts::Set(std::vector<WriteBehind::CommittedFile> files) {
  files_ = std::move(files);
  std::sort(files_.begin(), files_.end(),
            [](const auto& a, const auto& b) { return a.index < b.index; });
}

bool PlacedParts::AnyWaiting() const {
  return std::any_of(files_.begin(), files_.end(), [](const auto& f) { return f.Replaces(); });
}

void PlacedParts::HandOverWaiting(SetTransaction& change) {
  std::vector<WriteBehind::CommittedFile> placed;
  for (WriteBehind::CommittedFile& f : files_) {
    if (f.Replaces()) {
      change.MarkComplete(NameText(f.target));
    } else {
      placed.push_back(std::move(f));
    }
  }
  files_ = std::move(placed);
}

std::vector<WriteBehind::CommittedFile> PlacedParts::KeepBefore(int failedAt) {
  std::vector<WriteBehind::CommittedFile> kept;
  for (const WriteBehind::CommittedFile& f : files_) {
    if (f.Replaces() || f.index >= failedAt) {
      std::error_code ec;
      std::filesystem::remove(f.Where(), ec);
    } else {
      kept.push_back(f);
    }
  }
  files_.clear();
  return kept;
}

}  // namespace kivora
