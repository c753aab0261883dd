#pragma once
// The resource script ("template.rc") that describes a plug-in: two string tables with
// the five texts, two empty lines, then one "ID KVR path" line per picture. Lines end in
// CR LF; the number, a comma, a blank and a tab precede each text.

#include <span>
#include <string>
#include <string_view>

#include "PluginContent.h"

namespace kvrpack {

// `text` as the inside of a quoted script string that a resource compiler reads back
// as `text`: a double quote is doubled, a backslash, tab, CR and LF become \\, \t, \r
// and \n. Works on UTF-8 (or any ASCII-compatible encoding without ASCII trail bytes).
std::string EscapeScriptString(std::string_view text);

// The script in UTF-8 (the caller converts it to Big5). `picturePaths` must pass
// IsAcceptedPicturePath; each is written in double quotes, since a full path that starts
// with "/" is not a file name token to a resource compiler.
std::string ResourceScript(const PluginTexts& texts, std::span<const std::string> picturePaths);

}  // namespace kvrpack
