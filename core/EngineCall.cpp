#include "core/EngineCall.h"

#include <filesystem>
#include <new>
#include <system_error>

namespace kivora {

std::string ReasonOf(const std::exception& e) {
  if (const auto* fs = dynamic_cast<const std::filesystem::filesystem_error*>(&e)) {
    const std::string path = fs->path1().string();
    return (path.empty() ? std::string() : "「" + path + "」：") + fs->code().message();
  }
  if (const auto* sys = dynamic_cast<const std::system_error*>(&e)) return sys->code().message();
  if (dynamic_cast<const std::bad_alloc*>(&e)) return "記憶體不足";
  return e.what();
}

}  // namespace kivora
