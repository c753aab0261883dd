#pragma once
// The six-row summary of a definition (file name, size, parts, disguise, password,
// comment) on the join and resplit pages.

#include <QTreeWidget>
#include <string>
#include <utility>
#include <vector>

#include "core/text/Language.h"
#include "core/text/MessageText.h"

namespace kivora::ui {

class InfoListView : public QTreeWidget {
  Q_OBJECT
 public:
  InfoListView(const char* name, Language language, QWidget* parent = nullptr);
  // The six captions with empty values.
  void ResetInfoList();
  void Fill(const std::vector<std::pair<MessageText, MessageText>>& rows);
  QString Value(int row) const;

 protected:
  bool event(QEvent* event) override;

 private:
  Language language_;
};

}  // namespace kivora::ui
