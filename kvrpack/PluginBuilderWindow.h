#pragma once
// The builder's window: a decorative picture, the picture list with its delete button,
// the five describing texts and the build button, and a status line that tells where
// the last build went or why it failed.

#include <QWidget>
#include <array>
#include <filesystem>

#include "core/text/Language.h"
#include "kvrpack/PluginContent.h"

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace kvrpack {

class FileDropList;

class PluginBuilderWindow : public QWidget {
  Q_OBJECT

 public:
  // `programFolder`: where builds go while it is writable.
  // Messages of the builder are shown in `language`.
  explicit PluginBuilderWindow(std::filesystem::path programFolder,
                               kivora::Language language = kivora::Language::Chinese,
                               QWidget* parent = nullptr);

  // The request the build button would build now.
  PluginRequest CurrentRequest() const;

 private:
  QWidget* MakeTextColumn();
  QLabel* MakeTextLabel(std::size_t index, QWidget* buddy, QWidget* parent) const;
  void DeleteSelectedPictures();
  void BuildPluginFromWindow();

  std::filesystem::path programFolder_;
  kivora::Language language_;
  FileDropList* pictureList_ = nullptr;
  // Set name, version, extension and author; the comment has a box of its own.
  std::array<QLineEdit*, kTextCount - 1> lineTexts_{};
  QPlainTextEdit* comment_ = nullptr;
  QLabel* statusLine_ = nullptr;
};

}  // namespace kvrpack
