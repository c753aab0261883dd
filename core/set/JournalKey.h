#pragma once
// The key that proves a commit journal (core/set/CommitJournal.h) was written by this
// program for this user: 32 random bytes in "$XDG_STATE_HOME/kivora/commit.key"
// (~/.local/state without XDG_STATE_HOME). It is made on first use, mode 0600, under a
// temporary name and linked to its own, so that two programs starting at once agree on
// one key. A key file that is not a regular file of this user's that only the user may
// read and write is refused: another user could then forge journals.

#include <array>
#include <cstdint>
#include <filesystem>
#include <span>

namespace kivora {

class JournalKey {
 public:
  static constexpr size_t kBytes = 32;

  // The user's key, made when there is none. Throws KivoraError naming the file when it
  // cannot be made or read, or is refused.
  static JournalKey OfUser();
  // The key at `path`, made there when there is none (the folder must exist).
  static JournalKey At(const std::filesystem::path& path);

  std::span<const std::uint8_t, kBytes> Bytes() const { return bytes_; }

 private:
  std::array<std::uint8_t, kBytes> bytes_{};
};

// Where the user's key lives.
std::filesystem::path JournalKeyPath();

}  // namespace kivora
