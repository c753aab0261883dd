#include "JoinDriver.h"

#include <algorithm>

#include "CodePage.h"
#include "Crc32.h"
#include "CryptXor.h"
#include "FileIo.h"
#include "Format.h"
#include "KivoraError.h"
#include "LoadedDefinition.h"
#include "Messages.h"
#include "PartScan.h"
#include "SaveFolder.h"

namespace kivora {
namespace {

// Appends the parts' payloads to the joined file.
class JoinWriter {
 public:
  JoinWriter(const KvrDefinition& def, File& out, std::string passwordBig5, Ui& ui)
      : def_(def), out_(out), password_(std::move(passwordBig5)), ui_(ui) {}

  JoinPartResult JoinPart(int index, const std::filesystem::path& path);
  // Length of the joined data so far.
  std::int64_t Length() const { return position_; }

 private:
  void WriteAt(std::int64_t offset, std::span<const std::uint8_t> bytes) {
    if (offset != filePosition_) WithMessage(msg::kWriteJoinedFailed243, [&] { out_.Seek(offset); });
    WithMessage(msg::kWriteJoinedFailed243, [&] { out_.Write(bytes); });
    filePosition_ = offset + static_cast<std::int64_t>(bytes.size());
  }

  const KvrDefinition& def_;
  File& out_;
  std::string password_;
  Ui& ui_;
  std::vector<std::uint8_t> buffer_;
  std::int64_t position_ = 0;      // where the next part's data goes
  std::int64_t filePosition_ = 0;  // where the file is positioned
};

JoinPartResult JoinWriter::JoinPart(int index, const std::filesystem::path& path) {
  const TKvrFileData& rec = def_.parts.at(static_cast<size_t>(index));
  const bool disguised = def_.header.Disguised;
  const bool generator = def_.header.CipherKind == kGeneratorCipher;
  const std::int64_t n = rec.Size;
  const std::int64_t base = position_;

  // Older sets exchange the halves of parts 0 and 1: D[0..s) goes behind D[s..n).
  const bool exchange = generator && (index == 0 || index == 1) && n > 0;
  const std::int64_t split = index == 0 ? n / 2 : n - n / 2;

  std::optional<BlockScrambler> block;
  std::optional<GeneratorScrambler> gen;
  std::uint32_t generatorCrc = 0;
  if (disguised) {
    const std::string key = password_.empty() ? ToBig5OrThrow(rec.FileName, "分割檔名") : password_;
    if (generator) {
      gen.emplace(key, n);
    } else {
      block.emplace(key, static_cast<std::uint64_t>(std::max<std::int64_t>(n, 0)));
    }
  }

  const PartSink sink = [&](std::int64_t offset, std::span<std::uint8_t> bytes) {
    if (offset < n) {
      if (block) block->Apply(bytes);
      if (gen) {
        gen->Apply(bytes);
        generatorCrc = Crc32Update(generatorCrc, bytes);
      }
    }
    if (!exchange) {
      WriteAt(base + offset, bytes);
      return;
    }
    const auto before = static_cast<size_t>(std::clamp<std::int64_t>(split - offset, 0, static_cast<std::int64_t>(bytes.size())));
    if (before > 0) WriteAt(base + (n - split) + offset, bytes.first(before));
    if (before < bytes.size()) WriteAt(base + offset + static_cast<std::int64_t>(before) - split, bytes.subspan(before));
  };
  const PartScan scan = ScanPart(path, disguised ? rec.PendantSize : 0, n, buffer_, sink,
                                 !disguised && !exchange);
  const PartTestResult t = Verdict(scan, rec, disguised, def_.implanted);

  if (t == PartTestResult::Missing) {
    const Answer a = ui_.Ask(Format(msg::kMissingPartQuestion, path.string().c_str()));
    return a == Answer::Yes ? JoinPartResult::MissingSkip : JoinPartResult::MissingStop;
  }
  JoinPartResult result = JoinPartResult::Joined;
  if (t == PartTestResult::Corrupt) {
    if (ui_.Ask(Format(msg::kCorruptPartQuestion, path.string().c_str())) != Answer::Yes) {
      return JoinPartResult::CorruptStop;
    }
    result = JoinPartResult::CorruptJoined;
  }

  if (disguised) {
    if (scan.payloadBytes < n || n < 0) {
      throw KivoraError(msg::kReadPartFailed242, path.string() + "：檔案比合併定義檔所記錄的短。");
    }
    const std::uint32_t plainCrc =
        block ? scan.payloadCrc ^ block->KeystreamCrc(static_cast<std::uint64_t>(n)) ^
                    Crc32OfZeros(static_cast<std::uint64_t>(n))
              : generatorCrc;
    if (plainCrc != rec.Crc) {
      if (!password_.empty()) return JoinPartResult::WrongPassword;
      if (result != JoinPartResult::CorruptJoined) {
        ui_.ShowError(msg::kDecodeFailed292);
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
  if (base + kept < filePosition_) {
    WithMessage(msg::kWriteJoinedFailed243, [&] { out_.Truncate(base + kept); });
    filePosition_ = base + kept;
  }
  position_ = base + kept;
  return result;
}

// Whether a file of that name is there; (241) when that cannot be told, for a name
// too long, a folder that may not be searched or a loop of links.
bool OutputExists(const std::filesystem::path& joined) {
  std::error_code ec;
  const bool there = std::filesystem::exists(joined, ec);
  if (ec) {
    throw KivoraError(msg::kCreateJoinedFailed241,
                      DescribeIoError(joined, "無法建立檔案", ec.value()));
  }
  return there;
}

struct RowState {
  std::string_view text;
  StateImage image;
};

RowState RowFor(JoinPartResult r) {
  switch (r) {
    case JoinPartResult::MissingStop:
    case JoinPartResult::MissingSkip:
      return {msg::kStateMissing, StateImage::Failed};
    case JoinPartResult::CorruptStop:
    case JoinPartResult::CorruptJoined:
      return {msg::kStateCorrupt, StateImage::Failed};
    default:
      return {msg::kStateJoined, StateImage::Done};
  }
}


}  // namespace

bool RunJoin(KvrDefinition& loaded, const JoinRequest& request, const PendantProvider& pendants,
             Ui& ui, JoinOutcome* outcome) {
  JoinOutcome local;
  JoinOutcome& out = outcome ? *outcome : local;
  out = JoinOutcome{};
  try {
    if (!RefreshIfChanged(request.definitionPath, pendants, ui, loaded)) return false;
    const KvrDefinition& def = loaded;
    const int cipher = def.header.CipherKind;
    if (cipher != kBlockCipher && cipher != kGeneratorCipher) {
      ui.ShowError(Format(msg::kUnknownCipher293, cipher));
      return false;
    }

    std::filesystem::path folder = request.definitionPath.parent_path();
    if (request.outputFolder) {
      const SaveFolderCheck check = EnsureSaveFolder(*request.outputFolder, ui);
      if (!check.ok) return false;
      out.folderCreated = check.created;
      folder = *request.outputFolder;
    }
    std::filesystem::path joined = request.outputFile ? *request.outputFile : folder / def.header.SourceName;
    if (OutputExists(joined)) {
      const Answer a = ui.Ask(msg::kOutputExistsQuestion, true);
      if (a == Answer::Cancel) return false;
      if (a == Answer::Yes) {
        const auto chosen = ui.AskSaveFileName(joined.parent_path(), def.header.SourceName);
        if (!chosen) return false;
        joined = *chosen;
      }
    }
    const auto password = PasswordFor(def, request.password, ui);
    if (!password) return false;
    const std::string passwordBig5 = ToBig5OrThrow(*password, "密碼");
    out.output = joined;

    ui.WorkStarted();
    ui.ClearStateRows();
    const bool existedBefore = OutputExists(joined);
    std::optional<AtomicFile> file;
    WithMessage(msg::kCreateJoinedFailed241, [&] { file.emplace(joined); });
    JoinWriter writer(def, file->Stream(), passwordBig5, ui);

    const int count = def.header.PartCount;
    if (cipher == kGeneratorCipher && count > 0) {
      ui.AddStateRow(def.parts[0].FileName, msg::kStateKeptBack, StateImage::Fixable);
    }
    bool stopped = false;  // ended on a missing or corrupt part
    bool aborted = false;
    bool userChose = false;  // a missing part skipped or a corrupt one joined at the user's word
    for (int i = 1; i <= count; ++i) {
      if (ui.AbortRequested()) {
        aborted = true;
        break;
      }
      const int index = cipher != kGeneratorCipher ? i - 1 : (i == count ? 0 : i);
      const TKvrFileData& rec = def.parts[static_cast<size_t>(index)];
      const JoinPartResult r = writer.JoinPart(index, request.definitionPath.parent_path() / rec.FileName);
      if (r == JoinPartResult::WrongPassword) {
        ui.ShowError(msg::kWrongPassword231);
        ui.ClearStateRows();
        return false;  // the temporary file goes with `file`
      }
      userChose =
          userChose || r == JoinPartResult::MissingSkip || r == JoinPartResult::CorruptJoined;
      const RowState state = RowFor(r);
      int row = 0;
      if (cipher == kGeneratorCipher && index == 0) {
        ui.SetStateRow(0, state.text, state.image);
      } else {
        row = ui.AddStateRow(rec.FileName, state.text, state.image);
      }
      ui.ScrollToRow(row);
      ui.SetStatus(1, Format(msg::kJoinProgress, i, count));
      ui.SetProgress(i, count);
      ui.Pump(std::chrono::milliseconds(50));
      if (r == JoinPartResult::MissingStop || r == JoinPartResult::CorruptStop) {
        stopped = true;
        break;
      }
    }

    // Parts that all matched their records but do not add up to the source's size
    // cannot have rebuilt it: that is a failure, unless the user chose a gap or a
    // damaged part.
    if (!stopped && !aborted && !userChose && writer.Length() != def.header.SourceSize) {
      ui.ShowError(msg::kJoinedSizeWrong244, joined.string() + "：" +
                                                 std::to_string(writer.Length()) + " / " +
                                                 std::to_string(def.header.SourceSize));
      stopped = true;
    }
    // A stopped join leaves nothing; an aborted one keeps what it wrote unless that
    // would replace a file that was there before.
    const bool keep = !stopped && (!aborted || !existedBefore);
    if (keep) WithMessage(msg::kWriteJoinedFailed243, [&] { file->Commit(); });
    out.completed = !stopped && !aborted;
    ReportEnd(ui, out.completed, msg::kJoinCompleted, msg::kJoinInterrupted);
    ui.SortStateRows();
    return out.completed;
  } catch (const KivoraError& e) {
    ui.ShowError(e.what(), e.Detail());
  } catch (const std::bad_alloc&) {
    ui.ShowError(msg::kOutOfMemory222);
  }
  return false;
}

}  // namespace kivora
