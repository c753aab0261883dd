#pragma once
// The decorative picture at the left of the window: a pendant on a chain, holding a
// small landscape picture, on an evening sky.

#include <QPixmap>
#include <QSize>

namespace kvrpack {

QPixmap DrawIllustration(QSize size);

}  // namespace kvrpack
