#include "kvrpack/EnglishTexts.h"

#include "kvrpack/BuilderMessages.h"

namespace kvrpack {
namespace {

using kivora::EnglishText;
namespace m = messages;

// One line per text of kvrpack/BuilderMessages.h.
// clang-format off
constexpr EnglishText kEnglish[] = {
    {m::kFieldNames[0], "Pendant set name"},
    {m::kFieldNames[1], "Version"},
    {m::kFieldNames[2], "Extension"},
    {m::kFieldNames[3], "Author"},
    {m::kFieldNames[4], "Comment"},
    {m::kEmptyList, "The list holds no picture files, so no plug-in can be built. Drop picture files on the list first."},
    {m::kTooManyPictures, "There are %d picture files; a plug-in holds at most 99 (Kivora reads only the pictures numbered 101 to 199)."},
    {m::kPathRefused, "The path \"%s\" is empty or has a NUL character and cannot be written into the resource script."},
    {m::kPictureUnreadable, "Cannot read the picture file \"%s\": %s"},
    {m::kPictureNotAFile, "The picture file \"%s\" is not a regular file."},
    {m::kPictureEmpty, "The picture file \"%s\" is empty."},
    {m::kPicturesTooLarge, "The picture files add up to more than 256 MB; Kivora cannot read so large a plug-in."},
    {m::kOutputIsPicture, "The output file \"%s\" is also one of the input pictures; writing it would destroy that picture, so no plug-in was built. Choose another name for the output."},
    {m::kDllNamedAsScript, "-o: the plug-in must not have the extension .rc, which its script takes."},
    {m::kOutputNotAFile, "The output file \"%s\" is a folder, a device or a named pipe, not a regular file, so no plug-in was built."},
    {m::kTextNotUtf8, "\"%s\" is not valid UTF-8 text."},
    {m::kTextWithoutBig5, "\"%s\" has a character that Big5 (code page 950) cannot hold: \"%s\"."},
    {m::kTextWithControlCharacter, "\"%s\" has a control character."},
    {m::kTextTooLong, "\"%s\" is too long (at most 65535 characters)."},
    {m::kBuilt, "Built the plug-in %s (%d pictures) and the resource script %s."},
};
// clang-format on

}  // namespace

kivora::EnglishTable BuilderEnglish() { return kEnglish; }

}  // namespace kvrpack
