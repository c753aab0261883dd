#pragma once
// The journal of a set's commit (core/set/SetCommit.h), as bytes. Little-endian:
//   char[8] "KvCommit", u32 version 2, u32 rename count R, u32 removal count M,
//   u32 member set count S,
//   R renames: u8 flags (bit 0: the CRC-32 is known), u64 size, u32 CRC-32 (0 when not
//              known), u16 length and the bytes of the hidden name, the same of the target
//   M removals: u16 length and the bytes of the name
//   u32 C and C names created: files a writer makes directly under names that were free
//              when it began; a journal that lists any is that writer's intent, not a
//              commit, and its recovery removes them
//   S member sets (SetMembers): the definition's name, u32 part count P and P names,
//              u32 recovery part count Q and Q names, each name as above
//   u8[32] keyed BLAKE2b-256 (crypto_generichash) of every byte before it, keyed by the
//          user's JournalKey (core/set/JournalKey.h).
// A journal is hostile input: it is obeyed only when the user's key proves it and every
// name it touches is one of its member sets', which name the set (JournalFitsSet). Counts
// are bounded by the bytes that follow before anything is allocated, and every name must
// be a plain name in the folder.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kivora {

struct CommitRename {
  std::string hidden;  // a name in the set's folder
  std::string target;
  std::uint64_t size = 0;  // the hidden file's length
  std::optional<std::uint32_t> crc;
  bool operator==(const CommitRename&) const = default;
};

// The names of one set as a commit sees them, the set before the commit or after it: its
// definition file's, its parts' and its recovery parts'. A commit touches only these.
struct SetMembers {
  std::string definition;
  std::vector<std::string> parts;
  std::vector<std::string> recovery;
  bool operator==(const SetMembers&) const = default;
};

struct CommitJournal {
  std::vector<CommitRename> renames;      // in the order they run
  std::vector<std::string> removals;      // run after every rename
  std::vector<SetMembers> members;        // the sets whose names it may touch
  std::vector<std::string> created = {};  // an intent's new files under free names
  bool operator==(const CommitJournal&) const = default;
};

// Journals larger than this are refused unread; a set's largest fits many times.
inline constexpr std::uint64_t kMaxCommitJournalBytes = 64ull << 20;

using JournalKeyBytes = std::span<const std::uint8_t, 32>;

std::vector<std::uint8_t> EncodeCommitJournal(const CommitJournal& journal, JournalKeyBytes key);
// The journal, or nothing when the bytes are not a whole journal of this version that
// `key` proves.
std::optional<CommitJournal> DecodeCommitJournal(std::span<const std::uint8_t> bytes,
                                                 JournalKeyBytes key);

// True when the journal can only touch files of set `setName`'s commit: every hidden
// name is one of the set's (IsHiddenNameOf), no target is, no name appears twice or is
// the journal's own, nothing renamed is removed, every member set names the set
// (MembersNameSet, core/set/SetMembers.h), and every target and removal is a name of one
// of them.
bool JournalFitsSet(const CommitJournal& journal, std::string_view setName);

}  // namespace kivora
