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
  bool AbortRequested() const { return abortTag_ == 1; }

  QLineEdit* edtJointFileName;
  QComboBox* cobJointSaveAs;
  InfoListView* lvKvrInfoJoint;
  QCheckBox* cbAssociateKvrFile;
  QPushButton* btnJoint;
  QPushButton* btnTest;
  QPushButton* btnJointAbort;
  QWidget* pnlJoint;

 private:
  // Buttons and flags for a running join or test; restored when the guard ends.
  class RunGuard;

  PageServices services_;
  int abortTag_ = 0;
};

inline constexpr char kSameFolderAsDefinition[] = "與 KivoRa 檔案相同的資料夾";

}  // namespace kivora::ui
