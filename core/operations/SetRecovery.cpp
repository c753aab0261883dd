#include "core/operations/SetRecovery.h"

#include <algorithm>

#include "core/KivoraError.h"
#include "core/format/StoredDefinition.h"
#include "core/io/Crc32.h"
#include "core/io/File.h"
#include "core/recovery/RecoveryScan.h"
#include "core/text/Messages.h"

namespace kivora {

bool FeedPartFile(RecoveryWriter& writer, const PartRecord& record, bool disguised, int index,
                  const std::filesystem::path& path, IoBuffer& buffer, const StopCheck& stop) {
  File file = WithMessage(msg::kReadPartFailed242, [&] { return File::OpenRead(path); });
  if (index == 0 && disguised) {
    const std::int64_t size = WithMessage(msg::kReadPartFailed242, [&] { return file.Size(); });
    std::vector<std::uint8_t> pendant(
        static_cast<size_t>(std::clamp<std::int64_t>(record.PendantSize, 0, size)));
    WithMessage(msg::kReadPartFailed242, [&] { file.ReadExact(pendant); });
    writer.SetPendant(pendant);
    writer.Append(index, pendant);
  }
  for (;;) {
    if (StopRequested(stop)) return false;
    const size_t n = WithMessage(msg::kReadPartFailed242, [&] { return file.Read(buffer); });
    if (n == 0) break;
    writer.Append(index, std::span(buffer).first(n));
  }
  writer.PartDone(index);
  return true;
}

RecoverySetInfo RecoverySetInfoOf(const SetNames& names, int recoveryCount,
                                  const DefinitionHeader& header, bool implanted, int partCount) {
  RecoverySetInfo set;
  set.folder = names.Folder();
  set.setName = names.LockName();
  set.naming = names.Recovery(recoveryCount);
  set.sourceName = header.SourceName;
  set.sourceSize = static_cast<std::uint64_t>(header.SourceSize);
  set.implanted = implanted;
  set.disguised = header.Disguised;
  set.definitionName = names.StoredDefinitionName(implanted, partCount);
  return set;
}

void ReportRecoveryFiles(OperationEvents& events, const std::vector<WrittenRecoveryFile>& files) {
  for (size_t j = 0; j < files.size(); ++j) {
    events.SetFileState(FileRole::Recovery(static_cast<int>(j)), files[j].path.filename().string(),
                        FileState::Recovery);
  }
}

std::optional<RecoveryAmount> AmountOfPlan(int partCount, int groupCount, int perGroup) {
  const auto plans = [&](const RecoveryAmount& amount) {
    const RecoveryPlan plan = PlanRecovery(partCount, amount);
    return plan.perGroup == perGroup && static_cast<int>(plan.groups.size()) == groupCount;
  };
  if (perGroup < 1 || perGroup > kMaxRecoveryPerGroup) return std::nullopt;
  if (plans({perGroup, 0})) return RecoveryAmount{perGroup, 0};
  for (int percent = 1; percent <= 100; ++percent) {
    if (plans({0, percent})) return RecoveryAmount{0, percent};
  }
  return std::nullopt;
}

std::optional<RecoveryAmount> ParseRecoveryAmount(std::string_view text) {
  const bool share = !text.empty() && text.back() == '%';
  const std::string_view digits = share ? text.substr(0, text.size() - 1) : text;
  if (digits.empty() || digits.size() > 3 ||
      digits.find_first_not_of("0123456789") != std::string_view::npos) {
    return std::nullopt;
  }
  const int value = std::stoi(std::string(digits));
  if (share ? value > 100 : value > kMaxRecoveryPerGroup) return std::nullopt;
  return share ? RecoveryAmount{0, value} : RecoveryAmount{value, 0};
}

std::string AmountText(const RecoveryAmount& amount) {
  return amount.count > 0 ? std::to_string(amount.count) : std::to_string(amount.percent) + "%";
}

MessageText AddRecoveryHint(const std::filesystem::path& definitionPath, int partCount,
                            int groupCount, int perGroup) {
  const std::optional<RecoveryAmount> amount = AmountOfPlan(partCount, groupCount, perGroup);
  return msg::kAddRecoveryHint(definitionPath.string(), amount ? AmountText(*amount) : "N");
}

std::optional<MessageText> RecoveryShortfall(const KvrDefinition& definition,
                                             const std::filesystem::path& definitionPath) {
  const std::vector<WrittenRecoveryFile> listed = ListRecoveryParts(definitionPath, definition);
  if (listed.empty()) return std::nullopt;
  const std::uint32_t storedCrc = StreamCrc32(WithMessage(
      msg::kReadPartFailed242, [&] { return ReadStoredDefinition(definitionPath).bytes; }));
  std::optional<RecoveryHeader> plan;
  int matching = 0;
  for (const WrittenRecoveryFile& f : listed) {
    const std::optional<RecoveryFileInfo> info = ReadRecoveryInfo(f.path);
    if (!info) continue;
    const bool matches = info->header.definitionCrc == storedCrc;
    if (matches) ++matching;
    if (!plan || matches) plan = info->header;
  }
  if (!plan) return std::nullopt;
  const int planned = static_cast<int>(plan->groupCount) * plan->perGroup;
  if (matching >= planned) return std::nullopt;
  return msg::kLineThenLine(
      msg::kRecoveryPartsShort(planned, matching),
      AddRecoveryHint(definitionPath, static_cast<int>(definition.parts.size()),
                      static_cast<int>(plan->groupCount), plan->perGroup));
}

}  // namespace kivora
