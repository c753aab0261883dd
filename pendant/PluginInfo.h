#pragma once
// The pendant plug-in file contract: a DLL whose resources of type "KVR" with ids
// 101..199 are the pictures and whose string table entries 511..515 describe it.
// Plug-ins are only ever read as data (PeResources), never loaded.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "pendant/PeResources.h"

namespace kivora::pendant {

inline constexpr int kFirstPluginPendantId = 101;
inline constexpr int kLastPluginPendantId = 199;

// String-table ids of the describing strings and how many Big5 bytes of each are shown.
inline constexpr int kPluginNameString = 511;
inline constexpr int kPluginVersionString = 512;
inline constexpr int kPluginExtensionString = 513;
inline constexpr int kPluginAuthorString = 514;
inline constexpr int kPluginCommentString = 515;
inline constexpr std::size_t kPluginFieldMaxBytes = 255;
inline constexpr std::size_t kPluginCommentMaxBytes = 1023;

struct PluginInfo {
  std::string fileName;         // bare file name, the plug-in's identity
  std::string name;             // 511: pendant set name
  std::string version;          // 512: free text
  std::string extension;        // 513: part file extension without the dot
  std::string author;           // 514
  std::string comment;          // 515
  std::vector<int> pictureIds;  // "KVR" ids in 101..199, increasing
};

// Reads a whole plug-in file into memory; empty optional when it cannot be read or is
// larger than any plug-in can be.
std::optional<std::vector<std::uint8_t>> ReadPluginFile(const std::filesystem::path& path);

// The "KVR" ids of a plug-in that are pictures: those in 101..199, increasing.
std::vector<int> PluginPictureIds(const PeResources& resources);

// A string-table entry as a program reading it in code page 950 shows it, in UTF-8:
// cut at its first NUL, characters without a Big5 form replaced by '?', and cut at a
// character boundary to at most `maxBig5Bytes` Big5 bytes.
std::string ShownPluginText(std::u16string_view text, std::size_t maxBig5Bytes);

// The describing strings and picture ids of parsed plug-in resources (missing strings
// read as empty).
PluginInfo DescribePlugin(const PeResources& resources, std::string fileName);

// Reads and describes one plug-in file; empty optional when the file cannot be read or
// is not a PE file. A plug-in without pictures is still described (pictureIds empty).
std::optional<PluginInfo> ReadPluginInfo(const std::filesystem::path& path);

// Every "*.dll" file (extension in any case) in `folders`, sorted by file name. A name
// found in several folders is taken from the first, as OpenSet looks it up. Files that
// cannot be read and plug-ins without pictures are left out.
std::vector<PluginInfo> ListPlugins(std::span<const std::filesystem::path> folders);

}  // namespace kivora::pendant
