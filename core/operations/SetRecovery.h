#pragma once
// What the operations share about a set's recovery parts: what every recovery part says
// about the set (named by SetNames), the definition bytes they copy, and
// how the user is told to make them again when some are missing.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/OperationEvents.h"
#include "core/format/DefinitionRecords.h"
#include "core/format/RecoveryFormat.h"
#include "core/io/IoBuffer.h"
#include "core/parts/SetNames.h"
#include "core/recovery/RecoveryWriter.h"
#include "core/threads/StopCheck.h"

namespace kivora {

// What the `recoveryCount` recovery parts of the set of `names` with this header and
// `partCount` parts say about it; they name the definition file, or the last part when
// the definition is implanted.
RecoverySetInfo RecoverySetInfoOf(const SetNames& names, int recoveryCount,
                                  const DefinitionHeader& header, bool implanted, int partCount);

// Hands the bytes of part `index` (of `record`) to the writer as they lie on disk at
// `path`; false when `stop` ended it. A disguised set's first part gives the picture of
// every recovery part. Throws KivoraError (242) when the part cannot be read.
bool FeedPartFile(RecoveryWriter& writer, const PartRecord& record, bool disguised, int index,
                  const std::filesystem::path& path, IoBuffer& buffer, const StopCheck& stop);

// The rows of the recovery parts a writer completed.
void ReportRecoveryFiles(OperationEvents& events, const std::vector<WrittenRecoveryFile>& files);

// The amount that plans exactly `groupCount` groups of `perGroup` recovery parts for
// `partCount` parts: the count, or else the smallest share that does. Empty optional
// when none does.
std::optional<RecoveryAmount> AmountOfPlan(int partCount, int groupCount, int perGroup);

// An amount as the user types it: "R" recovery parts per group (0 to 254), or "P%" of a
// group's parts (0 to 100); empty optional when the text is neither.
std::optional<RecoveryAmount> ParseRecoveryAmount(std::string_view text);

// The amount as the command line takes it: "3" or "10%".
std::string AmountText(const RecoveryAmount& amount);

// The line that tells the user how to make the recovery parts of a set again, naming
// the amount when the plan gives one.
MessageText AddRecoveryHint(const std::filesystem::path& definitionPath, int partCount,
                            int groupCount, int perGroup);

// After the parts of a set were rebuilt: when the set has recovery parts but fewer than
// its plan calls for are there and copy its definition as stored, what to tell the
// user (with AddRecoveryHint). Reads only the recovery parts' headers and the definition.
std::optional<MessageText> RecoveryShortfall(const KvrDefinition& definition,
                                             const std::filesystem::path& definitionPath);

}  // namespace kivora
