#include "platform/system.h"

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <mutex>

namespace platform {

namespace {

// The XDG base-directory rules: a variable that is unset, empty or not an
// absolute path counts as unset. A home that is not absolute counts as none.
std::string AbsoluteEnv(const char* name) {
  const char* v = std::getenv(name);
  return v && v[0] == '/' ? std::string(v) : std::string();
}

std::string Home() { return AbsoluteEnv("HOME"); }

std::string XdgHome(const char* name, const char* fallback) {
  std::string x = AbsoluteEnv(name);
  if (!x.empty()) return x;
  const std::string h = Home();
  return h.empty() ? std::string() : h + fallback;
}

// XDG_<name>_DIR from user-dirs.dirs, with $HOME expanded.
std::string UserDir(const std::string& name, const std::string& fallback) {
  const std::string home = Home();
  if (home.empty()) return "";
  std::ifstream in(ConfigHome() + "/user-dirs.dirs");
  std::string line;
  const std::string prefix = "XDG_" + name + "_DIR=";
  while (std::getline(in, line)) {
    if (line.rfind(prefix, 0) != 0) continue;
    std::string v = line.substr(prefix.size());
    if (v.size() >= 2 && v.front() == '"' && v.back() == '"') v = v.substr(1, v.size() - 2);
    if (v.rfind("$HOME", 0) == 0) v = home + v.substr(5);
    if (!v.empty()) return v;
  }
  return home + "/" + fallback;
}

std::mutex g_programMutex;
std::string g_programOverride;

}  // namespace

std::string ConfigHome() { return XdgHome("XDG_CONFIG_HOME", "/.config"); }
std::string DataHome() { return XdgHome("XDG_DATA_HOME", "/.local/share"); }

std::string GetSpecialFolderPath(int folder) {
  std::string p;
  switch (folder) {
    case CSIDL_APPDATA: p = ConfigHome(); break;
    case CSIDL_STARTUP: p = ConfigHome().empty() ? "" : ConfigHome() + "/autostart"; break;
    case CSIDL_PROGRAMS: p = DataHome().empty() ? "" : DataHome() + "/applications"; break;
    case CSIDL_PERSONAL: p = UserDir("DOCUMENTS", "Documents"); break;
    case CSIDL_DESKTOPDIRECTORY: p = UserDir("DESKTOP", "Desktop"); break;
    default: return "";
  }
  if (p.size() > 260) return "";
  return p;
}

std::string ProgramFileName() {
  {
    std::lock_guard<std::mutex> lock(g_programMutex);
    if (!g_programOverride.empty()) return g_programOverride;
  }
  char buf[4096];
  const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return "";
  return std::string(buf, size_t(n));
}

void SetProgramFileNameForTest(const std::string& path) {
  std::lock_guard<std::mutex> lock(g_programMutex);
  g_programOverride = path;
}

bool GetOsVersion(OsVersionInfo& info) {
  info = OsVersionInfo{};
  info.PlatformId = 2;
  info.Major = 10;
  info.Minor = 0;
  info.Build = 19045;
  return true;
}

std::string OsNameOf(bool ok, const OsVersionInfo& v) {
  if (!ok) return "Unknown";
  if (v.PlatformId == 1) {
    if (v.Major == 4 && v.Minor == 0) return "Win95";
    if (v.Major == 4 && v.Minor == 10) return v.ServicePack.size() >= 2 && v.ServicePack[1] == 'A' ? "Win98SE" : "Win98";
    if (v.Major == 4 && v.Minor == 90) return "WinME";
    return "Unknown";
  }
  if (v.PlatformId == 2) {
    if (v.Major <= 4) return "WinNT";
    if (v.Major == 5 && v.Minor == 0) return "Win2000";
    if (v.Major == 5 && v.Minor == 1) return "WinXP";
    return "Unknown";
  }
  return "Unknown";
}

std::string GetOSName() {
  OsVersionInfo v;
  const bool ok = GetOsVersion(v);
  return OsNameOf(ok, v);
}

uint32_t NearestColour(uint32_t colour) { return colour & 0x00FFFFFF; }

std::string ExtractFileName(const std::string& path) {
  const size_t s = path.find_last_of('/');
  return s == std::string::npos ? path : path.substr(s + 1);
}

std::string ChangeFileExt(const std::string& path, const std::string& ext) {
  const size_t slash = path.find_last_of('/');
  const size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return path + ext;
  return path.substr(0, dot) + ext;
}

std::string IncludeTrailingSeparator(const std::string& folder) {
  if (!folder.empty() && folder.back() == '/') return folder;
  return folder + "/";
}

}  // namespace platform
