#include "filelist/EnglishTexts.h"

#include "filelist/FileListMessages.h"

namespace kivora::filelist {
namespace {

// One line per text of filelist/FileListMessages.h.
// clang-format off
constexpr EnglishText kEnglish[] = {
    {msg::kOutOfMemory421, "Not enough memory to go on. (421)"},
    {msg::kListNotWritten422, "The file list could not be written (422)."},
    {msg::kRowNotEncodable, "Row %d of the file list has characters that %s cannot hold: %s"},
    {msg::kNoConverter, "Cannot load the conversion table: %s"},
};
// clang-format on

}  // namespace

EnglishTable FileListEnglish() { return kEnglish; }

}  // namespace kivora::filelist
