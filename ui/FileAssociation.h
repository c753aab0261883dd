#pragma once
// The association of *.kvr files with the program, the freedesktop way and per user:
// a shared-mime-info package for the type, a desktop entry whose Exec holds the
// program's path, and the default application in mimeapps.list.

#include <QString>
#include <utility>

namespace kivora::ui {

inline constexpr char kKvrMimeType[] = "application/x-kivora-definition";

// Folders that hold the association (the XDG data and config homes).
struct AssociationPlaces {
  QString dataHome;    // $XDG_DATA_HOME or ~/.local/share
  QString configHome;  // $XDG_CONFIG_HOME or ~/.config
  static AssociationPlaces FromEnvironment();
};

class FileAssociation {
 public:
  FileAssociation(AssociationPlaces places, QString programPath);

  enum class Registration { None, ThisProgram, OtherProgram };
  // Whether a desktop entry for the type is there, and which program it starts.
  Registration Check() const;
  // Keeps the association: creates what is missing, leaves what exists untouched.
  // Returns whether anything changed (then the MIME and desktop databases are refreshed
  // when their tools exist). Never throws; false on failure too.
  bool Keep();
  // Points the existing registration at this program (after it was moved).
  bool Update();
  // Removes the MIME package, the desktop entry and the default; whether any went.
  bool Remove();

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
