#pragma once
// Where a build from the window puts "template.rc" and "template.dll".

#include <filesystem>

namespace kvrpack {

inline constexpr const char* kScriptFileName = "template.rc";
inline constexpr const char* kDllFileName = "template.dll";

// The program's folder for a portable copy or the build tree, the current folder for an
// installed program (platform::PlaceOf decides, also when the folder is not writable).
std::filesystem::path ChooseOutputFolder(const std::filesystem::path& programFolder,
                                         const std::filesystem::path& currentFolder);

}  // namespace kvrpack
