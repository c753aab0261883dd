#pragma once
// Replacing files of a set so that a kill at any instant leaves the old set whole or the
// new set whole. The writers go through SetTransaction (core/set/SetTransaction.h): the
// caller holds the set's lock (which has called FinishInterruptedCommit), writes each new
// file under HiddenNameFor(setName, target) (core/set/CommitNames.h), and CommitSet:
//   1. syncs the hidden files and writes the journal ".TAG.kvcommit" atomically (a
//      temporary, synced, renamed, and the folder synced);
//   2. renames each hidden file over its target, in the order given, and syncs the folder;
//   3. removes the files to remove and syncs the folder;
//   4. removes the journal and syncs the folder.
// A commit killed after step 1 is finished by FinishInterruptedCommit; one killed before is
// undone.
// The definition goes last among the new files, so it takes its name after every part.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "core/io/Folder.h"
#include "core/set/CommitJournal.h"

namespace kivora {

struct NewSetFile {
  std::string target;                // the name it takes in the set's folder
  std::optional<std::uint32_t> crc;  // recorded in the journal when known
};

// How the hidden files reach the disk before the journal names them.
enum class HiddenFileSync {
  EachFile,    // fsync of each: for a few files
  FileSystem,  // one syncfs of the folder's file system: for many
  Done,        // the caller has synced them
};

// Throws KivoraError with the system's words on failure: before the journal is written
// the hidden files are removed and the old set is untouched; after, the journal stays
// for FinishInterruptedCommit. Refuses targets and removals that are not regular files or
// symbolic links, names that are not plain names, and names that are none of `members`'.
void CommitSet(const Folder& folder, std::string_view setName, std::span<const NewSetFile> files,
               std::span<const std::string> removals, std::span<const SetMembers> members,
               HiddenFileSync sync);

// Before a writer makes new files directly under names that are free now (`created`),
// the journal of its intent: a kill before its commit (whose journal takes the intent's
// place) leaves the intent, and recovery removes those files. Throws KivoraError as
// CommitSet does.
void BeginCreating(const Folder& folder, std::string_view setName,
                   std::span<const std::string> created, std::span<const SetMembers> members);
// The files created stay as they are: the intent is removed.
void KeepCreated(const Folder& folder, std::string_view setName);

// The commit a killed operation left in `folder` for set `setName`, when its journal is
// one that FinishInterruptedCommit obeys; reads only. Empty optional when there is none.
std::optional<CommitJournal> PendingCommit(const Folder& folder, std::string_view setName);

// What became of a commit that a killed operation left.
struct InterruptedCommit {
  enum class Outcome {
    NoJournal,      // no commit was under way
    RolledForward,  // a commit whose new files were all complete was finished
    RolledBack,     // a commit with a new file missing or short was undone: the old
                    // set stays
  };
  Outcome outcome = Outcome::NoJournal;
  size_t renamed = 0;    // files that took their names while rolling forward
  size_t removed = 0;    // files removed while rolling forward
  size_t leftovers = 0;  // hidden files of the set removed (rolled back or left by a kill)
};

// Finishes or undoes a commit of set `setName` that a killed operation left, then
// removes every hidden file of the set. Called right after taking the set's lock, so
// that no running operation owns those files. Throws KivoraError when the folder
// cannot be read or changed, and, leaving every file as it is, when the journal is not
// one that the user's key proves and that fits the set (JournalFitsSet).
InterruptedCommit FinishInterruptedCommit(const Folder& folder, std::string_view setName);

}  // namespace kivora
