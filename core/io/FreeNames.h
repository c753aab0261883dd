#pragma once
// Which names of a folder are free: taken by no entry of any kind (a file, a folder, a
// link, dangling or not).

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_set>

namespace kivora {

class FreeNames {
 public:
  // For `asked` names to come: a few are looked up one by one when asked; for many the
  // folder is read once, now, which costs less than a look-up per name. Throws
  // KivoraError when the folder cannot be read.
  FreeNames(std::filesystem::path folder, int asked);

  // True when no entry of the folder has `name`. A name that cannot be looked up counts
  // as taken.
  bool Holds(std::string_view name) const;

 private:
  std::filesystem::path folder_;
  bool read_ = false;  // the folder was read: taken_ holds its names
  struct Hash {
    using is_transparent = void;
    size_t operator()(std::string_view name) const { return std::hash<std::string_view>{}(name); }
  };
  std::unordered_set<std::string, Hash, std::equal_to<>> taken_;
};

}  // namespace kivora
