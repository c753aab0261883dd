#pragma once
// The English of the engines' texts (core/Messages.h).

#include "core/Translation.h"

namespace kivora {

EnglishTable EngineEnglish();

}  // namespace kivora
