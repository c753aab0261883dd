#pragma once
// The disguise options dialog: pendant plug-in, password, implanted definition.

#include <QDialog>
#include <filesystem>
#include <vector>

#include "MessageLayer.h"
#include "PluginInfo.h"

class QCheckBox;
class QGroupBox;
class QLineEdit;
class QPlainTextEdit;
class QTreeWidget;

namespace kivora::ui {

class TfrmKvrOption : public QDialog {
  Q_OBJECT
 public:
  // Lists the plug-ins of the given folders (those with pictures only).
  TfrmKvrOption(QWidget* parent, MessageLayer& messages,
                const std::vector<std::filesystem::path>& pluginFolders);

  // 1 after OK, 0 otherwise (Cancel or the close box).
  int Tag() const { return tag_; }

  // Fills the dialog as the split page does before showing it.
  void Fill(const QString& password, bool usePlugin, bool implant, const QString& pluginName);
  // Re-split mode: only the plug-in list can be used.
  void SetResplitMode();

  QString Password() const;
  bool UsePlugin() const;
  bool Implant() const;
  // The selected row's file name and extension; empty when no row is selected.
  QString SelectedPluginName() const;
  QString SelectedExtension() const;
  int PluginRowCount() const;

  // The OK button's rule: with the plug-in box checked a row must be selected.
  void btnOKClick();

 private:
  void AddPluginRow(const pendant::PluginInfo& plugin);
  void cbUsePluginClick();
  void lvPluginSelectItem();

  MessageLayer& messages_;
  int tag_ = 0;
  std::vector<pendant::PluginInfo> plugins_;
  QCheckBox* cbUsePlugin_;
  QGroupBox* gbPlugin_;
  QTreeWidget* lvPlugin_;
  QPlainTextEdit* mmComment_;
  QGroupBox* gbPassword_;
  QLineEdit* edtPassword_;
  QGroupBox* gbInplant_;
  QCheckBox* cbInplant_;
};

}  // namespace kivora::ui
