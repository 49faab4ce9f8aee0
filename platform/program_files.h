// Where the programs find and write their files. Run from the build folder,
// each program keeps its files beside its program file. Installed (a package
// or `cmake --install`), the program folder is read-only and shared: the
// maker's pictures and the sample hands file come from
// <prefix>/share/clockkit/ (found as ../share/clockkit/ from the program's
// folder), and what a user writes goes to the XDG folders.
#pragma once

#include <string>

namespace platform {

// The kit's folder under <prefix>/share and under $XDG_DATA_HOME.
inline constexpr const char kDataFolderName[] = "clockkit";

// True when the folder exists and this user may create files in it. A
// folder without any write permission counts as read-only for root too.
bool FolderWritable(const std::string& folder);
// Whether the program keeps its files beside itself: its folder is
// writable and it is not installed. An installed program (one with
// share/clockkit beside its folder) shares its folder with other programs
// and users, also where this user, root or the owner of ~/.local, could
// write in it.
bool ProgramFolderWritable();

// The running program's folder, ending in '/'.
std::string ProgramFolderPath();
// <prefix>/share/clockkit/ beside the program's folder, ending in '/'.
std::string SharedDataFolder();

// A folder of the maker's pictures ("FG" or "HR"), ending in '/': beside
// the program when it is there, else the shared one when that is there,
// else the one beside the program (which then gives no pictures).
std::string PictureFolder(const std::string& name);

// The hands file. Read from the first that exists (a file or not, so that
// an unreadable one is reported): beside the program (only when
// ProgramFolderWritable), $XDG_DATA_HOME/clockkit/Hands.dat, the shared
// one; ReadFrom is "" when none does. Written (with its backup) into the
// program's folder when ProgramFolderWritable, else into
// $XDG_DATA_HOME/clockkit/, which the writer creates.
struct HandsFileLocation {
  std::string ReadFrom;
  std::string WriteFolder;  // ends in '/'
};
HandsFileLocation LocateHandsFile();

// The maker's settings, <program name>.ini: beside the program when
// ProgramFolderWritable, else in $XDG_CONFIG_HOME.
std::string ProgramSettingsFile();

}  // namespace platform
