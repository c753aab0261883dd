#pragma once
// Where a build from the window puts "template.rc" and "template.dll".

#include <filesystem>

namespace kvrpack {

inline constexpr const char* kScriptFileName = "template.rc";
inline constexpr const char* kDllFileName = "template.dll";

// True when `folder` is a directory in which this user may create files.
bool IsWritableFolder(const std::filesystem::path& folder);

// The program's folder when it is writable (a portable copy or the build tree), else
// the current folder (an installed program).
std::filesystem::path ChooseOutputFolder(const std::filesystem::path& programFolder,
                                         const std::filesystem::path& currentFolder);

}  // namespace kvrpack
