#pragma once
// The disguise options dialog: pendant plug-in, password and encryption, implanted
// definition, and the number of recovery parts.

#include <QDialog>
#include <filesystem>
#include <vector>

#include "pendant/PluginInfo.h"
#include "ui/engine/MessageLayer.h"

class QCheckBox;
class QGroupBox;
class QLineEdit;
class QPlainTextEdit;
class QSpinBox;
class QTreeWidget;

namespace kivora::ui {

class DisguiseOptionsDialog : public QDialog {
  Q_OBJECT
 public:
  // Lists the plug-ins of the given folders (those with pictures only).
  DisguiseOptionsDialog(QWidget* parent, MessageLayer& messages,
                        const std::vector<std::filesystem::path>& pluginFolders);

  // True after OK; false after Cancel or the close box.
  bool Confirmed() const { return confirmed_; }

  // Fills the dialog as the split page does before showing it.
  void Fill(const QString& password, bool usePlugin, bool implant, const QString& pluginName,
            bool encrypt = false);
  // Resplit mode: only the plug-in list can be used.
  void SetResplitMode();
  // For a split without disguise: the plug-in list is off, and so is the password unless
  // it encrypts (the compatible password only scrambles disguised parts).
  void SetDisguised(bool disguised);

  void SetRecoveryCount(int count);
  int RecoveryCount() const;

  QString Password() const;
  bool UsePlugin() const;
  bool Implant() const;
  bool Encrypt() const;
  // The selected row's file name and extension; empty when no row is selected.
  QString SelectedPluginName() const;
  QString SelectedExtension() const;
  int PluginRowCount() const;

  // The OK button's rules: with the plug-in box checked (and usable) a row must be
  // selected; with encryption chosen the password must be set and typed twice alike.
  void Confirm();

 private:
  void AddPluginRow(const pendant::PluginInfo& plugin);
  void OnUsePluginToggled();
  void UpdatePasswordFields();
  bool PasswordAccepted();
  void ShowPluginComment();

  MessageLayer& messages_;
  bool confirmed_ = false;
  std::vector<pendant::PluginInfo> plugins_;
  QCheckBox* usePluginBox_;
  QGroupBox* pluginGroup_;
  QTreeWidget* pluginList_;
  QPlainTextEdit* commentView_;
  QGroupBox* passwordGroup_;
  QLineEdit* passwordEdit_;
  QLineEdit* confirmEdit_;
  QCheckBox* showPasswordBox_;
  QCheckBox* encryptBox_;
  QGroupBox* implantGroup_;
  QCheckBox* implantBox_;
  QGroupBox* recoveryGroup_;
  QSpinBox* recoverySpin_;
  bool disguised_ = true;
};

}  // namespace kivora::ui
