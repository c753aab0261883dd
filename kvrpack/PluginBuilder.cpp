#include "kvrpack/PluginBuilder.h"

#include <algorithm>
#include <limits>
#include <vector>

#include "core/format/CodePage.h"
#include "core/io/AtomicFile.h"
#include "core/io/File.h"
#include "core/io/OutputTarget.h"
#include "core/text/Utf8.h"
#include "kvrpack/BuildError.h"
#include "kvrpack/BuilderMessages.h"
#include "kvrpack/PathFilter.h"
#include "kvrpack/PictureFile.h"
#include "kvrpack/ResourceDll.h"
#include "kvrpack/ResourceScript.h"
#include "kvrpack/StringTable.h"

namespace kvrpack {
namespace {

using kivora::FirstCharacterWithoutBig5;
using kivora::ToBig5;
using kivora::Utf8ToUtf16;

// The largest plug-in Kivora reads.
constexpr std::size_t kMaxPictureBytes = std::size_t{256} << 20;
constexpr std::u16string_view kPictureType = u"KVR";
constexpr std::uint16_t kStringTableType = 6;

bool IsControlCharacter(char16_t c) {
  return (c < 0x20 && c != u'\t' && c != u'\r' && c != u'\n') || c == 0x7F;
}

// The texts in the string table's form, after checking that the script can carry them.
std::vector<StringEntry> CheckedTexts(const PluginTexts& texts) {
  std::vector<StringEntry> entries;
  for (std::size_t i = 0; i < kTextCount; ++i) {
    auto utf16 = Utf8ToUtf16(texts[i]);
    if (!utf16) throw BuildError(messages::TextNotUtf8(i));
    if (std::any_of(utf16->begin(), utf16->end(), IsControlCharacter)) {
      throw BuildError(messages::TextWithControlCharacter(i));
    }
    if (!ToBig5(texts[i])) {
      throw BuildError(messages::TextWithoutBig5(i, FirstCharacterWithoutBig5(texts[i])));
    }
    if (utf16->size() > std::numeric_limits<std::uint16_t>::max()) {
      throw BuildError(messages::TextTooLong(i));
    }
    entries.push_back({static_cast<std::uint16_t>(kFirstTextId + i), std::move(*utf16)});
  }
  return entries;
}

void CheckPictureList(const std::vector<std::string>& paths) {
  if (paths.empty()) throw BuildError(messages::EmptyList());
  if (paths.size() > kMaxPictures) throw BuildError(messages::TooManyPictures(paths.size()));
  for (const std::string& path : paths) {
    if (!IsAcceptedPicturePath(path)) throw BuildError(messages::PathRefused(path));
  }
}

// An output may replace neither one of the pictures it is built from (the same path, or
// the same file by device and inode under another name) nor a folder, a device or a FIFO.
void CheckTargets(const BuildTargets& targets, const std::vector<std::string>& pictures) {
  for (const std::filesystem::path& target : {targets.script, targets.dll}) {
    const std::filesystem::path spelled = std::filesystem::absolute(target).lexically_normal();
    const kivora::FileIdentity identity = kivora::IdentityOf(target);
    for (const std::string& picture : pictures) {
      if (spelled == std::filesystem::absolute(picture).lexically_normal() ||
          kivora::SameFile(identity, kivora::IdentityOf(picture))) {
        throw BuildError(messages::OutputIsPicture(target.string()));
      }
    }
    try {
      if (kivora::KindOfOutput(target, {}) == kivora::OutputKind::NotAFile)
        throw BuildError(messages::OutputNotAFile(target.string()));
    } catch (const kivora::KivoraError& e) {
      throw BuildError(e.Detail());  // the path and the system's reason
    }
  }
}

std::vector<Bytes> ReadPictures(const std::vector<std::string>& paths) {
  std::vector<Bytes> pictures;
  std::size_t total = 0;
  for (const std::string& path : paths) {
    pictures.push_back(ReadPictureFile(path, kMaxPictureBytes - total));
    total += pictures.back().size();
  }
  return pictures;
}

Bytes PluginDll(const std::vector<StringEntry>& texts, const std::vector<Bytes>& pictures) {
  const std::vector<StringBlock> blocks = StringTableBlocks(texts);
  std::vector<ResourceType> types(2);
  types[0].type = std::u16string(kPictureType);
  for (std::size_t i = 0; i < pictures.size(); ++i) {
    types[0].resources.push_back({static_cast<std::uint16_t>(kFirstPictureId + i), pictures[i]});
  }
  types[1].type = kStringTableType;
  for (const StringBlock& block : blocks)
    types[1].resources.push_back({block.blockId, block.bytes});
  return WriteResourceDll(types);
}

// The file replaces its old self only when complete; a failure's message names the
// file and the system's reason.
void WriteTarget(const std::filesystem::path& path, std::span<const std::uint8_t> bytes) {
  try {
    kivora::WriteFileAtomically(path, bytes);
  } catch (const kivora::KivoraError& e) {
    throw BuildError(e.Text());
  }
}

std::span<const std::uint8_t> AsBytes(const std::string& text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

}  // namespace

BuildOutcome BuildPlugin(const PluginRequest& request, const BuildTargets& targets) {
  try {
    CheckPictureList(request.pictures);
    CheckTargets(targets, request.pictures);
    const std::vector<StringEntry> texts = CheckedTexts(request.texts);
    const std::vector<Bytes> pictures = ReadPictures(request.pictures);
    // Every text was checked to convert, and the rest of the script is ASCII.
    const auto script = ToBig5(ResourceScript(request.texts, request.pictures));
    if (!script) throw BuildError(messages::TextNotUtf8(0));
    const Bytes dll = PluginDll(texts, pictures);

    WriteTarget(targets.script, AsBytes(*script));
    WriteTarget(targets.dll, dll);
    return {true, messages::Built(targets.dll.string(), targets.script.string(), pictures.size())};
  } catch (const BuildError& e) {
    return {false, e.Text()};
  } catch (const kivora::KivoraError& e) {
    return {false, e.Text()};
  } catch (const std::exception& e) {
    // Anything else (memory) still ends the build with its reason, never the program.
    return {false, kivora::MessageText::Plain(e.what())};
  }
}

}  // namespace kvrpack
