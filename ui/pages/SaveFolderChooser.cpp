#include "ui/pages/SaveFolderChooser.h"

#include <QComboBox>
#include <QPushButton>

#include "ui/engine/MessageLayer.h"
#include "ui/pages/WidgetNames.h"

namespace kivora::ui {

SaveFolderChooser::SaveFolderChooser(QWidget* page, MessageLayer& messages, const char* boxName,
                                     const QString& firstEntry, const char* buttonName,
                                     const QString& buttonText)
    : QObject(page),
      page_(page),
      messages_(messages),
      box_(Named<QComboBox>(boxName)),
      button_(Named<QPushButton>(buttonName, buttonText)) {
  box_->setEditable(true);
  box_->setInsertPolicy(QComboBox::NoInsert);  // Enter must not add entries
  box_->addItem(firstEntry);
  connect(button_, &QPushButton::clicked, this, [this] { Browse(); });
}

void SaveFolderChooser::ShowTextAsHint() {
  connect(box_, &QComboBox::currentTextChanged, box_,
          [box = box_](const QString& text) { box->setToolTip(text); });
}

void SaveFolderChooser::Browse() {
  const QString start = box_->currentIndex() == 1 ? box_->currentText() : QString();
  if (const auto chosen = messages_.SelectFolder(page_, start)) SetPickedFolder(*chosen);
}

void SaveFolderChooser::SetPickedFolder(const QString& folder) {
  if (box_->count() < 2) {
    box_->addItem(folder);
  } else {
    box_->setItemText(1, folder);
  }
  box_->setCurrentIndex(1);
}

std::optional<std::filesystem::path> SaveFolderChooser::Chosen() const {
  if (box_->currentIndex() == 0 && box_->currentText() == box_->itemText(0)) return std::nullopt;
  return ToPath(box_->currentText());
}

int SaveFolderChooser::SelectedEntry() const { return box_->currentIndex(); }

QString SaveFolderChooser::Folder() const {
  return box_->currentIndex() != 0 ? box_->currentText() : QString();
}

void SaveFolderChooser::Restore(const QString& folder, int selectedEntry) {
  if (!folder.isEmpty()) box_->addItem(folder);
  box_->setCurrentIndex(selectedEntry != 0 && box_->count() > 1 ? 1 : 0);
}

}  // namespace kivora::ui
