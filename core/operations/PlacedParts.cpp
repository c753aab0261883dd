#include "core/operations/PlacedParts.h"

#include <algorithm>
#include <utility>

#include "core/io/File.h"

namespace kivora {

void PlacedParts::Set(std::vector<WriteBehind::CommittedFile> files) {
  // The indexes are sorted, and each file moved once: thousands of paths cost more to
  // move about than their numbers.
  std::vector<std::pair<int, size_t>> order;
  order.reserve(files.size());
  for (size_t i = 0; i < files.size(); ++i) order.emplace_back(files[i].index, i);
  std::sort(order.begin(), order.end());
  files_.clear();
  files_.reserve(files.size());
  for (const auto& [index, at] : order) files_.push_back(std::move(files[at]));
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
