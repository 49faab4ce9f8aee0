// Services of the desktop the programs run on: special folders, the running
// program's own file, the version query, the nearest displayable colour.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

// Folder identifiers the programs ask for.
enum SpecialFolder : int {
  CSIDL_PROGRAMS = 0x02,
  CSIDL_PERSONAL = 0x05,
  CSIDL_STARTUP = 0x07,
  CSIDL_DESKTOPDIRECTORY = 0x10,
  CSIDL_APPDATA = 0x1A,
};

// $XDG_CONFIG_HOME and $XDG_DATA_HOME (default ~/.config and
// ~/.local/share); a value that is empty or not an absolute path counts as
// unset, as the XDG base-directory rules say. "" without a home folder.
std::string ConfigHome();
std::string DataHome();

// The folder's path, or "" when it cannot be found. Application data is
// the configuration home; documents and desktop come from the XDG user
// dirs; Startup is <configuration home>/autostart; Programs is
// <data home>/applications.
std::string GetSpecialFolderPath(int folder);

// The running program's file (/proc/self/exe), unless a test set another.
std::string ProgramFileName();
void SetProgramFileNameForTest(const std::string& path);  // "" restores

struct OsVersionInfo {
  int PlatformId = 0;  // 1: the 95 family, 2: the NT family
  int Major = 0, Minor = 0, Build = 0;
  std::string ServicePack;
};
// This platform reports the NT family at a current version, so no command
// is hidden. False when the query fails.
bool GetOsVersion(OsVersionInfo& info);
// "Win95", "Win98", "Win98SE", "WinME", "WinNT", "Win2000", "WinXP" or
// "Unknown", from a version record.
std::string OsNameOf(bool queryOk, const OsVersionInfo& info);
std::string GetOSName();

// The nearest colour the screen can show: the colour itself on 24- and
// 32-bit screens.
uint32_t NearestColour(uint32_t colour);

// File-name helpers with the platform's separator.
std::string ExtractFileName(const std::string& path);
std::string ChangeFileExt(const std::string& path, const std::string& ext);
std::string IncludeTrailingSeparator(const std::string& folder);

}  // namespace platform
