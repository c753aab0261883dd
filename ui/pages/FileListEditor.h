#pragma once
// The row editor of the file list: address, file name and extra info of one row.

#include <QDialog>
#include <QStringList>

class QComboBox;

namespace kivora::ui {

class FileListEditor : public QDialog {
  Q_OBJECT
 public:
  FileListEditor(QWidget* parent, const QStringList& addresses, const QStringList& fileNames,
                 const QStringList& extras);

  void SetTexts(const QString& address, const QString& fileName, const QString& extra);
  // True after OK, false otherwise.
  bool Confirmed() const { return confirmed_; }
  QString Address() const;
  QString FileName() const;
  QString Extra() const;
  QStringList AddressHistory() const;
  QStringList ExtraHistory() const;

  // OK: the address ends in "/", and new texts join the ends of both histories.
  void Confirm();

 private:
  bool confirmed_ = false;
  QComboBox* addressBox_;
  QComboBox* fileNameBox_;
  QComboBox* extraBox_;
};

// The texts of a history, in order.
QStringList HistoryItems(const QComboBox* box);
// Whether a history holds the text (exact but for letter case).
bool HistoryHolds(const QComboBox* box, const QString& text);

}  // namespace kivora::ui
