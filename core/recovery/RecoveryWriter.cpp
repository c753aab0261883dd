#include "core/recovery/RecoveryWriter.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "core/KivoraError.h"
#include "core/io/Crc32.h"
#include "core/io/File.h"
#include "core/text/Messages.h"

namespace kivora {

namespace {

constexpr int kBatches = 4;
// A column: the parity of a group's column (R x this) fits the cache of a core.
constexpr std::uint64_t kColumnBytes = 32 * 1024;

void RemoveQuietly(const std::filesystem::path& path) {
  std::error_code ec;
  std::filesystem::remove(path, ec);
}

}  // namespace

RecoveryWriter::RecoveryWriter(RecoveryPlan plan, RecoverySetInfo set, SetTransaction& transaction,
                               std::size_t batchBytes)
    : plan_(std::move(plan)),
      set_(std::move(set)),
      transaction_(transaction),
      batchBytes_(std::max<std::size_t>(batchBytes, 1)) {
  free_.resize(kBatches - 1);
  coder_ = std::thread([this] { Run(); });
}

RecoveryWriter::~RecoveryWriter() {
  {
    std::lock_guard lock(mutex_);
    closing_ = true;
  }
  changed_.notify_all();
  coder_.join();
  // Recovery parts that were not handed over leave nothing behind.
  for (const WrittenRecoveryFile& f : pending_) transaction_.Discard(f.path.filename().string());
  if (!handedOver_) {
    for (const WrittenRecoveryFile& f : written_) transaction_.Discard(f.path.filename().string());
  }
}

std::filesystem::path RecoveryWriter::HiddenPath(const std::filesystem::path& path) {
  return transaction_.Register(path.filename().string());
}

void RecoveryWriter::Run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return closing_ || !queue_.empty(); });
    if (closing_) return;
    Batch batch = std::move(queue_.front());
    queue_.pop_front();
    busy_ = true;
    lock.unlock();
    try {
      if (!failure_) {
        Encode(batch);
        if (batch.closesGroup) WriteGroup(batch.group);
      }
    } catch (...) {
      lock.lock();
      failure_ = std::current_exception();
      lock.unlock();
    }
    batch.group = -1;
    batch.closesGroup = false;
    batch.filled = 0;
    batch.pieces.clear();
    lock.lock();
    free_.push_back(std::move(batch));
    busy_ = false;
    changed_.notify_all();
  }
}

void RecoveryWriter::Drain() {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return queue_.empty() && !busy_; });
  if (failure_) std::rethrow_exception(failure_);
}

void RecoveryWriter::Submit() {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return !free_.empty() || failure_; });
  if (failure_) std::rethrow_exception(failure_);
  queue_.push_back(std::move(filling_));
  filling_ = std::move(free_.back());
  free_.pop_back();
  changed_.notify_all();
}

void RecoveryWriter::Append(int part, std::span<const std::uint8_t> bytes) {
  const int group = plan_.GroupOf(part);
  if (group != filling_.group) {
    if (filling_.group >= 0) Submit();
    filling_.group = group;
  }
  if (part != appendPart_) {
    appendPart_ = part;
    appendOffset_ = 0;
  }
  while (!bytes.empty()) {
    if (filling_.filled == batchBytes_) {
      Submit();
      filling_.group = group;
    }
    filling_.memory.GrowTo(batchBytes_);
    const std::size_t room = batchBytes_ - filling_.filled;
    const std::uint64_t inColumn = appendOffset_ % kColumnBytes;
    const auto take = static_cast<std::size_t>(
        std::min<std::uint64_t>({bytes.size(), room, kColumnBytes - inColumn}));
    // Bytes that continue the last piece's column join it.
    Piece* last = filling_.pieces.empty() ? nullptr : &filling_.pieces.back();
    if (last != nullptr && last->part == part && inColumn != 0 &&
        last->offset + last->length == appendOffset_) {
      last->length += take;
    } else {
      filling_.pieces.push_back({part, appendOffset_, filling_.filled, take});
    }
    std::memcpy(filling_.memory.data() + filling_.filled, bytes.data(), take);
    filling_.filled += take;
    appendOffset_ += take;
    bytes = bytes.subspan(take);
  }
}

void RecoveryWriter::SetPendant(std::span<const std::uint8_t> pendant) {
  pendant_.assign(pendant.begin(), pendant.end());
  pendantCrc_ = StreamCrc32(pendant_);
}

