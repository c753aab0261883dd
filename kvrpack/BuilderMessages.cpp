#include "kvrpack/BuilderMessages.h"

#include <algorithm>
#include <climits>

namespace kvrpack::messages {
namespace {

int Count(std::size_t n) { return static_cast<int>(std::min<std::size_t>(n, INT_MAX)); }

}  // namespace

MessageText FieldName(std::size_t index) { return kFieldNames.at(index); }

MessageText EmptyList() { return kEmptyList; }

MessageText TooManyPictures(std::size_t count) { return kTooManyPictures(Count(count)); }

MessageText PathRefused(std::string_view path) {
  // A NUL would end the message early: it is shown as \0.
  std::string shown;
  for (const char c : path) {
    if (c == '\0') {
      shown += "\\0";
    } else {
      shown += c;
    }
  }
  return kPathRefused(shown);
}

MessageText PictureUnreadable(std::string_view path, std::string_view reason) {
  return kPictureUnreadable(std::string(path), std::string(reason));
}

MessageText PictureNotAFile(std::string_view path) { return kPictureNotAFile(std::string(path)); }

MessageText PictureEmpty(std::string_view path) { return kPictureEmpty(std::string(path)); }

MessageText PicturesTooLarge() { return kPicturesTooLarge; }

MessageText OutputIsPicture(std::string_view path) { return kOutputIsPicture(std::string(path)); }

MessageText OutputNotAFile(std::string_view path) { return kOutputNotAFile(std::string(path)); }

MessageText TextNotUtf8(std::size_t field) { return kTextNotUtf8(FieldName(field)); }

MessageText TextWithoutBig5(std::size_t field, std::string_view character) {
  return kTextWithoutBig5(FieldName(field), std::string(character));
}

MessageText TextWithControlCharacter(std::size_t field) {
  return kTextWithControlCharacter(FieldName(field));
}

MessageText TextTooLong(std::size_t field) { return kTextTooLong(FieldName(field)); }

MessageText Built(std::string_view dll, std::string_view script, std::size_t pictures) {
  return kBuilt(std::string(dll), Count(pictures), std::string(script));
}

}  // namespace kvrpack::messages
