#include "core/operations/JoinOperation.h"

#include <algorithm>
#include <utility>

#include "core/KivoraError.h"
#include "core/format/CodePage.h"
#include "core/format/LoadedDefinition.h"
#include "core/io/Crc32.h"
#include "core/io/File.h"
#include "core/io/IoBuffer.h"
#include "core/io/OutputTarget.h"
#include "core/io/SaveFolder.h"
#include "core/operations/EngineCall.h"
#include "core/operations/JoinPayload.h"
#include "core/operations/JoinTarget.h"
#include "core/operations/ScrambledPasswordCheck.h"
#include "core/operations/SetProtection.h"
#include "core/parts/PartScan.h"
#include "core/parts/SetNames.h"
#include "core/payload/SetCipher.h"
#include "core/set/SetLock.h"
#include "core/text/GroupThousands.h"
#include "core/text/Messages.h"
#include "core/threads/HelperThread.h"

namespace kivora {
namespace {

// Appends the parts' payloads to the joined data, in the target it owns. The parts are
// read and decoded on the calling thread; the target writes what came before.
class JoinWriter {
 public:
  // cipher opens the parts of an encrypted set.
  JoinWriter(const KvrDefinition& def, std::unique_ptr<JoinTarget> target, std::string passwordBig5,
             OperationEvents& events, const SetCipher* cipher)
      : def_(def),
        password_(std::move(passwordBig5)),
        events_(events),
        cipher_(cipher),
        target_(std::move(target)) {
    if (cipher_) helper_.emplace();
  }
  JoinWriter(const JoinWriter&) = delete;
  JoinWriter& operator=(const JoinWriter&) = delete;

  JoinPartResult JoinPart(int index, const std::filesystem::path& path);
  // Length of the joined data so far (whole parts only).
  std::int64_t Length() const { return position_; }
  // The part joined last is proved: the target may write it out.
  void Deliver() { target_->Deliver(position_); }
  // Waits until every part delivered is written out.
  void Flush() { target_->Flush(); }
  // Waits until everything joined is in the target, then completes it.
  void Commit() { target_->Commit(); }

 private:
  static constexpr size_t kSealedReadBytes = size_t{1024} * 1024;

  void CutTo(std::int64_t length) { target_->CutTo(length); }
  void WriteAt(std::int64_t offset, std::span<const std::uint8_t> bytes) {
    target_->WriteAt(offset, bytes);
  }

