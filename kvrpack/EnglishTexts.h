#pragma once
// The English of the builder's messages (kvrpack/BuilderMessages.h).

#include "core/text/Translation.h"

namespace kvrpack {

kivora::EnglishTable BuilderEnglish();

}  // namespace kvrpack
