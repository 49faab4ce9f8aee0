#include "platform/app_setup.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace platform {

void PreferX11UnderWayland() {
  if (!std::getenv("QT_QPA_PLATFORM") && std::getenv("WAYLAND_DISPLAY")) setenv("QT_QPA_PLATFORM", "xcb", 1);
}

namespace {

bool IsExecutableFile(const std::string& name) {
  struct stat st{};
  return stat(name.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(name.c_str(), X_OK) == 0;
}

// A folder list as the launcher is searched in it: an empty entry is the
// current folder; without a list, the C library's default PATH.
bool LauncherIn(const char* path) {
  const std::string_view list = path ? path : "/bin:/usr/bin";
  for (size_t start = 0;;) {
    const size_t end = std::min(list.find(':', start), list.size());
    const std::string_view folder = list.substr(start, end - start);
    if (IsExecutableFile((folder.empty() ? std::string(".") : std::string(folder)) + "/dbus-launch")) return true;
    if (end == list.size()) return false;
    start = end + 1;
  }
}

// A D-Bus address value: bytes outside the always-allowed set as %XX.
std::string EscapeAddressValue(std::string_view value) {
  std::string out;
  for (const unsigned char c : value) {
    if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '-' || c == '_' ||
        c == '/' || c == '.' || c == '\\' || c == '*') {
      out += char(c);
    } else {
      char hex[4];
      std::snprintf(hex, sizeof hex, "%%%02X", c);
      out += hex;
    }
  }
  return out;
}

}  // namespace

void AvoidMissingBusLauncher(const char* launcherFolder) {
  const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
  if (address && *address) return;
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  const bool hasRuntime = runtime && *runtime;
  const std::string bus =
      (hasRuntime ? std::string(runtime) : "/run/user/" + std::to_string(unsigned(getuid()))) + "/bus";
  struct stat st{};
  // A bus there is what the library finds by itself.
  if (hasRuntime && stat(bus.c_str(), &st) == 0 && S_ISSOCK(st.st_mode)) return;
  if (LauncherIn(launcherFolder) || LauncherIn(std::getenv("PATH"))) return;
  setenv("DBUS_SESSION_BUS_ADDRESS", ("unix:path=" + EscapeAddressValue(bus)).c_str(), 1);
}

QTranslator* InstallQtJapaneseTranslations(QCoreApplication& app) {
  auto* translator = new QTranslator(&app);
  if (!translator->load(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
      !QCoreApplication::installTranslator(translator)) {
    delete translator;
    return nullptr;
  }
  return translator;
}

}  // namespace platform
