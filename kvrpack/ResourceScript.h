#pragma once
// The resource script ("template.rc") that describes a plug-in: two string tables with
// the five texts, two empty lines, then one "ID KVR path" line per picture. Lines end in
// CR LF; the number, a comma, a blank and a tab precede each text.

#include <span>
#include <string>
#include <string_view>

#include "kvrpack/PluginContent.h"

namespace kvrpack {

// `text` as the inside of a quoted script string that a resource compiler reads back
// as `text`: a double quote is doubled, a backslash, tab, CR and LF become \\, \t, \r
// and \n. Works on UTF-8 (or any ASCII-compatible encoding without ASCII trail bytes).
std::string EscapeScriptString(std::string_view text);

// `path` as the inside of a quoted file name that a resource compiler opens as exactly
// these bytes: a double quote is doubled, a backslash doubled, and every byte outside
// printable ASCII (controls, and the UTF-8 of non-ASCII letters) becomes a three-digit
// octal escape. The result is ASCII, so it survives the script's conversion to Big5, and
// names the file whatever its characters (Big5 has no form for many of them, and a
// compiler on Linux must be given the file system's own bytes anyway).
std::string EscapeScriptPath(std::string_view path);

// The script in UTF-8 (the caller converts it to Big5). `picturePaths` must pass
// IsAcceptedPicturePath; each is written in double quotes through EscapeScriptPath.
std::string ResourceScript(const PluginTexts& texts, std::span<const std::string> picturePaths);

}  // namespace kvrpack
