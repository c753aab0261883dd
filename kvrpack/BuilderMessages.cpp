#include "kvrpack/BuilderMessages.h"

#include <algorithm>
#include <climits>

#include "core/text/Format.h"

namespace kvrpack::messages {
namespace {

using kivora::Format;

int Count(std::size_t n) { return static_cast<int>(std::min<std::size_t>(n, INT_MAX)); }

// The names are literals, so their data ends with a NUL.
const char* Field(std::size_t field) { return FieldName(field).data(); }

}  // namespace

std::string_view FieldName(std::size_t index) { return kFieldNames.at(index); }

std::string EmptyList() { return std::string(kEmptyList); }

std::string TooManyPictures(std::size_t count) { return Format(kTooManyPictures, Count(count)); }

std::string PathRefused(std::string_view path) {
  // A NUL would end the message early: it is shown as \0.
  std::string shown;
  for (const char c : path) {
    if (c == '\0') {
      shown += "\\0";
    } else {
      shown += c;
    }
  }
  return Format(kPathRefused, shown.c_str());
}

std::string PictureUnreadable(std::string_view path, std::string_view reason) {
  return Format(kPictureUnreadable, std::string(path).c_str(), std::string(reason).c_str());
}

std::string PictureNotAFile(std::string_view path) {
  return Format(kPictureNotAFile, std::string(path).c_str());
}

std::string PictureEmpty(std::string_view path) {
  return Format(kPictureEmpty, std::string(path).c_str());
}

std::string PicturesTooLarge() { return std::string(kPicturesTooLarge); }

std::string OutputIsPicture(std::string_view path) {
  return Format(kOutputIsPicture, std::string(path).c_str());
}

std::string OutputNotAFile(std::string_view path) {
  return Format(kOutputNotAFile, std::string(path).c_str());
}

std::string TextNotUtf8(std::size_t field) { return Format(kTextNotUtf8, Field(field)); }

std::string TextWithoutBig5(std::size_t field, std::string_view character) {
  return Format(kTextWithoutBig5, Field(field), std::string(character).c_str());
}

std::string TextWithControlCharacter(std::size_t field) {
  return Format(kTextWithControlCharacter, Field(field));
}

std::string TextTooLong(std::size_t field) { return Format(kTextTooLong, Field(field)); }

std::string Built(std::string_view dll, std::string_view script, std::size_t pictures) {
  return Format(kBuilt, std::string(dll).c_str(), Count(pictures), std::string(script).c_str());
}

}  // namespace kvrpack::messages
