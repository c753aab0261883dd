#include "app/cli/EnglishTexts.h"

#include "app/cli/CliMessages.h"

namespace kivora::cli {
namespace {

// One line per text of app/cli/CliMessages.h.
// clang-format off
constexpr EnglishText kEnglish[] = {
    {texts::kAnswerYes, "Yes"},
    {texts::kAnswerNo, "No"},
    {texts::kAnswerCancel, "Cancel"},
    {texts::kPasswordNeeded, "This set is protected by a password: give it with -p, --password-file or the environment variable KIVORA_PASSWORD."},
    {texts::kEncryptNeedsPassword, "--encrypt needs a password (-p, --password-file or KIVORA_PASSWORD)."},
    {texts::kSaveAsPrompt, "Save as (%s): "},
    {texts::kPluginNeeded, "This set was disguised with a pendant plug-in: name the plug-in file with --plugin."},
    {texts::kNoPlugins, "No pendant plug-ins found."},
    {texts::kPluginColumns, "File\tPendant set\tVersion\tExtension\tAuthor\tPictures"},
    {texts::kPartColumns, "#\tName\tSize\tCRC-32"},
    {texts::kDisguiseColumns, "\tPart CRC-32\tPicture\tPicture size"},
    {texts::kOutputExists, "The output file already exists; add --overwrite to replace it."},
    {texts::kNotAPartList, "--parts: \"%s\" is not a list of part numbers (such as 0,3,5-7)."},
    {texts::kNoSuchPart, "--parts: this set has no part number %s (it has %d, numbered from 0)."},
    {texts::kSettingMissing, "Some settings are not filled in."},
    {texts::kPasswordFileUnreadable, "Cannot read the password file \"%s\"."},
};
// clang-format on

}  // namespace

EnglishTable CliEnglish() { return kEnglish; }

}  // namespace kivora::cli
