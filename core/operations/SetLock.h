#pragma once
// Keeps two operations from writing one set at once. The lock is a hidden file beside
// the set, ".NAME.kvlock", held with flock while the operation runs and removed by its
// last holder. An operation that writes the set holds it alone; joins, which only read
// the set, share it. A folder where no lock file can be made (read-only media) is not
// locked: nothing can write a set there either.

#include <filesystem>
#include <string>
#include <string_view>

#include "core/format/DefinitionRecords.h"

namespace kivora {

class SetLock {
 public:
  enum class Mode { Exclusive, Shared };

  // Takes the lock of set `setName` in `folder`; throws KivoraError (163) at once when
  // another operation holds it in a way that excludes this one.
  SetLock(const std::filesystem::path& folder, std::string_view setName, Mode mode);
  ~SetLock();
  SetLock(SetLock&& other) noexcept;
  SetLock& operator=(SetLock&&) = delete;
  SetLock(const SetLock&) = delete;

 private:
  int fd_ = -1;
  std::filesystem::path path_;
};

// The name a set is locked by, from the name of its first part and its part count:
// the part name without its extension, its number and a "_" before the number
// ("movie_00.png" of 12 parts gives "movie"), so that every way of naming the set's
// definition (BASE.kvr, BASE_kvr.EXT, implanted) finds the same lock.
std::string SetNameOfParts(std::string_view firstPartName, int partCount);
// The same for a set read from `definitionPath`; a set of no parts goes by the name of
// its definition file.
std::string SetNameOf(const KvrDefinition& definition, const std::filesystem::path& definitionPath);

}  // namespace kivora
