#pragma once
// Where the running program lives and whether it is an installed copy. This is the one
// decision that the settings file, the plug-in folders, the file association and the
// plug-in builder's output folder follow.

#include <filesystem>

namespace kivora::platform {

struct ProgramPlace {
  std::filesystem::path folder;  // folder of the running program
  // An installed copy keeps nothing beside itself: settings go to the user's config
  // folder, and the association uses the installed desktop entry.
  bool installed = false;
  // <datadir> of the install tree the program runs from; for a portable copy the one
  // this build installs to.
  std::filesystem::path dataFolder;
};

// Installed when the folder belongs to an install tree (<datadir>/kivora exists at its
// place relative to the folder, e.g. <prefix>/bin and <prefix>/share/kivora), or when the
// folder cannot be written (nothing could be kept beside the program). Otherwise it is a
// portable copy or the build tree.
ProgramPlace PlaceOf(const std::filesystem::path& programFolder);

// PlaceOf the running program's folder (of /proc/self/exe; the current folder when that
// cannot be read).
ProgramPlace CurrentProgramPlace();

}  // namespace kivora::platform
