#pragma once
// Where an operation writes: an editable combo box with a fixed first entry ("the same
// folder as ...") and at most one folder after it, plus the browse button that puts a
// picked folder there. Enter in the box adds no entry; a typed folder stays typed text.

#include <QObject>
#include <QString>
#include <filesystem>
#include <optional>

class QComboBox;
class QPushButton;
class QWidget;

namespace kivora::ui {

class MessageLayer;

class SaveFolderChooser : public QObject {
  Q_OBJECT
 public:
  // The widgets are created under the given objectNames; the page lays them out.
  SaveFolderChooser(QWidget* page, MessageLayer& messages, const char* boxName,
                    const QString& firstEntry, const char* buttonName, const QString& buttonText);

  QComboBox* Box() const { return box_; }
  QPushButton* Button() const { return button_; }

  // The box's hint follows its text.
  void ShowTextAsHint();
  // The folder picker, starting at the second entry when it is selected; a chosen folder
  // becomes the second entry and is selected. Cancel changes nothing.
  void Browse();
  // The folder the box names: empty while its fixed first entry is shown.
  std::optional<std::filesystem::path> Chosen() const;

  // The stored form: the selected entry (0: the fixed one) and the second entry's folder.
  int SelectedEntry() const;
  QString Folder() const;
  void Restore(const QString& folder, int selectedEntry);

 private:
  void SetPickedFolder(const QString& folder);

  QWidget* page_;
  MessageLayer& messages_;
  QComboBox* box_;
  QPushButton* button_;
};

}  // namespace kivora::ui
