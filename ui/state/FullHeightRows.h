#pragma once
// An item delegate whose rows are tall enough for all that the font draws. Some Ming
// faces draw the underscore below their descent, and some Latin faces on its last
// pixel: in rows of the font's height "clip2_01.png" loses its underscore, or it runs
// into the row below.

#include <QStyledItemDelegate>

namespace kivora::ui {

class FullHeightRows : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

}  // namespace kivora::ui
