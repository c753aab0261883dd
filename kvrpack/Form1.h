#pragma once
// The builder's window: a decorative picture, the picture list with its delete button,
// the five describing texts and the build button, and a status line that tells where
// the last build went or why it failed.

#include <QWidget>
#include <array>
#include <filesystem>

#include "PluginContent.h"

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace kvrpack {

class FileDropList;

class Form1 : public QWidget {
  Q_OBJECT

 public:
  // `programFolder`: where builds go while it is writable.
  explicit Form1(std::filesystem::path programFolder, QWidget* parent = nullptr);

  // The request the build button would build now.
  PluginRequest CurrentRequest() const;

 private:
  QWidget* MakeTextColumn();
  void DeleteButtonClick();
  void Command1Click();

  std::filesystem::path programFolder_;
  FileDropList* list_ = nullptr;
  std::array<QLineEdit*, kTextCount - 1> lineTexts_{};  // OptText(0) .. OptText(3)
  QPlainTextEdit* comment_ = nullptr;                   // OptText(4)
  QLabel* status_ = nullptr;
};

}  // namespace kvrpack
