#include "core/operations/EngineCall.h"

#include <filesystem>
#include <new>
#include <system_error>

#include "core/text/Format.h"
#include "core/text/Messages.h"

namespace kivora {

std::string ReasonOf(const std::exception& e) {
  if (const auto* fs = dynamic_cast<const std::filesystem::filesystem_error*>(&e)) {
    const std::string path = fs->path1().string();
    const std::string reason = fs->code().message();
    return path.empty() ? reason : Format(msg::kPathReason, path.c_str(), reason.c_str());
  }
  if (const auto* sys = dynamic_cast<const std::system_error*>(&e)) return sys->code().message();
  if (dynamic_cast<const std::bad_alloc*>(&e)) return std::string(msg::kOutOfMemory);
  return e.what();
}

}  // namespace kivora
