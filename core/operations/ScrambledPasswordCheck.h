#pragma once
// Proving the password of a set whose parts are scrambled with it before any work: the
// compatible scrambling stores no check of its own, but a whole part beside the
// definition unscrambles to its recorded checksum with the right password only.

#include <filesystem>

#include "core/format/DefinitionRecords.h"
#include "core/format/LoadedDefinition.h"

namespace kivora {

// The check for PasswordFor of a disguised set scrambled by the block scrambler, its parts
// in `folder`: refuses a password that does not unscramble the first whole part found
// there. Passes every password where no part can tell (none whole, or another cipher).
// `definition` must outlive the check.
PasswordCheck ScrambledPasswordCheck(const KvrDefinition& definition, std::filesystem::path folder);

}  // namespace kivora
