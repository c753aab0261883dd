#pragma once
// The English of the engines' texts (core/text/Messages.h).

#include "core/text/Translation.h"

namespace kivora {

EnglishTable EngineEnglish();

}  // namespace kivora
