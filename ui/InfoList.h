#pragma once
// The six-row summary of a definition (file name, size, parts, disguise, password,
// comment) on the join and resplit pages.

#include <QTreeWidget>
#include <string>
#include <utility>
#include <vector>

namespace kivora::ui {

class InfoListView : public QTreeWidget {
  Q_OBJECT
 public:
  InfoListView(const char* name, QWidget* parent = nullptr);
  // The six captions with empty values.
  void ResetInfoList();
  void Fill(const std::vector<std::pair<std::string, std::string>>& rows);
  QString Value(int row) const;
};

}  // namespace kivora::ui
