#include "core/operations/PlacedParts.h"

#include <algorithm>

#include "core/io/AtomicFile.h"
#include "core/text/Messages.h"

namespace kivora {

void PlacedParts::Set(std::vector<WriteBehind::CommittedFile> files) {
  files_ = std::move(files);
  std::sort(files_.begin(), files_.end(),
            [](const auto& a, const auto& b) { return a.index < b.index; });
}

void PlacedParts::ReplaceTakenNames() {
  for (WriteBehind::CommittedFile& f : files_) {
    if (!f.Replaces()) continue;
    try {
      WithMessage(msg::kWritePartFailed, [&] { ReplaceFile(f.hidden, f.target); });
    } catch (...) {
      failedAt_ = f.index;
      throw;
    }
    f.hidden.clear();
  }
}

std::vector<WriteBehind::CommittedFile> PlacedParts::KeepBefore(int failedAt) {
  failedAt = std::min(failedAt, failedAt_);
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