  const KvrDefinition& def_;
  std::string password_;
  OperationEvents& events_;
  const SetCipher* cipher_;
  std::optional<HelperThread> helper_;  // opens half of the chunks of a sealed part
  IoBuffer buffer_;                     // where parts are read that the target takes no reads of
  std::unique_ptr<JoinTarget> target_;
  std::int64_t position_ = 0;  // where the next part's data goes
};

JoinPartResult JoinWriter::JoinPart(int index, const std::filesystem::path& path) {
  const PartRecord& rec = def_.parts.at(static_cast<size_t>(index));
  const bool disguised = def_.header.Disguised;
  const bool generator = def_.header.CipherKind == kGeneratorCipher;
  const std::int64_t n = rec.Size;
  const std::int64_t base = position_;

  // Older sets exchange the halves of parts 0 and 1: D[0..s) goes behind D[s..n).
  const bool exchange = generator && (index == 0 || index == 1) && n > 0;
  const std::int64_t split = index == 0 ? n / 2 : n - n / 2;

  PartPayload payload =
      PayloadOfPart(def_, index, password_, cipher_, helper_ ? &*helper_ : nullptr);
  auto* const sealed = std::get_if<SealedPartPayload>(&payload);
  auto* const scrambled = std::get_if<ScrambledPayload>(&payload);

  const PartSink sink = [&](std::int64_t offset, std::span<std::uint8_t> bytes) {
    if (sealed) {
      const std::span<const std::uint8_t> plain = sealed->opener.Open(bytes, &target_->TakeBlock());
      if (!plain.empty()) WriteAt(base + sealed->opened, plain);
      sealed->opened += static_cast<std::int64_t>(plain.size());
      return;
    }
    if (scrambled && offset < n) scrambled->Apply(bytes);
    if (!exchange) {
      WriteAt(base + offset, bytes);
      return;
    }
    const auto before = static_cast<size_t>(
        std::clamp<std::int64_t>(split - offset, 0, static_cast<std::int64_t>(bytes.size())));
    if (before > 0) WriteAt(base + (n - split) + offset, bytes.first(before));
    if (before < bytes.size())
      WriteAt(base + offset + static_cast<std::int64_t>(before) - split, bytes.subspan(before));
  };
  // A plain payload in its place is the source's bytes as they are: the target places the
  // whole part by a copy in the kernel and proves it where it placed it. Otherwise, and
  // where the target takes no such copy, the part is read and handed to the target: a
  // sealed part apart from the blocks written, which take what it opens to. The bytes
  // behind a plain payload go on to the target, which cuts them off when they are not the
  // source's.
  const StopCheck stop = [this] { return events_.AbortRequested(); };
  const bool inPlace = std::holds_alternative<PlainPayload>(payload) && !exchange;
  const std::optional<PartScan> placed =
      inPlace ? target_->PlaceAndScan(path, base, n, buffer_, stop) : std::nullopt;
  const PartScan scan = placed
                            ? *placed
                            : ScanPart(path, disguised ? rec.PendantSize : 0, n, buffer_,
                                       {.sink = sink,
                                        .handsOnTail = inPlace,
                                        .stop = stop,
                                        .next = sealed ? NextBuffer() : target_->Reads(),
                                        .readBytes = sealed ? kSealedReadBytes : kScanChunkBytes});
  if (scan.stopped) {
    CutTo(base);  // what the join keeps ends with the last whole part
    return JoinPartResult::Stopped;
  }
  const PartTestResult t = Verdict(scan, rec, disguised, def_.implanted, sealed != nullptr);

  if (t == PartTestResult::Missing) {
    const Answer a =
        events_.AskYesNo(QuestionKind::MissingPart, msg::kMissingPartQuestion(path.string()), path);
    if (events_.AbortRequested()) return JoinPartResult::Stopped;  // asked while it waited
    return a == Answer::Yes ? JoinPartResult::MissingSkip : JoinPartResult::MissingStop;
  }
  // A sealed part that does not open is of no use whatever its checksums say.
  if (sealed && !sealed->opener.Authentic()) {
    events_.ShowError(msg::kPartNotAuthentic251(path.string()));
    return JoinPartResult::CorruptStop;
  }
  JoinPartResult result = JoinPartResult::Joined;
  if (t == PartTestResult::Corrupt) {
    const Answer a =
        events_.AskYesNo(QuestionKind::CorruptPart, msg::kCorruptPartQuestion(path.string()), path);
    if (events_.AbortRequested()) {
      CutTo(base);
      return JoinPartResult::Stopped;
    }
    if (a != Answer::Yes) return JoinPartResult::CorruptStop;
    result = JoinPartResult::CorruptJoined;
  }
  if (sealed) {
    position_ = base + sealed->opened;
    return result;
  }

  if (scrambled) {
    if (scan.payloadBytes < n || n < 0) {
      throw KivoraError(msg::kReadPartFailed242, msg::kPartShorterThanRecorded(path));
    }
    if (scrambled->PlainCrc(scan.payloadCrc) != rec.Crc) {
      if (!password_.empty()) return JoinPartResult::WrongPassword;
      if (result != JoinPartResult::CorruptJoined) {
        events_.ShowError(msg::kDecodeFailed292);
        return JoinPartResult::CorruptStop;
      }
    }
    position_ = base + n;
    return result;
  }

  // A plain part is written whole, then cut to its payload when the bytes behind it
  // do not belong to the source (a fixable part, or the implanted definition).
  std::int64_t kept = exchange ? std::min(scan.size, n) : scan.size;
  if (t == PartTestResult::Fixable || (t == PartTestResult::Ok && def_.implanted)) {
    kept = std::min(kept, std::max<std::int64_t>(n, 0));
  }
  CutTo(base + kept);
  position_ = base + kept;
  return result;
}

// Whether a file of that name is there, a dangling link included; (241) when that
// cannot be told, for a name too long, a folder that may not be searched or a loop of
// links. A name the join may not replace is refused (245).
bool OutputExists(const std::filesystem::path& joined) {
  const OutputKind kind = KindOfOutput(joined, msg::kCreateJoinedFailed241);
  if (kind == OutputKind::NotAFile) throw KivoraError(msg::kOutputNotAFile245, joined.string());
  return kind == OutputKind::Replaceable;
}

FileState StateOf(JoinPartResult r) {
  switch (r) {
    case JoinPartResult::MissingStop:
    case JoinPartResult::MissingSkip:
      return FileState::Missing;
    case JoinPartResult::CorruptStop:
    case JoinPartResult::CorruptJoined:
      return FileState::Corrupt;
    default:
      return FileState::Joined;
  }
}

// The join of `loaded` (read again when its file changed) into `out`, which keeps what it
// reached when an exception escapes.
bool JoinSet(KvrDefinition& loaded, const JoinRequest& request, const PendantProvider& pendants,
             OperationEvents& events, JoinOutcome& out) {
  out = JoinOutcome{};
  // What the join opens lives in this scope; a failure escapes it to the caller.
  {
    if (!RefreshIfChanged(request.definitionPath, pendants, events, loaded)) return false;
    const KvrDefinition& def = loaded;
    const int cipher = def.header.CipherKind;
    if (cipher != kBlockCipher && cipher != kGeneratorCipher &&
        !(cipher == kSealedCipher && def.header.Encryption)) {
      events.ShowError(msg::kUnknownCipher293(cipher));
      return false;
    }
    if (!MeetsEncryptionDemand(def, request.requireEncryption, events)) return false;
    // An encrypted set proves its password and definition before anything is written,
    // the output folder included.
    std::optional<SetCipher> sealed;
    if (cipher == kSealedCipher) {
      sealed = UnlockSet(def, request.password, events);
      if (!sealed) return false;
    }

    const bool toStream = request.outputStream.has_value();
    std::filesystem::path folder;  // of the joined file
    if (!toStream) {
      const auto chosenFolder = OutputFolderOf(request.definitionPath.parent_path(),
                                               request.outputFolder, events, out.folderCreated);
      if (!chosenFolder) return false;
      folder = *chosenFolder;
    }
    const MadeFolderCleanup cleanup(folder, out.folderCreated);
    // Joins share the set's lock: a split, re-split or repair of it is refused meanwhile.
    const SetLock lock(request.definitionPath.parent_path(),
                       SetNames::Of(def, request.definitionPath).LockName(), SetLock::Mode::Shared);
    std::filesystem::path joined = toStream             ? request.outputStream->name
                                   : request.outputFile ? *request.outputFile
                                                        : folder / def.header.SourceName;
    if (!toStream && OutputExists(joined)) {
      const Answer a =
          events.AskYesNo(QuestionKind::OutputExists, msg::kOutputExistsQuestion, joined);
      if (a == Answer::Cancel) return false;
      if (a == Answer::Yes) {
        const auto chosen = events.AskText(QuestionKind::SaveAsName, {},
                                           joined.parent_path() / def.header.SourceName);
        if (!chosen) return false;
        joined = *chosen;
      }
    }
    std::string passwordBig5;
    if (!sealed) {
      const auto password =
          PasswordFor(def, request.password, events,
                      ScrambledPasswordCheck(def, request.definitionPath.parent_path()));
      if (!password) return false;
      passwordBig5 = PasswordToBig5OrThrow(password->View());
    }
    out.output = joined;

    OperationWork work(events, OperationKind::Join);
    events.Report(FilesCleared{});
    std::optional<JoinWriter> writer(
        std::in_place, def,
        toStream ? JoinToDescriptor(request.outputStream->descriptor, joined, &out.streamed)
                 : JoinToFile(joined),
        passwordBig5, events, sealed ? &*sealed : nullptr);

    const int count = def.header.PartCount;
    if (cipher == kGeneratorCipher && count > 0) {
      events.SetFileState(0, def.parts[0].FileName, FileState::KeptBack);
    }
    bool stopped = false;  // ended on a missing or corrupt part
    bool aborted = false;
    bool userChose = false;  // a missing part skipped or a corrupt one joined at the user's word
    std::string writing;     // the part delivered last, which the target may still be writing
    for (int i = 1; i <= count; ++i) {
      if (events.AbortRequested()) {
        aborted = true;
        break;
      }
      const int index = cipher != kGeneratorCipher ? i - 1 : (i == count ? 0 : i);
      const PartRecord& rec = def.parts[static_cast<size_t>(index)];
      out.stoppedAt = rec.FileName;  // until its bytes are joined: a failure may escape
      const JoinPartResult r =
          writer->JoinPart(index, request.definitionPath.parent_path() / rec.FileName);
      if (r == JoinPartResult::Stopped) {
        aborted = true;
        break;
      }
      if (r == JoinPartResult::WrongPassword) {
        events.ShowError(msg::kWrongPassword231);  // the parts stay listed
        return false;
      }
      out.skipped += r == JoinPartResult::MissingSkip ? 1 : 0;
      out.forced += r == JoinPartResult::CorruptJoined ? 1 : 0;
      userChose = out.Incomplete();
      const bool stops = r == JoinPartResult::MissingStop || r == JoinPartResult::CorruptStop;
      if (!stops) {
        if (!writing.empty()) out.stoppedAt = writing;  // a failed write is of that part
        writer->Deliver();
        if (toStream) out.delivered.push_back({writer->Length(), index});
        writing = rec.FileName;
        out.stoppedAt.clear();
      }
      events.SetFileState(index, rec.FileName, StateOf(r));
      events.Report(
          Progress{OperationKind::Join, i, count, writer->Length(), def.header.SourceSize});
      if (stops) {
        stopped = true;
        break;
      }
    }

    if (!writing.empty()) {
      const std::string stoppedAt = std::exchange(out.stoppedAt, writing);
      writer->Flush();
      out.stoppedAt = stoppedAt;
    }

    // Parts that all matched their records but do not add up to the source's size
    // cannot have rebuilt it: that is a failure, unless the user chose a gap or a
    // damaged part.
    if (!stopped && !aborted && !userChose && writer->Length() != def.header.SourceSize) {
      events.ShowError(msg::kJoinedSizeWrong244,
                       msg::kJoinedSizes(joined, GroupThousands(writer->Length()),
                                         GroupThousands(def.header.SourceSize).c_str()));
      stopped = true;
    }
    // A stopped or aborted join leaves nothing under the output's name: bytes there would
    // pass for the joined file.
    if (!stopped && !aborted) writer->Commit();
    out.completed = !stopped && !aborted;
    if (out.completed && out.Incomplete())
      return work.EndIncomplete(msg::kJoinIncomplete(out.skipped, out.forced));
    return work.End(out.completed, msg::kJoinCompleted, msg::kJoinInterrupted);
  }
}

}  // namespace

JoinOutcome RunJoin(const JoinRequest& request, const PendantProvider& pendants,
                    OperationEvents& events) {
  JoinOutcome outcome;
  KvrDefinition loaded = request.loaded;
  OperationResult run = RunOperation(
      events, OperationKind::Join, JoinFailure(),
      [&](OperationEvents& guarded) { JoinSet(loaded, request, pendants, guarded, outcome); });
  static_cast<OperationResult&>(outcome) = std::move(run);
  outcome.definition = std::move(loaded);
  return outcome;
}

std::optional<int> JoinOutcome::PartCutShort() const {
  std::int64_t start = 0;
  for (const Delivered& d : delivered) {
    if (streamed < d.end) return streamed > start ? std::optional(d.part) : std::nullopt;
    start = d.end;
  }
  return std::nullopt;
}

}  // namespace kivora
