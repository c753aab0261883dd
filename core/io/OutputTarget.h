#pragma once
// What the name an operation is about to write stands for now, as far as replacing it
// goes: the one rule of every writer. Output goes only over a regular file or a symbolic
// link to one (or a dangling link), never over a device, a FIFO or a folder, nor a link
// to one: renaming a new file over such a node would destroy it.

#include <filesystem>
#include <optional>
#include <string_view>

#include "core/text/MessageText.h"

namespace kivora {

enum class OutputKind {
  Missing,      // nothing has that name
  Replaceable,  // a regular file, or a symbolic link that is dangling or leads to one
  NotAFile,     // a folder, a device, a FIFO or a socket, or a symbolic link to one
};

struct OutputLookup {
  OutputKind kind = OutputKind::Missing;
  bool folder = false;  // NotAFile because it is (or leads to) a folder
};

// What `name` in the open folder `folder` stands for (AT_FDCWD: a path from the current
// folder). The name itself is looked up without following a link, so a dangling link
// counts as a file of that name; a link that leads somewhere counts as what it leads to.
// Empty optional (errno set) when it cannot be told: a name too long, a folder that may
// not be searched, a loop of links.
std::optional<OutputLookup> LookUpOutput(int folder, const char* name);

// LookUpOutput for a path. Throws KivoraError(what, the path and the system's reason)
// when it cannot be told.
OutputKind KindOfOutput(const std::filesystem::path& path, const MessageText& what);

}  // namespace kivora
