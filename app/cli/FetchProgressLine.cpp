#include "app/cli/FetchProgressLine.h"

#include <fmt/format.h>

#include <ostream>

namespace kivora::cli {
namespace {

std::string Bytes(double bytes) {
  constexpr const char* kUnits[] = {"B", "KiB", "MiB", "GiB", "TiB"};
  size_t unit = 0;
  while (bytes >= 1024 && unit + 1 < std::size(kUnits)) {
    bytes /= 1024;
    ++unit;
  }
  return unit == 0 ? fmt::format("{:.0f} B", bytes) : fmt::format("{:.1f} {}", bytes, kUnits[unit]);
}

}  // namespace

FetchProgressLine::FetchProgressLine(OperationEvents& events, std::ostream& err, bool shown)
    : events_(events), err_(err), shown_(shown) {}

void FetchProgressLine::Show(const Progress& progress) {
  if (!shown_) return;
  const auto now = std::chrono::steady_clock::now();
  if (now - last_ < std::chrono::milliseconds(200)) return;
  last_ = now;
  const double seconds = std::chrono::duration<double>(now - start_).count();
  const double rate = seconds > 0 ? static_cast<double>(progress.bytesDone) / seconds : 0;
  err_ << "\r\033[K" << progress.done << "/" << progress.total << "  "
       << Bytes(static_cast<double>(progress.bytesDone));
  if (progress.bytesTotal > 0) err_ << " / " << Bytes(static_cast<double>(progress.bytesTotal));
  err_ << "  " << Bytes(rate) << "/s" << std::flush;
  onScreen_ = true;
}

void FetchProgressLine::Clear() {
  if (!onScreen_) return;
  err_ << "\r\033[K" << std::flush;
  onScreen_ = false;
}

void FetchProgressLine::Report(const OperationEvent& event) {
  if (const auto* progress = std::get_if<Progress>(&event);
      progress && progress->operation == OperationKind::Fetch) {
    Show(*progress);
    return;
  }
  Clear();
  events_.Report(event);
}

Reply FetchProgressLine::Ask(const Question& question) {
  Clear();
  return events_.Ask(question);
}

}  // namespace kivora::cli
