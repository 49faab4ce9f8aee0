#include "platform/program_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "platform/system.h"

namespace platform {

namespace {

bool IsFolder(const std::string& path) {
  std::error_code ec;
  return std::filesystem::is_directory(path, ec);
}

bool Exists(const std::string& path) {
  std::error_code ec;
  return std::filesystem::exists(path, ec);
}

// $XDG_DATA_HOME/clockkit/, or "" without a home folder.
std::string UserDataFolder() {
  const std::string home = DataHome();
  return home.empty() ? std::string() : home + "/" + kDataFolderName + "/";
}

}  // namespace

bool ProgramFolderWritable() { return !IsFolder(SharedDataFolder()) && FolderWritable(ProgramFolderPath()); }

bool FolderWritable(const std::string& folder) {
  struct stat st {};
  if (folder.empty() || stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
  if (faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) != 0) return false;
  return (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0;
}

std::string ProgramFolderPath() {
  const std::string program = ProgramFileName();
  const size_t slash = program.find_last_of('/');
  return slash == std::string::npos ? std::string("./") : program.substr(0, slash + 1);
}

std::string SharedDataFolder() {
  const std::filesystem::path p =
      (std::filesystem::path(ProgramFolderPath()) / ".." / "share" / kDataFolderName).lexically_normal();
  return IncludeTrailingSeparator(p.string());
}

std::string PictureFolder(const std::string& name) {
  const std::string beside = ProgramFolderPath() + name + "/";
  if (IsFolder(beside)) return beside;
  const std::string shared = SharedDataFolder() + name + "/";
  return IsFolder(shared) ? shared : beside;
}

HandsFileLocation LocateHandsFile() {
  const std::string program = ProgramFolderPath();
  const bool writable = ProgramFolderWritable();
  const std::string user = UserDataFolder();
  HandsFileLocation l;
  l.WriteFolder = writable || user.empty() ? program : user;
  const std::string candidates[] = {writable ? program + "Hands.dat" : std::string(),
                                    user.empty() ? std::string() : user + "Hands.dat",
                                    SharedDataFolder() + "Hands.dat"};
  for (const std::string& c : candidates) {
    if (!c.empty() && Exists(c)) {
      l.ReadFrom = c;
      break;
    }
  }
  return l;
}

std::string ProgramSettingsFile() {
  const std::string program = ProgramFileName();
  const std::string config = ConfigHome();
  if (ProgramFolderWritable() || config.empty()) return ChangeFileExt(program, ".ini");
  return config + "/" + ChangeFileExt(ExtractFileName(program), ".ini");
}

}  // namespace platform
