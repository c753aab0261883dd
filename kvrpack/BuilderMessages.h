#pragma once
// The builder's messages to the user (Traditional Chinese, UTF-8), in one place.

#include <cstddef>
#include <string>
#include <string_view>

namespace kvrpack::messages {

// Name of text field `index` (0..4) as its label shows it, without the colon.
std::string_view FieldName(std::size_t index);

std::string EmptyList();
std::string TooManyPictures(std::size_t count);
std::string PathRefused(std::string_view path);
std::string PictureUnreadable(std::string_view path, std::string_view reason);
std::string PictureNotAFile(std::string_view path);
std::string PictureEmpty(std::string_view path);
std::string PicturesTooLarge();
std::string TextNotUtf8(std::size_t field);
std::string TextWithoutBig5(std::size_t field, std::string_view character);
std::string TextWithControlCharacter(std::size_t field);
std::string TextTooLong(std::size_t field);
std::string Built(std::string_view dll, std::string_view script, std::size_t pictures);

}  // namespace kvrpack::messages
