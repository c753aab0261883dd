#pragma once
// What the main window holds for the life of the program and shares with its pages.

#include <QString>

namespace kivora::ui {

// The disguise options chosen in the options dialog, kept between splits.
struct DisguiseOptions {
  QString password;  // never saved
  bool usePlugin = false;
  QString pluginName;
  bool implant = false;
  bool encrypt = false;  // seal the parts with the password instead of scrambling them
  int recoveryCount = 0;  // recovery parts per group of parts
};

}  // namespace kivora::ui
