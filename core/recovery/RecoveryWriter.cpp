#include "core/recovery/RecoveryWriter.h"

#include <algorithm>

#include "core/KivoraError.h"
#include "core/io/AtomicFile.h"
#include "core/io/Crc32.h"
#include "core/io/File.h"
#include "core/text/Messages.h"

namespace kivora {

namespace {

constexpr std::size_t kJobBytes = 256 * 1024;
constexpr int kJobBuffers = 4;

// Where a recovery part grows until it is complete: a hidden name beside its own.
std::filesystem::path PendingPath(const std::filesystem::path& path) {
  return path.parent_path() / ("." + path.filename().string() + ".pending");
}

void RemoveQuietly(const std::filesystem::path& path) {
  std::error_code ec;
  std::filesystem::remove(path, ec);
}

}  // namespace

RecoveryWriter::RecoveryWriter(RecoveryPlan plan, RecoverySetInfo set)
    : plan_(std::move(plan)), set_(std::move(set)) {
  free_.resize(kJobBuffers);
  coder_ = std::thread([this] { Run(); });
}

RecoveryWriter::~RecoveryWriter() {
  // Recovery parts that never became complete leave nothing behind.
  for (const WrittenRecoveryFile& f : pending_) RemoveQuietly(PendingPath(f.path));
  {
    std::lock_guard lock(mutex_);
    closing_ = true;
  }
  changed_.notify_all();
  coder_.join();
}

void RecoveryWriter::Run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return closing_ || !queue_.empty(); });
    if (closing_) return;
    Job job = std::move(queue_.front());
    queue_.pop_front();
    busy_ = true;
    lock.unlock();
    try {
      if (!failure_) Encode(job.part, job.bytes);
    } catch (...) {
      lock.lock();
      failure_ = std::current_exception();
      lock.unlock();
    }
    lock.lock();
    free_.push_back(std::move(job.bytes));
    busy_ = false;
    changed_.notify_all();
  }
}

void RecoveryWriter::Drain() {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return queue_.empty() && !busy_; });
  if (failure_) std::rethrow_exception(failure_);
}

void RecoveryWriter::Append(int part, std::span<const std::uint8_t> bytes) {
  do {
    const std::span<const std::uint8_t> piece = bytes.first(std::min(bytes.size(), kJobBytes));
    bytes = bytes.subspan(piece.size());
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !free_.empty() || failure_; });
    if (failure_) std::rethrow_exception(failure_);
    Job job{part, std::move(free_.back())};
    free_.pop_back();
    job.bytes.assign(piece.begin(), piece.end());
    queue_.push_back(std::move(job));
    changed_.notify_all();
  } while (!bytes.empty());
}

void RecoveryWriter::SetPendant(std::span<const std::uint8_t> pendant) {
  pendant_.assign(pendant.begin(), pendant.end());
  pendantCrc_ = StreamCrc32(pendant_);
}

void RecoveryWriter::Encode(int part, std::span<const std::uint8_t> bytes) {
  if (part != part_) {
    const int group = plan_.GroupOf(part);
    if (group != group_) {
      group_ = group;
      const RecoveryGroup& g = plan_.groups.at(static_cast<size_t>(group));
      code_.emplace(g.partCount, plan_.perGroup);
      covered_.assign(static_cast<size_t>(g.partCount), BlockCrcs{});
      parity_.resize(static_cast<size_t>(plan_.perGroup));
      for (auto& p : parity_) p.clear();  // keeps the memory for the next group
    }
    part_ = part;
    offset_ = 0;
  }
  if (bytes.empty()) return;
  const std::uint64_t end = offset_ + bytes.size();
  pointers_.clear();
  for (auto& p : parity_) {
    if (p.size() < end) p.resize(end);  // shorter shards count as zero-padded
    pointers_.push_back(p.data() + offset_);
  }
  const int shard = part - plan_.groups[static_cast<size_t>(group_)].firstPart;
  code_->AddToParity(shard, bytes, pointers_);
  covered_[static_cast<size_t>(shard)].Add(bytes);
  offset_ = end;
}

void RecoveryWriter::PartDone(int part) {
  Append(part, {});  // a part of no bytes still takes its place
  const int group = plan_.GroupOf(part);
  const RecoveryGroup& g = plan_.groups[static_cast<size_t>(group)];
  const bool closesGroup = part == g.firstPart + g.partCount - 1;
  const bool lastPart = group + 1 == static_cast<int>(plan_.groups.size()) && closesGroup;
  if (closesGroup && !lastPart) {
    Drain();
    WriteGroup(group);
  }
}

