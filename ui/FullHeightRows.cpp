#include "ui/FullHeightRows.h"

#include <QFontMetrics>

namespace kivora::ui {

QSize FullHeightRows::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
  QSize size = QStyledItemDelegate::sizeHint(option, index);
  const QFontMetrics metrics(option.font);
  const int belowDescent = metrics.boundingRect(QLatin1Char('_')).bottom() + 1 - metrics.descent();
  // The text is centred: grow both ends so the underscore and a pixel under it fit.
  if (belowDescent > 0) size.setHeight(size.height() + 2 * (belowDescent + 1));
  return size;
}

}  // namespace kivora::ui
