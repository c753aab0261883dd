#pragma once
// The join page: the definition to join, where the joined file goes, its summary, and
// the join, test and abort buttons.

#include <QWidget>

#include "ui/InfoList.h"
#include "ui/PageServices.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace kivora::ui {

class SaveFolderChooser;

class JoinPage : public QWidget {
  Q_OBJECT
 public:
  JoinPage(QWidget* parent, PageServices services);

  void OnDefinitionChanged();
  void BrowseDefinition();
  void Join();
  void Test();
  void AbortJoin();

  QLineEdit* definitionEdit_;
  SaveFolderChooser* saveFolder_;
  InfoListView* infoList_;
  QCheckBox* associateBox_;
  QPushButton* joinButton_;
  QPushButton* testButton_;
  QPushButton* abortButton_;
  QWidget* inputsPanel_;

 private:
  // Shows a join or test at work: inputs disabled, the abort button live.
  void ShowWork(bool atWork);

  PageServices services_;
};

}  // namespace kivora::ui