void RecoveryWriter::WriteGroup(int group) {
  const RecoveryGroup& g = plan_.groups[static_cast<size_t>(group)];
  std::uint64_t length = 0;
  for (const BlockCrcs& c : covered_) length = std::max(length, c.Length());
  for (auto& p : parity_) p.resize(length);
  const std::uint64_t stripeLength = RecoveryStripeLength(length);
  std::vector<CoveredFile> covered;
  std::vector<std::vector<std::uint32_t>> coveredStripes;
  for (const BlockCrcs& c : covered_) {
    covered.push_back({c.Length(), c.Whole()});
    coveredStripes.push_back(c.Stripes(stripeLength));
  }
  for (int j = 0; j < plan_.perGroup; ++j) {
    RecoveryHeader h;
    h.sourceName = set_.sourceName;
    h.sourceSize = set_.sourceSize;
    h.implanted = set_.implanted;
    h.disguised = set_.disguised;
    h.definitionName = set_.definitionName;
    h.partCount =
        static_cast<std::uint32_t>(plan_.groups.back().firstPart + plan_.groups.back().partCount);
    h.groupCount = static_cast<std::uint32_t>(plan_.groups.size());
    h.group = static_cast<std::uint32_t>(group);
    h.firstPart = static_cast<std::uint32_t>(g.firstPart);
    h.perGroup = static_cast<std::uint16_t>(plan_.perGroup);
    h.index = static_cast<std::uint16_t>(j);
    h.naming = set_.naming;
    h.pendantCrc = pendantCrc_;
    h.shardLength = length;
    const std::vector<std::uint8_t>& shard = parity_[static_cast<size_t>(j)];
    h.shardCrc = StreamCrc32(shard);
    h.covered = covered;
    h.stripeLength = stripeLength;
    h.coveredStripes = coveredStripes;
    h.shardStripes = StripeCrcs(shard, stripeLength);
    const std::filesystem::path path = set_.folder / RecoveryFileName(set_.naming, h.SetIndex());
    const std::vector<std::uint8_t> header = EncodeRecoveryHeader(h);
    // The file stays under its hidden name until Finish completes it, and it is closed
    // meanwhile: a set may have thousands of recovery parts.
    const std::filesystem::path pending = PendingPath(path);
    pending_.push_back({path, pendant_.size() + header.size() + shard.size()});
    WithMessage(msg::kWriteRecoveryFailed, [&] {
      RemoveQuietly(pending);
      File out = File::CreateNew(pending);
      if (!out.IsOpen()) out = File::Create(pending);  // throws the reason
      out.Write(pendant_);
      out.Write(header);
      out.Write(shard);
      out.Close();
    });
    headers_.push_back(std::move(h));
  }
  nextGroupToWrite_ = group + 1;
}

bool RecoveryWriter::Finish(std::span<const std::uint8_t> definition, const StopCheck& stop) {
  Drain();
  if (group_ >= nextGroupToWrite_) WriteGroup(group_);
  const std::uint32_t definitionCrc = StreamCrc32(definition);
  const auto trailer = RecoveryTrailer(pendant_.size());
  // Each recovery part takes its name once its last byte is written.
  while (!pending_.empty()) {
    if (StopRequested(stop)) return false;
    WrittenRecoveryFile f = pending_.front();
    RecoveryHeader& h = headers_[written_.size()];
    h.definitionCrc = definitionCrc;
    h.definitionLength = definition.size();
    const std::filesystem::path pending = PendingPath(f.path);
    WithMessage(msg::kWriteRecoveryFailed, [&] {
      File file = File::OpenReadWrite(pending);
      file.Seek(static_cast<std::int64_t>(pendant_.size()));
      file.Write(EncodeRecoveryHeader(h));
      file.Seek(0, SEEK_END);
      file.Write(definition);
      file.Write(trailer);
      file.Close();
    });
    // Only a regular file or a link of the name is replaced (an older set's recovery part).
    WithMessage(msg::kWriteRecoveryFailed, [&] { ReplaceFile(pending, f.path); });
    f.size += definition.size() + trailer.size();
    pending_.pop_front();
    written_.push_back(std::move(f));
  }
  return true;
}

}  // namespace kivora
