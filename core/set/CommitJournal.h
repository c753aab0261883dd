#pragma once
// The journal of a set's commit (core/set/SetCommit.h), as bytes. Little-endian:
//   char[8] "KvCommit", u32 version 1, u32 rename count R, u32 removal count M,
//   R renames: u8 flags (bit 0: the CRC-32 is known), u64 size, u32 CRC-32 (0 when not
//              known), u16 length and the bytes of the hidden name, the same of the target
//   M removals: u16 length and the bytes of the name
//   u32 CRC-32 of every byte before it.
// A journal is hostile input: counts are bounded by the bytes that follow before
// anything is allocated, and every name must be a plain name in the folder.

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
  std::vector<CommitRename> renames;  // in the order they run
  std::vector<std::string> removals;  // run after every rename
  std::vector<SetMembers> members;    // the sets whose names it may touch
  bool operator==(const CommitJournal&) const = default;
};

// Journals larger than this are refused unread; a set's largest fits many times.
inline constexpr std::uint64_t kMaxCommitJournalBytes = 64ull << 20;

std::vector<std::uint8_t> EncodeCommitJournal(const CommitJournal& journal);
// The journal, or nothing when the bytes are not a whole, intact journal of this version.
std::optional<CommitJournal> DecodeCommitJournal(std::span<const std::uint8_t> bytes);

// True when the journal can only touch files of set `setName`'s commit: every hidden
// name is one of the set's (IsHiddenNameOf), no target is, no name appears twice or is
// the journal's own, and nothing renamed is removed.
bool JournalFitsSet(const CommitJournal& journal, std::string_view setName);

}  // namespace kivora
