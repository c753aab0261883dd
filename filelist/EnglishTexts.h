#pragma once
// The English of the list-file writer's texts (filelist/FileListMessages.h).

#include "core/text/Translation.h"

namespace kivora::filelist {

EnglishTable FileListEnglish();

}  // namespace kivora::filelist