void RecoveryWriter::Encode(const Batch& batch) {
  if (batch.group < 0) return;
  if (batch.group != group_) {
    group_ = batch.group;
    const RecoveryGroup& g = plan_.groups.at(static_cast<size_t>(group_));
    code_.emplace(g.partCount, plan_.perGroup);
    covered_.assign(static_cast<size_t>(g.partCount), BlockCrcs{});
    parity_.resize(static_cast<size_t>(plan_.perGroup));
    for (auto& p : parity_) p.Clear();  // keeps the memory for the next group
  }
  const int firstPart = plan_.groups[static_cast<size_t>(group_)].firstPart;
  const std::span<const std::uint8_t> bytes = batch.memory.Bytes().first(batch.filled);
  std::uint64_t end = 0;
  for (const Piece& piece : batch.pieces) end = std::max(end, piece.offset + piece.length);
  for (auto& p : parity_) p.GrowTo(end);  // shorter shards count as zero-padded
  // Column by column; within a column, part by part as they came. Each part's pieces
  // keep their order, so its checksums are taken here too, while the piece is in the cache.
  order_.resize(batch.pieces.size());
  for (std::size_t i = 0; i < order_.size(); ++i) order_[i] = i;
  std::stable_sort(order_.begin(), order_.end(), [&](std::size_t a, std::size_t b) {
    return batch.pieces[a].offset / kColumnBytes < batch.pieces[b].offset / kColumnBytes;
  });
  for (const std::size_t i : order_) {
    const Piece& piece = batch.pieces[i];
    const int shard = piece.part - firstPart;
    const std::span<const std::uint8_t> pieceBytes = bytes.subspan(piece.start, piece.length);
    covered_[static_cast<size_t>(shard)].Add(pieceBytes);
    pointers_.clear();
    for (auto& p : parity_) pointers_.push_back(p.data() + piece.offset);
    code_->AddToParity(shard, pieceBytes, pointers_);
  }
}

void RecoveryWriter::PartDone(int part) {
  Append(part, {});  // a part of no bytes still takes its place
  const int group = plan_.GroupOf(part);
  const RecoveryGroup& g = plan_.groups[static_cast<size_t>(group)];
  const bool closesGroup = part == g.firstPart + g.partCount - 1;
  const bool lastPart = group + 1 == static_cast<int>(plan_.groups.size()) && closesGroup;
  if (closesGroup && !lastPart) {
    filling_.closesGroup = true;
    Submit();
  }
}

void RecoveryWriter::WriteGroup(int group) {
  const RecoveryGroup& g = plan_.groups[static_cast<size_t>(group)];
  std::uint64_t length = 0;
  for (const BlockCrcs& c : covered_) length = std::max(length, c.Length());
  for (auto& p : parity_) p.GrowTo(length);
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
    const std::span<const std::uint8_t> shard =
        std::as_const(parity_[static_cast<size_t>(j)]).Bytes();
    h.shardCrc = StreamCrc32(shard);
    h.covered = covered;
    h.stripeLength = stripeLength;
    h.coveredStripes = coveredStripes;
    h.shardStripes = StripeCrcs(shard, stripeLength);
    const std::filesystem::path path = set_.folder / RecoveryFileName(set_.naming, h.SetIndex());
    const std::vector<std::uint8_t> header = EncodeRecoveryHeader(h);
    // The file stays under its hidden name until the set's commit names it, and it is
    // closed meanwhile: a set may have thousands of recovery parts.
    const std::filesystem::path hidden = HiddenPath(path);
    pending_.push_back({path, pendant_.size() + header.size() + shard.size()});
    WithMessage(msg::kWriteRecoveryFailed, [&] {
      RemoveQuietly(hidden);
      File out = File::CreateNew(hidden);
      if (!out.IsOpen()) out = File::Create(hidden);  // throws the reason
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
  Submit();
  Drain();
  if (group_ >= nextGroupToWrite_) WriteGroup(group_);
  const std::uint32_t definitionCrc = StreamCrc32(definition);
  const auto trailer = RecoveryTrailer(pendant_.size());
  while (!pending_.empty()) {
    if (StopRequested(stop)) return false;
    WrittenRecoveryFile f = pending_.front();
    RecoveryHeader& h = headers_[written_.size()];
    h.definitionCrc = definitionCrc;
    h.definitionLength = definition.size();
    WithMessage(msg::kWriteRecoveryFailed, [&] {
      File file = File::OpenReadWrite(HiddenPath(f.path));
      file.Seek(static_cast<std::int64_t>(pendant_.size()));
      file.Write(EncodeRecoveryHeader(h));
      file.Seek(0, SEEK_END);
      file.Write(definition);
      file.Write(trailer);
      file.Close();
    });
    f.size += definition.size() + trailer.size();
    pending_.pop_front();
    written_.push_back(std::move(f));
  }
  return true;
}

void RecoveryWriter::HandOver() {
  handedOver_ = true;
  for (const WrittenRecoveryFile& f : written_)
    transaction_.MarkComplete(f.path.filename().string());
}

}  // namespace kivora
