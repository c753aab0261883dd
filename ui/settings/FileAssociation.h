#pragma once
// The association of *.kvr files with the program, the freedesktop way and per user:
// a shared-mime-info package for the type, a desktop entry whose Exec holds the
// program's path, and the default application in mimeapps.list. An installed program
// whose install tree holds the desktop entry and the MIME package only sets the default.

#include <QString>
#include <utility>

#include "platform/ProgramPlace.h"

namespace kivora::ui {

inline constexpr char kKvrMimeType[] = "application/x-kivora-definition";

// Folders that hold the association (the XDG data and config homes), and the data
// folder of the install tree when the program is installed.
struct AssociationPlaces {
  QString dataHome;            // $XDG_DATA_HOME or ~/.local/share
  QString configHome;          // $XDG_CONFIG_HOME or ~/.config
  QString installedData = {};  // <prefix>/share of an installed program; empty when portable
  static AssociationPlaces FromEnvironment(const platform::ProgramPlace& place);
};

class FileAssociation {
 public:
  FileAssociation(AssociationPlaces places, QString programPath);

  enum class Registration { None, ThisProgram, OtherProgram };
  // Whether a desktop entry for the type is there, and which program it starts.
  Registration Check() const;
  // Keeps the association: creates what is missing, leaves what exists untouched.
  // Returns whether anything changed (then the MIME and desktop databases are refreshed
  // when their tools exist). Never throws; false on failure too. With an installed
  // entry (UsesInstalledEntry) only the default is added.
  bool Keep();
  // Points the existing registration at this program (after it was moved).
  bool Update();
  // Removes the MIME package, the desktop entry and this program's default (another
  // program's default stays); with an installed entry only the default. Whether any went.
  bool Remove();
  // Whether the install tree holds the program's desktop entry and MIME package, so
  // that the user's association needs only the default.
  bool UsesInstalledEntry() const;

  // The desktop entry's Icon: an icon theme name (the default, "kivora") or the absolute
  // path of an image. Written by Keep (new entry) and Update.
  void SetIcon(QString icon) { icon_ = std::move(icon); }

  // Where the three pieces live.
  QString MimePackagePath() const;   // <dataHome>/mime/packages/kivora-kvr.xml
  QString DesktopEntryPath() const;  // <dataHome>/applications/kivora.desktop
  QString MimeAppsPath() const;      // <configHome>/mimeapps.list

 private:
  bool AddDefault() const;
  bool RemoveDefault() const;
  void RefreshDatabases() const;

  AssociationPlaces places_;
  QString programPath_;
  QString icon_ = QStringLiteral("kivora");
};

}  // namespace kivora::ui
