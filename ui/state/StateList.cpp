#include "ui/state/StateList.h"

#include <QEvent>
#include <QFontMetrics>
#include <QHeaderView>
#include <QItemSelection>
#include <algorithm>

#include "ui/state/ListSelection.h"

namespace kivora::ui {
namespace {
// Room beside a cell's text: the margins of the cell and of its focus frame.
constexpr int kCellPadding = 14;
}  // namespace

StateList::StateList(QWidget* parent) : QTreeView(parent) {
  setObjectName(QStringLiteral("lvStateList"));
  setModel(&model_);
  setRootIsDecorated(false);
  setItemsExpandable(false);
  setUniformRowHeights(true);
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setIconSize(QSize(16, 16));
  header()->setSectionsClickable(true);
  header()->setStretchLastSection(false);
  FitColumns();
}

void StateList::SetStateTexts(const QStringList& texts) {
  stateTexts_ = texts;
  FitColumns();
}

void StateList::changeEvent(QEvent* event) {
  QTreeView::changeEvent(event);
  if (event->type() == QEvent::FontChange) FitColumns();
}

void StateList::resizeEvent(QResizeEvent* event) {
  QTreeView::resizeEvent(event);
  FitColumns();
}

void StateList::FitColumns() {
  const QFontMetrics metrics(font());
  int stateWidth =
      metrics.horizontalAdvance(model_.headerData(1, Qt::Horizontal, Qt::DisplayRole).toString());
  for (const QString& text : stateTexts_)
    stateWidth = std::max(stateWidth, metrics.horizontalAdvance(text));
  stateWidth += kCellPadding;
  header()->resizeSection(1, stateWidth);
  header()->resizeSection(0, std::max(viewport()->width() - stateWidth, captionWidth_));
}

int StateList::AddRow(const QString& caption, const QString& state, StateImage image) {
  const int key = nextKey_++;
  ShowRow(key, caption, state, image, false);
  return key;
}

void StateList::ShowRows(std::span<const RowUpdate> updates) {
  // Names are measured once, when their rows come.
  const QFontMetrics metrics(font());
  int widest = captionWidth_;
  for (const RowUpdate& update : updates) {
    if (model_.PositionOf(update.key) < 0)
      widest = std::max(
          widest, metrics.horizontalAdvance(update.caption) + iconSize().width() + kCellPadding);
  }
  model_.Apply(updates);
  if (widest > captionWidth_) {
    captionWidth_ = widest;
    FitColumns();
  }
}

void StateList::ShowRow(int key, const QString& caption, const QString& state, StateImage image,
                        bool onTop) {
  const RowUpdate update{key, caption, state, image, onTop};
  ShowRows({&update, 1});
}

int StateList::KeyOf(const FileRole& role) {
  // Keys handed out here may not have rows yet: the batch that adds them is being built.
  if (role.kind == FileRole::Kind::Part) {
    nextKey_ = std::max(nextKey_, role.number + 1);
    return role.number;
  }
  const auto [it, added] = otherKeys_.try_emplace(role, nextKey_);
  if (added) ++nextKey_;
  return it->second;
}

void StateList::ScrollTo(int key) {
  if (const int position = model_.PositionOf(key); position >= 0)
    scrollTo(model_.index(position, 0));
}

void StateList::ShowStateInstead(const QString& from, const QString& to, StateImage image) {
  std::vector<RowUpdate> updates;
  for (int i = 0; i < RowCount(); ++i)
    if (model_.State(i) == from) updates.push_back({model_.KeyAt(i), model_.Caption(i), to, image});
  model_.Apply(updates);
}

void StateList::ClearRows() {
  model_.Clear();
  otherKeys_.clear();
  nextKey_ = 0;
  captionWidth_ = 0;
  FitColumns();
}

StateList::Content StateList::SavedContent() const {
  Content content{{}, otherKeys_, nextKey_, captionWidth_, SelectedKeys()};
  content.rows.reserve(static_cast<std::size_t>(RowCount()));
  for (int i = 0; i < RowCount(); ++i)
    content.rows.push_back({model_.KeyAt(i), model_.Caption(i), model_.State(i), model_.Image(i)});
  return content;
}

void StateList::Restore(const Content& content) {
  ClearRows();
  model_.Apply(content.rows);  // new keys, each at the bottom: the saved order
  otherKeys_ = content.otherKeys;
  nextKey_ = content.nextKey;
  captionWidth_ = content.captionWidth;
  FitColumns();
  // Runs of adjacent rows become one range each: a signal per row would cost a pass each.
  std::vector<int> positions;
  for (const int key : content.selected)
    if (const int position = model_.PositionOf(key); position >= 0) positions.push_back(position);
  std::sort(positions.begin(), positions.end());
  QItemSelection selection;
  for (std::size_t i = 0; i < positions.size();) {
    std::size_t end = i + 1;
    while (end < positions.size() && positions[end] == positions[end - 1] + 1) ++end;
    selection.select(model_.index(positions[i], 0), model_.index(positions[end - 1], 1));
    i = end;
  }
  selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
}

std::vector<int> StateList::SelectedKeys() const {
  std::vector<int> keys;
  for (const QModelIndex& index : selectionModel()->selectedRows())
    keys.push_back(model_.KeyAt(index.row()));
  std::sort(keys.begin(), keys.end());
  return keys;
}

void StateList::SelectVisibleRows() { kivora::ui::SelectVisibleRows(*this); }

QString StateList::Caption(int position) const {
  return Has(position) ? model_.Caption(position) : QString();
}

QString StateList::State(int position) const {
  return Has(position) ? model_.State(position) : QString();
}

StateImage StateList::Image(int position) const {
  return Has(position) ? model_.Image(position) : StateImage::Listed;
}

void StateList::SortByColumn(int column, bool descending) { model_.SortByText(column, descending); }

void StateList::SortProblemsFirst() { model_.SortProblemsFirst(); }

}  // namespace kivora::ui
