#pragma once
// The re-split page: the definition, the source that was split, where rebuilt parts
// go, and the select-all, start and abort buttons. The parts to rebuild are the
// selected rows of the state list, or all of them after select-all.

#include <QWidget>

#include "InfoList.h"
#include "PageServices.h"

class QComboBox;
class QLineEdit;
class QPushButton;

namespace kivora::ui {

class RedevidePage : public QWidget {
  Q_OBJECT
 public:
  RedevidePage(QWidget* parent, PageServices services);

  void edtKvrFileNameChange(QLineEdit* changed);
  void btnRefferKvrClick();
  void btnRefferRedevideClick();
  void btnRefferReSaveAsClick();
  void btnRedevideAllClick();
  void btnRedevideClick();
  void btnRedevideAbortClick();
  // The select-all flag (the Tag of btnRedevideAll).
  bool SelectAll() const { return selectAllTag_ == 1; }
  void ClearSelectAll() { selectAllTag_ = 0; }
  // The plug-in of a set split with one: the options dialog in its re-split mode.
  std::optional<std::string> ChoosePlugin();

  QLineEdit* edtKvrFileName;
  QLineEdit* edtRedevideFileName;
  QComboBox* cobRedevideSaveAs;
  InfoListView* lvRedevideInfo;
  QPushButton* btnRedevideAll;
  QPushButton* btnRedevide;
  QPushButton* btnRedevideAbort;
  QWidget* pnlRedevide;

 private:
  PageServices services_;
  int selectAllTag_ = 0;
};

}  // namespace kivora::ui
