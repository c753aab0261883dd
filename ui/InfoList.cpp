#include "ui/InfoList.h"

#include <QHeaderView>

#include "core/format/DefinitionReader.h"
#include "core/text/Messages.h"
#include "ui/EngineText.h"
#include "ui/FullHeightRows.h"
#include "ui/WindowUi.h"

namespace kivora::ui {

InfoListView::InfoListView(const char* name, QWidget* parent) : QTreeWidget(parent) {
  setObjectName(QString::fromLatin1(name));
  setColumnCount(2);
  setHeaderHidden(true);
  setRootIsDecorated(false);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setItemDelegate(new FullHeightRows(this));
  header()->resizeSection(0, 100);
  header()->resizeSection(1, 185);
  // The hint shows the value of the row whose selection changed (long names, comments).
  connect(this, &QTreeWidget::currentItemChanged, this,
          [this](QTreeWidgetItem* item) { setToolTip(item ? item->text(1) : QString()); });
  ResetInfoList();
}

void InfoListView::ResetInfoList() {
  setUpdatesEnabled(false);
  clear();
  for (std::string_view caption : {msg::kRowFileName, msg::kRowFileSize, msg::kRowPartCount,
                                   msg::kRowDisguise, msg::kRowPassword, msg::kRowComment}) {
    new QTreeWidgetItem(this, {EngineText(caption), QString()});  // owned by the list
  }
  setUpdatesEnabled(true);
}

void InfoListView::Fill(const std::vector<std::pair<std::string, std::string>>& rows) {
  ResetInfoList();
  for (int i = 0; i < topLevelItemCount() && i < static_cast<int>(rows.size()); ++i) {
    const auto& [caption, value] = rows[static_cast<size_t>(i)];
    topLevelItem(i)->setText(1, IsUserText(caption) ? ToQ(value) : EngineText(value));
  }
}

QString InfoListView::Value(int row) const {
  const QTreeWidgetItem* item = topLevelItem(row);
  return item ? item->text(1) : QString();
}

}  // namespace kivora::ui
