// Shell links. A link is stored as a freedesktop desktop entry (".desktop")
// with the name stem of the link file: Exec = the quoted program path,
// Path = its working folder, Icon = the icon's name when it has one. Tests
// point the folders at a temporary directory through the XDG variables, or
// replace the saver.
#pragma once

#include <functional>
#include <stdexcept>
#include <string>

namespace platform {

struct ShellLink {
  std::string Path;              // the program the link starts
  std::string WorkingDirectory;  // its working folder
  std::string Icon;              // an icon name of the desktop's theme, or none
};

// The link object cannot be made (raised by a test saver only here).
class ShellLinkError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Path of a shell folder by identifier: 0 (the desktop) is the desktop
// directory; the others as GetSpecialFolderPath. "" when there is none.
std::string GetShellFolderPath(int folderId);

// The file a link named `linkFile` (for example "a/DoRedoz.lnk") is stored
// in: its extension replaced by ".desktop".
std::string DesktopEntryFileName(const std::string& linkFile);

// The text of the desktop entry for a link.
std::string DesktopEntryText(const ShellLink& link, const std::string& name);

// Saves the link under linkFile's desktop-entry name, replacing a file of
// that name. False when it cannot be written.
bool SaveShellLink(const ShellLink& link, const std::string& linkFile);

using ShellLinkSaver = std::function<bool(const ShellLink& link, const std::string& linkFile)>;
// Replaces the saver (an empty one restores the real one); returns the old.
ShellLinkSaver SetShellLinkSaverForTest(ShellLinkSaver saver);

}  // namespace platform
