#pragma once
// Joining a set back into its source file.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "core/OperationEvents.h"
#include "core/PendantProvider.h"
#include "core/format/DefinitionRecords.h"
#include "core/payload/SecretText.h"

namespace kivora {

enum class JoinPartResult {
  Joined = 0,
  MissingStop = 1,    // missing, the user chose to stop
  MissingSkip = 2,    // missing, the user chose to go on
  CorruptStop = 3,    // corrupt or not decodable: the join stops
  CorruptJoined = 4,  // corrupt, joined anyway at the user's word
  WrongPassword = 6,
  Stopped = 7,  // the user asked the join to stop during the part
};

struct JoinRequest {
  std::filesystem::path definitionPath;               // its folder holds the parts
  std::optional<std::filesystem::path> outputFolder;  // empty: the definition's folder
  std::optional<std::filesystem::path> outputFile;    // instead of folder + source name
  std::optional<SecretText> password;  // a protected set asks for it when none is given
  // Refuse any set that is not encrypted with an authenticated definition, before
  // anything is written.
  bool requireEncryption = false;
  // Instead of a file, the joined bytes go to a descriptor the caller keeps (a pipe):
  // each part only once it proved sound, since nothing written there can be taken back.
  // No output name is chosen or asked about; a failed join leaves what went before.
  struct Stream {
    int descriptor = -1;
    std::filesystem::path name;  // stands for the descriptor in messages
  };
  std::optional<Stream> outputStream = std::nullopt;
  // The definition as the caller read it from definitionPath (LoadDefinition); read again
  // when its file changed since.
  KvrDefinition loaded = {};
};

struct JoinOutcome : OperationResult {
  bool completed = false;
  // The definition the join worked on: the request's, or the one read again.
  KvrDefinition definition;
  std::filesystem::path output;
  bool folderCreated = false;  // EnsureSaveFolder made the output folder
  // The part the join was at when it ended before joining it (missing, corrupt,
  // unreadable, not written, or an abort); empty otherwise.
  std::string stoppedAt;
  // Parts the user chose to leave out (missing) or to join as they are (corrupt): an
  // output kept with any of them is not the source.
  int skipped = 0;
  int forced = 0;
  bool Incomplete() const { return skipped > 0 || forced > 0; }

  // Joining to a descriptor: the bytes it took, and where each part delivered to it ends
  // in the joined data, in the order delivered.
  struct Delivered {
    std::int64_t end = 0;
    int part = 0;
  };
  std::int64_t streamed = 0;
  std::vector<Delivered> delivered;
  // The part whose bytes the descriptor took only in part, if any.
  std::optional<int> PartCutShort() const;
};

// The whole join as the join button runs it: re-reads a changed definition, picks the
// output (asking when it exists), asks for the password of a protected set, joins every
// part in the order of the set's cipher kind with its questions and file states, and
// reports completion, interruption or failure. The joined file is written under a temporary
// name and takes its own only when the join completes, so a failed join never destroys a
// file that had that name, and an aborted or failed one leaves no file under it. Only a regular
// file or a symbolic link is replaced: an output name taken by a folder, a device or a FIFO is
// refused before anything is written. With request.outputStream the bytes go to a descriptor
// instead, part by part once each proved sound, and no output name is chosen.
JoinOutcome RunJoin(const JoinRequest& request, const PendantProvider& pendants,
                    OperationEvents& events);

}  // namespace kivora
