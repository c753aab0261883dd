#pragma once
// The join page: the definition to join, where the joined file goes, its summary, and
// the join, test and abort buttons.

#include <QWidget>

#include "InfoList.h"
#include "PageServices.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace kivora::ui {

class JointPage : public QWidget {
  Q_OBJECT
 public:
  JointPage(QWidget* parent, PageServices services);

  void edtJointFileNameChange();
  void btnRefferJointClick();
  void btnRefferJointSaveAsClick();
  void btnJointClick();
  void btnTestClick();
  void btnJointAbortClick();

  QLineEdit* edtJointFileName;
  QComboBox* cobJointSaveAs;
  InfoListView* lvKvrInfoJoint;
  QCheckBox* cbAssociateKvrFile;
  QPushButton* btnJoint;
  QPushButton* btnTest;
  QPushButton* btnJointAbort;
  QWidget* pnlJoint;

 private:
  // Shows a join or test at work: inputs disabled, the abort button live.
  void ShowWork(bool atWork);

  PageServices services_;
};

inline constexpr char kSameFolderAsDefinition[] = "與 KivoRa 檔案相同的資料夾";

}  // namespace kivora::ui
