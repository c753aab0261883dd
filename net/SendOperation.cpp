#include "net/SendOperation.h"

#include <openssl/evp.h>

#include <algorithm>
#include <deque>
#include <map>
#include <set>

#include "core/KivoraError.h"
#include "core/format/DefinitionReader.h"
#include "core/format/StoredDefinition.h"
#include "core/io/Crc32.h"
#include "core/io/File.h"
#include "core/operations/EngineCall.h"
#include "core/parts/PartScan.h"
#include "core/parts/SetNames.h"
#include "core/recovery/RecoveryScan.h"
#include "core/text/Messages.h"
#include "net/SendMessages.h"

namespace kivora::net {
namespace {

using Clock = std::chrono::steady_clock;

// What a copy waits for next.
enum class Step { ProbeFinal, ProbeHidden, Upload, ProveHidden, Rename, Done };

struct CopyJob {
  size_t file = 0;
  size_t copy = 0;  // in SentFile::copies
  Step step = Step::ProbeFinal;
  std::int64_t offset = 0;
  bool hashes = false;  // its upload takes the file's SHA-256
};

// The CRC-32 and SHA-256 of a file, read once.
void HashFile(SentFile& file) {
  File in = File::OpenRead(file.path);
  std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> sha(EVP_MD_CTX_new(), EVP_MD_CTX_free);
  EVP_DigestInit_ex(sha.get(), EVP_sha256(), nullptr);
  std::vector<std::uint8_t> buffer(1 << 20);
  std::uint32_t crc = 0;
  for (size_t n; (n = in.Read(buffer)) > 0;) {
    crc = Crc32Update(crc, std::span(buffer).first(n));
    EVP_DigestUpdate(sha.get(), buffer.data(), n);
  }
  std::array<std::uint8_t, 32> digest{};
  unsigned size = 0;
  EVP_DigestFinal_ex(sha.get(), digest.data(), &size);
  file.crc = crc;
  file.sha256 = digest;
}

RecoveryLayout LayoutOf(const std::vector<WrittenRecoveryFile>& recovery, int partCount) {
  RecoveryLayout layout;
  for (const WrittenRecoveryFile& f : recovery) {
    const std::optional<RecoveryFileInfo> info = ReadRecoveryInfo(f.path);
    if (!info || info->header.perGroup == 0 || info->header.groupCount == 0) continue;
    layout.perGroup = info->header.perGroup;
    layout.groups = SplitIntoGroups(partCount, static_cast<int>(info->header.groupCount));
    break;
  }
  return layout;
}

class SetSend {
 public:
  SetSend(const SendRequest& request, const PendantProvider& pendants, OperationEvents& events)
      : request_(request),
        pendants_(pendants),
        events_(events),
        transfers_(request.limits, request.access) {}
  SendOutcome Run();

 private:
  void ListFiles();
  bool Plan();
  void MakeFolders();
  void RemoveLeftovers();
  void Launch(CopyJob job);
  void Ended(const RemoteEnd& end);
  void Settle(CopyJob& job, SendState state, MessageText why = {});
  bool Replace(const CopyJob& job);
  void Report();
  void Close();
  bool Matches(SentFile& file, const RemoteEnd& end, FileCopy& copy, MessageText& why);

