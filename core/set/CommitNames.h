#pragma once
// The hidden names of a set's commit (core/set/SetCommit.h): every one starts with "." and
// the set's tag, so a later operation on the set finds what a killed one left behind.
//   .TAG.kvnew.TARGET   a new file that will take the name TARGET
//   .TAG.kvcommit       the journal of a commit under way
//   .TAG.kvcommit.new   the journal while it is written
// A file written alone (AtomicFile) waits under TemporaryNameFor (core/io/EntryNames.h).
// TAG is the set's name, or, for a name longer than 200 bytes, "~" and the 16 hex
// digits of its 64-bit FNV-1a hash. A hidden name longer than 255 bytes, or a TARGET
// that holds ".kvnew.", takes "~" and the hash of TARGET in place of TARGET.

#include <string>
#include <string_view>

#include "core/io/EntryNames.h"

namespace kivora {

std::string SetFileTag(std::string_view setName);
std::string HiddenNameFor(std::string_view setName, std::string_view target);
std::string CommitJournalName(std::string_view setName);
std::string CommitJournalTempName(std::string_view setName);
// ".TAG.kvnew.", which every HiddenNameFor(setName, ...) starts with.
std::string HiddenNamePrefix(std::string_view setName);
// True for a new file of this set: HiddenNamePrefix and a rest without ".kvnew.", so a
// set whose name holds ".kvnew." keeps its own hidden files from another set's sweep.
bool IsHiddenNameOf(std::string_view setName, std::string_view name);

}  // namespace kivora
