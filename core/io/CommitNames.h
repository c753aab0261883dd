#pragma once
// The hidden names of a set's commit (core/io/SetCommit.h): every one starts with "." and
// the set's tag, so a later operation on the set finds what a killed one left behind.
//   .TAG.kvnew.TARGET   a new file that will take the name TARGET
//   .TAG.kvcommit       the journal of a commit under way
//   .TAG.kvcommit.new   the journal while it is written
// A file written alone (AtomicFile) where it cannot be written without a name, or while it
// waits to replace its target, is ".TARGET.kvtmp" (".~HASH.kvtmp" for a long TARGET):
// the next write of that target replaces what a killed one left.
// TAG is the set's name, or, for a name longer than 200 bytes, "~" and the 16 hex
// digits of its 64-bit FNV-1a hash. A hidden name longer than 255 bytes, or a TARGET
// that holds ".kvnew.", takes "~" and the hash of TARGET in place of TARGET.

#include <cstdint>
#include <string>
#include <string_view>

namespace kivora {

// A name that can stand for a file of a folder: not empty, at most 255 bytes, not "."
// or "..", without '/' or NUL.
bool IsPlainEntryName(std::string_view name);

// 64-bit FNV-1a (offset basis 0xcbf29ce484222325, prime 0x100000001b3).
std::uint64_t Fnv1a64(std::string_view text);

std::string SetFileTag(std::string_view setName);
std::string HiddenNameFor(std::string_view setName, std::string_view target);
std::string TemporaryNameFor(std::string_view target);
std::string CommitJournalName(std::string_view setName);
std::string CommitJournalTempName(std::string_view setName);
// ".TAG.kvnew.", which every HiddenNameFor(setName, ...) starts with.
std::string HiddenNamePrefix(std::string_view setName);
// True for a new file of this set: HiddenNamePrefix and a rest without ".kvnew.", so a
// set whose name holds ".kvnew." keeps its own hidden files from another set's sweep.
bool IsHiddenNameOf(std::string_view setName, std::string_view name);

}  // namespace kivora