  const SendRequest& request_;
  const PendantProvider& pendants_;
  OperationEvents& events_;
  SendTransfers transfers_;
  SendOutcome outcome_;
  KvrDefinition definition_;
  RecoveryLayout layout_;
  std::deque<CopyJob> waiting_;
  std::map<int, CopyJob> running_;
  std::set<std::pair<size_t, size_t>> refused_;  // (file, host)
  // Hosts that refused the credentials or cannot be reached: nothing more goes there.
  std::map<size_t, MessageText> lostHosts_;
  std::deque<SendHost> roots_;  // the hosts' servers, for their folders
  int nextId_ = 0;
  std::int64_t bytesTotal_ = 0;
};

void SetSend::ListFiles() {
  const StoredDefinitionBytes stored = ReadStoredDefinition(request_.definition);
  definition_ = DecodeStoredDefinition(stored, request_.definition, pendants_);
  const std::filesystem::path folder = SetFolderOf(request_.definition);
  const bool disguised = definition_.header.Disguised;
  const int partCount = static_cast<int>(definition_.parts.size());
  const std::vector<WrittenRecoveryFile> recovery =
      ListRecoveryParts(request_.definition, definition_);
  layout_ = LayoutOf(recovery, partCount);
  const auto add = [&](PlannedFile planned, std::filesystem::path path) {
    if (!IsPlainFileName(planned.name) || planned.name.find_first_of("\r\n") != std::string::npos) {
      throw KivoraError(texts::kUnsendableName(planned.name));
    }
    outcome_.files.push_back({std::move(planned), std::move(path), {}, {}, {}});
  };
  if (!stored.implanted) {
    const std::string name = request_.definition.filename().string();
    add({name, static_cast<std::int64_t>(std::filesystem::file_size(request_.definition)),
         FileRole::Definition(), -1, true},
        request_.definition);
  }
  for (int i = 0; i < partCount; ++i) {
    const PartRecord& record = definition_.parts[static_cast<size_t>(i)];
    const std::filesystem::path path = folder / record.FileName;
    const bool carrier = stored.implanted && i + 1 == partCount;
    // The file on disk is what is sent; a part of another length does not prove.
    std::error_code error;
    const auto size = static_cast<std::int64_t>(std::filesystem::file_size(path, error));
    if (error || (!carrier && size != ExpectedPartLength(record, disguised)))
      throw KivoraError(texts::kPartNotAsRecorded(path.string()));
    add({record.FileName, size, FileRole::Part(i),
         layout_.Any() ? RecoveryPlan{layout_.perGroup, layout_.groups}.GroupOf(i) : -1, carrier},
        path);
  }
  for (size_t j = 0; j < recovery.size(); ++j) {
    const int group = layout_.Any() ? static_cast<int>(j) / layout_.perGroup : -1;
    add({recovery[j].path.filename().string(), static_cast<std::int64_t>(recovery[j].size),
         FileRole::Recovery(static_cast<int>(j)), group, false},
        recovery[j].path);
  }
}

bool SetSend::Plan() {
  const size_t hostCount = request_.hosts.size();
  std::vector<PlannedFile> planned;
  for (const SentFile& f : outcome_.files) planned.push_back(f.planned);
  const auto fits = [&](size_t f, size_t h) {
    const std::int64_t max = request_.hosts[h].maxSize;
    return max == 0 || planned[f].size <= max;
  };
  if (request_.placement == Placement::Spread) {
    if (hostCount < 2) {
      outcome_.refusal = texts::kSpreadNeedsHosts;
      return false;
    }
    const auto shortfall = CheckSpread(layout_, static_cast<int>(definition_.parts.size()),
                                       static_cast<int>(hostCount));
    if (shortfall) {
      outcome_.refusal = texts::kSpreadShort(shortfall->group + 1, shortfall->files,
                                             shortfall->loseAtMost, shortfall->have);
      outcome_.refusalHint = shortfall->needed > 0
                                 ? MessageText(texts::kAddRecoveryToSpread(
                                       request_.definition.string(), shortfall->needed))
                                 : MessageText(texts::kSpreadImpossible);
      return false;
    }
  } else {
    // Every copy is planned: a host that cannot take one of them is refused now.
    for (size_t f = 0; f < planned.size(); ++f) {
      for (size_t h = 0; h < hostCount; ++h) {
        if (fits(f, h)) continue;
        outcome_.refusal = texts::kTooLarge(planned[f].name, planned[f].size, request_.hosts[h].url,
                                            request_.hosts[h].maxSize);
        return false;
      }
    }
  }
  const SendPlan plan = PlanPlacement(planned, layout_, hostCount, request_.placement, fits);
  for (size_t f = 0; f < planned.size(); ++f) {
    if (plan.hosts[f].empty()) {
      outcome_.refusal = texts::kNoHostTakes(planned[f].name);
      return false;
    }
    for (const size_t h : plan.hosts[f]) {
      outcome_.files[f].copies.push_back({h, SendState::Planned, false, false, {}});
      bytesTotal_ += planned[f].size;
    }
  }
  return true;
}

void SetSend::MakeFolders() {
  for (const SendHost& host : request_.hosts) {
    if (host.kind != HostKind::WebDav) continue;
    // Each folder of the path from the top, "a/" then "a/b/", made on the server's root.
    const size_t root = host.url.find('/', host.url.find("://") + 3);
    roots_.push_back(host);
    roots_.back().url = host.url.substr(0, root + 1);
    const std::string path = host.url.substr(root + 1);
    for (size_t slash = path.find('/'); slash != std::string::npos;
         slash = path.find('/', slash + 1)) {
      RemoteRequest r;
      r.id = nextId_++;
      r.host = &roots_.back();
      r.action = RemoteAction::MakeFolder;
      r.name = path.substr(0, slash + 1);
      // One at a time a host: a folder is made after the one it is in.
      transfers_.Start(std::move(r));
      while (!transfers_.Idle()) transfers_.Step(std::chrono::milliseconds(100));
    }
  }
}

// The hidden names of this set that an earlier, cut-off send left on a host and that this
// run did not take up are removed, once every copy has ended: the name of a copy that
// failed here stays, for the next run to go on from. S3 takes no hidden names.
void SetSend::RemoveLeftovers() {
  std::deque<RemoteRequest> waiting;
  std::map<int, size_t> listings;  // request → host
  for (size_t h = 0; h < request_.hosts.size(); ++h) {
    if (request_.hosts[h].kind == HostKind::S3 || lostHosts_.contains(h)) continue;
    RemoteRequest r;
    r.id = nextId_++;
    r.host = &request_.hosts[h];
    r.action = RemoteAction::List;
    listings[r.id] = h;
    waiting.push_back(std::move(r));
  }
  std::map<std::string, size_t> files;
  for (size_t f = 0; f < outcome_.files.size(); ++f) files[outcome_.files[f].planned.name] = f;
  const auto kept = [&](size_t f, size_t h) {
    return std::any_of(
        outcome_.files[f].copies.begin(), outcome_.files[f].copies.end(),
        [&](const FileCopy& c) { return c.host == h && c.state == SendState::Failed; });
  };
  std::map<int, std::pair<size_t, std::string>> removals;  // request → host, name
  const std::string hidden = HiddenSendName("");
  while ((!waiting.empty() || !transfers_.Idle()) && !events_.AbortRequested()) {
    while (!waiting.empty() && transfers_.HasRoom() &&
           transfers_.HasRoom(waiting.front().host->hostKey)) {
      transfers_.Start(std::move(waiting.front()));
      waiting.pop_front();
    }
    for (const RemoteEnd& end : transfers_.Step(std::chrono::milliseconds(100))) {
      if (const auto removal = removals.find(end.id); removal != removals.end()) {
        if (!end.ok && !end.missing) {
          events_.Report(Message{MessageKind::Warning,
                                 texts::kLeftoverStays(request_.hosts[removal->second.first].url,
                                                       removal->second.second, end.why),
                                 {}});
        }
        continue;
      }
      // A host that cannot list its folder (a WebDAV server without PROPFIND) keeps what
      // it holds: nothing of it is known to be a leftover.
      const auto listing = listings.find(end.id);
      if (listing == listings.end() || !end.ok) continue;
      const size_t h = listing->second;
      for (const std::string& name : end.names) {
        if (!name.starts_with(hidden)) continue;
        const auto file = files.find(name.substr(hidden.size()));
        if (file == files.end() || kept(file->second, h)) continue;
        RemoteRequest r;
        r.id = nextId_++;
        r.host = &request_.hosts[h];
        r.action = RemoteAction::Remove;
        r.name = name;
        removals[r.id] = {h, name};
        waiting.push_back(std::move(r));
      }
    }
  }
}

void SetSend::Launch(CopyJob job) {
  SentFile& file = outcome_.files[job.file];
  FileCopy& copy = file.copies[job.copy];
  RemoteRequest r;
  r.id = nextId_++;
  r.host = &request_.hosts[copy.host];
  const bool s3 = r.host->kind == HostKind::S3;
  r.name =
      job.step == Step::ProbeFinal || s3 ? file.planned.name : HiddenSendName(file.planned.name);
  switch (job.step) {
    case Step::ProbeFinal:
    case Step::ProbeHidden:
    case Step::ProveHidden:
      r.action = RemoteAction::Probe;
      break;
    case Step::Upload:
      r.action = RemoteAction::Upload;
      r.file = file.path;
      r.offset = job.offset;
      r.size = file.planned.size;
      // The host is told the CRC-32 before the bytes: taken here when no send took it yet.
      if (s3 && !file.crc) HashFile(file);
      if (s3) r.crc = file.crc;
      // One upload of a file takes its SHA-256; the other copies only its CRC-32.
      r.sha256 = !file.sha256 && !file.hashing;
      file.hashing = file.hashing || r.sha256;
      job.hashes = r.sha256;
      break;
    case Step::Rename:
      r.action = RemoteAction::Rename;
      r.newName = file.planned.name;
      break;
    case Step::Done:
      return;
  }
  copy.state = SendState::Running;
  running_[r.id] = job;
  transfers_.Start(std::move(r));
}

// True when what the host reports is the file: its length, and its CRC-32 when it tells it.
bool SetSend::Matches(SentFile& file, const RemoteEnd& end, FileCopy& copy, MessageText& why) {
  if (end.length != file.planned.size) {
    why = texts::kLengthMismatch(end.length, file.planned.size);
    return false;
  }
  copy.lengthProved = true;
  if (!end.crc) return true;
  if (!file.crc) HashFile(file);
  if (*end.crc != *file.crc) {
    why = texts::kCrcMismatch;
    return false;
  }
  copy.crcProved = true;
  return true;
}

void SetSend::Settle(CopyJob& job, SendState state, MessageText why) {
  SentFile& file = outcome_.files[job.file];
  FileCopy& copy = file.copies[job.copy];
  copy.state = state;
  copy.why = std::move(why);
  job.step = Step::Done;
  if (request_.onCopy) request_.onCopy(file, copy);
  events_.SetFileState(file.planned.role, file.planned.name, SentFileState(file));
}

// A copy a host refused goes to another host, where the spread allows it.
bool SetSend::Replace(const CopyJob& job) {
  if (request_.placement != Placement::Spread) return false;
  SentFile& file = outcome_.files[job.file];
  std::vector<PlannedFile> planned;
  for (const SentFile& f : outcome_.files) planned.push_back(f.planned);
  const size_t hostCount = request_.hosts.size();
  // The files of the group each host holds now, this one left out.
  std::map<size_t, int> held;
  for (const SentFile& f : outcome_.files) {
    if (&f == &file || f.planned.group != file.planned.group || f.planned.everywhere) continue;
    for (const FileCopy& c : f.copies)
      if (c.state != SendState::Refused && c.state != SendState::Failed) ++held[c.host];
  }
  int groupFiles = 0;
  for (const SentFile& f : outcome_.files) groupFiles += f.planned.group == file.planned.group;
  const int share =
      file.planned.group >= 0 && layout_.Any()
          ? (groupFiles + static_cast<int>(hostCount) - 1) / static_cast<int>(hostCount)
          : groupFiles;
  for (size_t h = 0; h < hostCount; ++h) {
    const std::int64_t max = request_.hosts[h].maxSize;
    const bool onIt = std::any_of(file.copies.begin(), file.copies.end(),
                                  [&](const FileCopy& c) { return c.host == h; });
    if (onIt || refused_.contains({job.file, h}) || (max > 0 && file.planned.size > max) ||
        held[h] >= share)
      continue;
    file.copies.push_back({h, SendState::Planned, false, false, {}});
    events_.Report(Message{MessageKind::Warning,
                           texts::kMovedToOtherHost(file.planned.name, request_.hosts[h].url),
                           {}});
    waiting_.push_back({job.file, file.copies.size() - 1, Step::ProbeFinal, 0});
    return true;
  }
  return false;
}

void SetSend::Ended(const RemoteEnd& end) {
  const auto it = running_.find(end.id);
  if (it == running_.end()) return;
  CopyJob job = it->second;
  running_.erase(it);
  SentFile& file = outcome_.files[job.file];
  FileCopy& copy = file.copies[job.copy];
  const SendHost& host = request_.hosts[copy.host];
  // FTP and SFTP uploads go on from what the hidden name holds.
  const bool resumable = host.kind == HostKind::Ftp || host.kind == HostKind::Sftp;
  MessageText why;
  if (end.hostLost) {
    lostHosts_.try_emplace(copy.host, end.why);
    Settle(job, SendState::Failed, end.why);
    return;
  }
  switch (job.step) {
    case Step::ProbeFinal:
      if (end.ok && end.length >= 0 && Matches(file, end, copy, why)) {
        Settle(job, SendState::Present);
        return;
      }
      copy.lengthProved = copy.crcProved = false;
      job.step = resumable ? Step::ProbeHidden : Step::Upload;
      break;
    case Step::ProbeHidden:
      // Cut off after the last byte, before the rename: it is proved and named.
      if (end.ok && end.length == file.planned.size && Matches(file, end, copy, why)) {
        job.step = Step::Rename;
        break;
      }
      // An upload cut off before goes on from what the hidden name holds.
      job.offset = end.ok && end.length > 0 && end.length < file.planned.size ? end.length : 0;
      job.step = Step::Upload;
      break;
    case Step::Upload:
      if (job.hashes) file.hashing = false;
      if (!end.ok) {
        if (end.quota) {
          refused_.insert({job.file, copy.host});
          events_.ShowError(texts::kHostFull(host.url, file.planned.name));
          Settle(job, SendState::Refused, texts::kHostFull(host.url, file.planned.name));
          Replace(job);
          return;
        }
        Settle(job, SendState::Failed, end.why);
        return;
      }
      file.crc = end.sentCrc;
      if (job.hashes) file.sha256 = end.sha256;
      job.step = Step::ProveHidden;
      break;
    case Step::ProveHidden:
      if (!end.ok || !Matches(file, end, copy, why)) {
        Settle(job, SendState::Failed, why.empty() ? end.why : why);
        return;
      }
      if (host.kind == HostKind::S3) {
        Settle(job, SendState::Sent);  // put whole under its name, as the host just proved
        return;
      }
      job.step = Step::Rename;
      break;
    case Step::Rename:
      if (!end.ok) {
        Settle(job, SendState::Failed, end.why);
        return;
      }
      // FTP and SFTP tell the new name's length (and CRC-32) in the same exchange.
      if (resumable && !Matches(file, end, copy, why)) {
        Settle(job, SendState::Failed, why);
        return;
      }
      Settle(job, SendState::Sent);
      return;
    case Step::Done:
      return;
  }
  Launch(job);
}

void SetSend::Report() {
  Progress progress{OperationKind::Send, 0, 0, transfers_.BytesSent(), bytesTotal_};
  for (const SentFile& f : outcome_.files) {
    for (const FileCopy& c : f.copies) {
      ++progress.total;
      progress.done += c.state != SendState::Planned && c.state != SendState::Running;
    }
  }
  events_.Report(progress);
}

// The closing: the copies that could not be sent, then how the send ended.
void SetSend::Close() {
  events_.Report(WorkEnded{});
  if (outcome_.stopped) {
    events_.ShowInterruption(texts::kSendInterrupted);
    events_.Report(Finished{OperationKind::Send, Outcome::Interrupted});
    return;
  }
  const MessageText summary = texts::kSendSummary(
      outcome_.Copies(), outcome_.Count(SendState::Sent), outcome_.Count(SendState::Present));
  if (outcome_.AllProved()) {
    events_.ShowCompletion(summary);
    events_.Report(Finished{OperationKind::Send, Outcome::Completed});
    return;
  }
  for (const SentFile& f : outcome_.files) {
    for (const FileCopy& c : f.copies) {
      if (c.state == SendState::Failed)
        events_.ShowError(texts::kNotSent(f.planned.name, request_.hosts[c.host].url, c.why));
    }
  }
  events_.ShowWarning(summary);
  events_.Report(Finished{OperationKind::Send, Outcome::Incomplete});
}

SendOutcome SetSend::Run() {
  outcome_.hosts = request_.hosts;
  if (request_.hosts.empty()) throw KivoraError(texts::kNoHosts);
  ListFiles();
  if (!Plan()) {
    events_.ShowError(*outcome_.refusal);
    if (outcome_.refusalHint) events_.ShowError(*outcome_.refusalHint);
    return std::move(outcome_);
  }
  if (request_.onPlan) request_.onPlan(outcome_.files, request_.hosts);
  events_.Report(WorkStarted{});
  events_.Report(FilesCleared{});
  for (const SentFile& f : outcome_.files)
    events_.SetFileState(f.planned.role, f.planned.name, FileState::Listed);
  MakeFolders();
  for (size_t f = 0; f < outcome_.files.size(); ++f) {
    for (size_t c = 0; c < outcome_.files[f].copies.size(); ++c) waiting_.push_back({f, c});
  }
  auto lastReport = Clock::now();
  for (;;) {
    if (events_.AbortRequested()) {
      outcome_.stopped = true;
      break;
    }
    // Waiting copies start where their host has room, the others keep their place.
    for (auto it = waiting_.begin(); it != waiting_.end() && transfers_.HasRoom();) {
      const size_t h = outcome_.files[it->file].copies[it->copy].host;
      if (const auto lost = lostHosts_.find(h); lost != lostHosts_.end()) {
        CopyJob job = *it;
        it = waiting_.erase(it);
        Settle(job, SendState::Failed, lost->second);
        continue;
      }
      const SendHost& host = request_.hosts[h];
      if (!transfers_.HasRoom(host.hostKey)) {
        ++it;
        continue;
      }
      const CopyJob job = *it;
      it = waiting_.erase(it);
      Launch(job);
    }
    if (transfers_.Idle() && waiting_.empty()) break;
    for (const RemoteEnd& end : transfers_.Step(std::chrono::milliseconds(100))) Ended(end);
    if (Clock::now() - lastReport > std::chrono::milliseconds(200)) {
      Report();
      lastReport = Clock::now();
    }
  }
  Report();
  if (!outcome_.stopped) RemoveLeftovers();
  // A file sent nowhere in this run still gets its checksums for the lists: read once.
  for (SentFile& f : outcome_.files)
    if (!f.sha256 && !outcome_.stopped) HashFile(f);
  outcome_.bytes = transfers_.BytesSent();
  Close();
  return std::move(outcome_);
}

}  // namespace

std::string HiddenSendName(std::string_view name) { return ".kvsend." + std::string(name); }

std::string SentFile::Sha256Hex() const {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string text;
  if (!sha256) return text;
  for (const std::uint8_t b : *sha256) {
    text += kHex[b >> 4];
    text += kHex[b & 15];
  }
  return text;
}

int SendOutcome::Count(SendState state) const {
  int n = 0;
  for (const SentFile& f : files)
    for (const FileCopy& c : f.copies) n += c.state == state;
  return n;
}

int SendOutcome::Copies() const {
  int n = 0;
  for (const SentFile& f : files) n += static_cast<int>(f.copies.size());
  return n;
}

bool SendOutcome::AllProved() const {
  if (refusal || stopped) return false;
  // A copy refused by a host that went elsewhere counts once, where it went.
  for (const SentFile& f : files) {
    const bool somewhere = std::any_of(f.copies.begin(), f.copies.end(), [](const FileCopy& c) {
      return c.state == SendState::Present || c.state == SendState::Sent;
    });
    for (const FileCopy& c : f.copies) {
      if (c.state == SendState::Failed || c.state == SendState::Planned ||
          c.state == SendState::Running || (c.state == SendState::Refused && !somewhere))
        return false;
    }
  }
  return true;
}

std::vector<SentRow> SentRows(const SendOutcome& outcome) {
  std::vector<SentRow> rows;
  for (size_t h = 0; h < outcome.hosts.size(); ++h) {
    for (const SentFile& file : outcome.files) {
      for (const FileCopy& copy : file.copies)
        if (copy.host == h && (copy.state == SendState::Present || copy.state == SendState::Sent))
          rows.push_back({outcome.hosts[h].url, file.planned.name});
    }
  }
  return rows;
}

FileState SentFileState(const SentFile& file) {
  bool failed = false, refused = false, sent = false, present = false;
  for (const FileCopy& c : file.copies) {
    failed = failed || c.state == SendState::Failed;
    refused = refused || c.state == SendState::Refused;
    sent = sent || c.state == SendState::Sent;
    present = present || c.state == SendState::Present;
  }
  // A refused copy that went to another host is no loss of the file.
  if (failed) return FileState::NotSent;
  if (refused && !sent && !present) return FileState::Refused;
  if (sent) return FileState::Sent;
  if (present) return FileState::OnHost;
  return FileState::Listed;
}

SendOutcome RunSend(const SendRequest& request, const PendantProvider& pendants,
                    OperationEvents& events) {
  SendOutcome outcome;
  bool ran = false;
  OperationResult result =
      RunOperation(events, OperationKind::Send, OperationFailure{msg::kSendFailedClosing},
                   [&](OperationEvents& guarded) {
                     SetSend send(request, pendants, guarded);
                     outcome = send.Run();
                     ran = true;
                   });
  outcome.failed = !ran;
  outcome.result = std::move(result);
  return outcome;
}

}  // namespace kivora::net
