#pragma once
// The row editor of the file list: address, file name and extra info of one row.

#include <QDialog>
#include <QStringList>

class QComboBox;

namespace kivora::ui {

class TfrmFileListEditor : public QDialog {
  Q_OBJECT
 public:
  TfrmFileListEditor(QWidget* parent, const QStringList& addresses, const QStringList& fileNames,
                     const QStringList& extras);

  void SetTexts(const QString& address, const QString& fileName, const QString& extra);
  // 1 after OK, 0 otherwise.
  int Tag() const { return tag_; }
  QString Address() const;
  QString FileName() const;
  QString Extra() const;
  QStringList AddressHistory() const;
  QStringList ExtraHistory() const;

  // OK: the address ends in "/", and new texts join the ends of both histories.
  void btnOKClick();

 private:
  int tag_ = 0;
  QComboBox* cobAddressEdit_;
  QComboBox* cobFileNameEdit_;
  QComboBox* cobCgiEdit_;
};

// Whether a history holds the text (exact but for letter case).
bool HistoryHolds(const QComboBox* box, const QString& text);

}  // namespace kivora::ui
