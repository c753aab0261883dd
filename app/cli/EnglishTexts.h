#pragma once
// The English of the command line's own texts (app/cli/CliMessages.h).

#include "core/text/Translation.h"

namespace kivora::cli {

EnglishTable CliEnglish();

}  // namespace kivora::cli
