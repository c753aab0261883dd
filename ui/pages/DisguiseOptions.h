#pragma once
// The disguise options the main window keeps for the life of the program.

#include <QString>

namespace kivora::ui {

// The disguise options chosen in the options dialog, kept between splits.
struct DisguiseOptions {
  QString password;  // never saved
  bool usePlugin = false;
  QString pluginName;
  bool implant = false;
  bool encrypt = false;   // seal the parts with the password instead of scrambling them
  int recoveryCount = 0;  // recovery parts per group of parts
};

}  // namespace kivora::ui
