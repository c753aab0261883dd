#include "ui/state/FullHeightRows.h"

#include <QFontMetrics>

namespace kivora::ui {

QSize FullHeightRows::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
  QSize size = QStyledItemDelegate::sizeHint(option, index);
  const QFontMetrics metrics(option.font);
  // The pixels below the descent that the underscore and a pixel under it need.
  const int belowDescent = metrics.boundingRect(QLatin1Char('_')).bottom() + 2 - metrics.descent();
  // The text is centred: grow both ends.
  if (belowDescent > 0) size.setHeight(size.height() + 2 * belowDescent);
  return size;
}

}  // namespace kivora::ui
