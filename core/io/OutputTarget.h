#pragma once
// What the name an operation is about to write stands for now, as far as replacing it
// goes. Output goes only over a regular file or a symbolic link, never over a device, a
// FIFO or a folder: renaming a new file over such a node would destroy it.

#include <filesystem>
#include <string_view>

#include "core/text/MessageText.h"

namespace kivora {

enum class OutputKind {
  Missing,      // nothing has that name
  Replaceable,  // a regular file, or a symbolic link that is dangling or leads to one
  NotAFile,     // a folder, a device, a FIFO or a socket, or a symbolic link to one
};

// The name itself is looked up without following a link, so a dangling link counts as
// a file of that name. Throws KivoraError(what, the path and the system's reason) when
// it cannot be told: a name too long, a folder that may not be searched, a loop of links.
OutputKind KindOfOutput(const std::filesystem::path& path, const MessageText& what);

}  // namespace kivora
