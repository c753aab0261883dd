#pragma once
// The English of the builder's messages (kvrpack/BuilderMessages.h).

#include "core/Translation.h"

namespace kvrpack {

kivora::EnglishTable BuilderEnglish();

}  // namespace kvrpack
