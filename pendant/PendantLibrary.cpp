#include "pendant/PendantLibrary.h"

#include <algorithm>
#include <cstdlib>
#include <system_error>

#include "core/io/Crc32.h"
#include "pendant/PeResources.h"
#include "pendant/PluginInfo.h"

namespace kivora::pendant {
namespace {

constexpr int kFirstBuiltinId = 1;
constexpr int kLastBuiltinId = 99;

struct Picture {
  int id;
  std::span<const std::uint8_t> bytes;
};

// The pictures 101..199 of parsed plug-in resources, in increasing id order.
std::vector<Picture> PluginPictures(const PeResources& resources) {
  std::vector<Picture> pictures;
  for (int id : PluginPictureIds(resources)) pictures.push_back({id, *resources.Kvr(id)});
  return pictures;
}

// One opened set: pictures sorted by id, and for a plug-in the file bytes they lie in.
class PictureSet final : public PendantSet {
 public:
  // The built-in pictures with ids in the searched range.
  explicit PictureSet(std::span<const BuiltinPendant> builtins) {
    for (const auto& p : builtins) {
      if (p.id >= kFirstBuiltinId && p.id <= kLastBuiltinId) pictures_.push_back({p.id, p.bytes});
    }
    std::stable_sort(pictures_.begin(), pictures_.end(),
                     [](const Picture& a, const Picture& b) { return a.id < b.id; });
  }
  // A plug-in file's bytes; bytes that do not parse give a set without pictures.
  explicit PictureSet(std::vector<std::uint8_t> file) : file_(std::move(file)) {
    if (const auto parsed = PeResources::Parse(file_)) pictures_ = PluginPictures(*parsed);
  }
  // The pictures refer into file_: no copies.
  PictureSet(const PictureSet&) = delete;
  PictureSet& operator=(const PictureSet&) = delete;

  std::vector<int> Ids() const override {
    std::vector<int> ids;
    ids.reserve(pictures_.size());
    for (const auto& p : pictures_) ids.push_back(p.id);
    return ids;
  }

  std::optional<std::span<const std::uint8_t>> Pendant(int id) const override {
    const auto it = std::lower_bound(pictures_.begin(), pictures_.end(), id,
                                     [](const Picture& p, int value) { return p.id < value; });
    if (it == pictures_.end() || it->id != id) return std::nullopt;
    return it->bytes;
  }

 private:
  std::vector<std::uint8_t> file_;
  std::vector<Picture> pictures_;
};

}  // namespace

std::optional<std::filesystem::path> UserPluginFolder(const char* xdgDataHome, const char* home) {
  // A relative $XDG_DATA_HOME is invalid and ignored, as the base directory rules say.
  if (xdgDataHome && std::filesystem::path(xdgDataHome).is_absolute()) {
    return std::filesystem::path(xdgDataHome) / "kivora" / "plugin";
  }
  if (home && *home) return std::filesystem::path(home) / ".local" / "share" / "kivora" / "plugin";
  return std::nullopt;
}

std::vector<std::filesystem::path> PluginFolders(
    const platform::ProgramPlace& place, const std::optional<std::filesystem::path>& userFolder) {
  // Every folder is listed whether it exists or not: each search looks at the disk
  // afresh, so a folder created or filled while the program runs is found, and a
  // missing one is passed over.
  std::vector<std::filesystem::path> folders{place.folder / "plugin"};
  if (userFolder) folders.push_back(*userFolder);
  folders.push_back(place.dataFolder / "kivora" / "plugin");
  return folders;
}

PendantLocations DefaultPendantLocations(const platform::ProgramPlace& place) {
  return {place.folder, PluginFolders(place, UserPluginFolder(std::getenv("XDG_DATA_HOME"),
                                                              std::getenv("HOME")))};
}

PendantLocations DefaultPendantLocations() {
  return DefaultPendantLocations(platform::CurrentProgramPlace());
}

PendantLibrary::PendantLibrary(PendantLocations locations, std::span<const BuiltinPendant> builtins)
    : locations_(std::move(locations)), builtins_(builtins) {}

std::optional<std::filesystem::path> PendantLibrary::FindPlugin(std::string_view pluginName) const {
  if (pluginName.empty()) return std::nullopt;
  const std::filesystem::path name{std::string(pluginName)};
  if (pluginName.find('/') != std::string_view::npos) return name;
  for (const auto& folder : locations_.pluginFolders) {
    std::error_code ec;
    if (std::filesystem::exists(folder / name, ec)) return folder / name;
  }
  return std::nullopt;
}

std::unique_ptr<PendantSet> PendantLibrary::OpenSet(bool usePlugin,
                                                    std::string_view pluginName) const {
  if (!usePlugin) return std::make_unique<PictureSet>(builtins_);
  const auto path = FindPlugin(pluginName);
  auto file = path ? ReadPluginFile(*path) : std::nullopt;
  return std::make_unique<PictureSet>(file ? std::move(*file) : std::vector<std::uint8_t>());
}

std::optional<std::int32_t> PendantLibrary::BuiltinPendantSize(int id) const {
  if (id < kFirstBuiltinId || id > kLastBuiltinId) return std::nullopt;
  for (const auto& p : builtins_) {
    if (p.id == id) return static_cast<std::int32_t>(p.bytes.size());
  }
  return std::nullopt;
}

std::uint32_t PendantLibrary::ComputePluginChecksum(std::string_view pluginName) const {
  // The program folder and the name joined as text, as the stored checksums were made.
  const std::filesystem::path path{locations_.programFolder.string() + "/" +
                                   std::string(pluginName)};
  const auto file = ReadPluginFile(path);
  if (!file) return 0;
  const auto parsed = PeResources::Parse(*file);
  if (!parsed) return 0;
  std::uint32_t crc = 0;
  for (const auto& picture : PluginPictures(*parsed)) crc = Crc32Update(crc, picture.bytes);
  return crc;
}

}  // namespace kivora::pendant
