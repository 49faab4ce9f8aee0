#include "platform/shell_link.h"
#include "platform/replace_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <mutex>

#include "platform/system.h"

namespace platform {

namespace {

std::mutex g_saverMutex;
ShellLinkSaver g_saver;

// Escapes of a string value in a desktop entry.
std::string EscapeValue(const std::string& s) {
  std::string out;
  for (char c : s) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\t': out += "\\t"; break;
      case '\r': out += "\\r"; break;
      default: out += c;
    }
  }
  return out;
}

// The program path as one quoted argument of Exec: inside the quotes '"',
// '`', '$' and '\' take a backslash, '%' is doubled (field codes); then the
// whole is escaped as a string value.
std::string QuoteExecArgument(const std::string& path) {
  std::string q = "\"";
  for (char c : path) {
    if (c == '"' || c == '`' || c == '$' || c == '\\') q += '\\';
    if (c == '%') q += '%';
    q += c;
  }
  q += '"';
  return EscapeValue(q);
}

bool WriteDesktopEntry(const ShellLink& link, const std::string& linkFile) {
  const std::string file = DesktopEntryFileName(linkFile);
  std::string stem = ExtractFileName(file);
  stem = stem.substr(0, stem.size() - std::string(".desktop").size());
  const std::string text = DesktopEntryText(link, stem);
  // An old link is replaced whole or not at all. Executable (within the
  // umask): desktops start entries in the desktop folder only when they are
  // marked so.
  return ReplaceFile(file, text.data(), text.size(), 0755);
}

}  // namespace

std::string GetShellFolderPath(int folderId) {
  if (folderId == 0) return GetSpecialFolderPath(CSIDL_DESKTOPDIRECTORY);
  return GetSpecialFolderPath(folderId);
}

std::string DesktopEntryFileName(const std::string& linkFile) { return ChangeFileExt(linkFile, ".desktop"); }

std::string DesktopEntryText(const ShellLink& link, const std::string& name) {
  std::string t = "[Desktop Entry]\n";
  t += "Type=Application\n";
  t += "Name=" + EscapeValue(name) + "\n";
  t += "Exec=" + QuoteExecArgument(link.Path) + "\n";
  t += "Path=" + EscapeValue(link.WorkingDirectory) + "\n";
  if (!link.Icon.empty()) t += "Icon=" + EscapeValue(link.Icon) + "\n";
  return t;
}

bool SaveShellLink(const ShellLink& link, const std::string& linkFile) {
  ShellLinkSaver saver;
  {
    std::lock_guard<std::mutex> lock(g_saverMutex);
    saver = g_saver;
  }
  if (saver) return saver(link, linkFile);
  return WriteDesktopEntry(link, linkFile);
}

ShellLinkSaver SetShellLinkSaverForTest(ShellLinkSaver saver) {
  std::lock_guard<std::mutex> lock(g_saverMutex);
  ShellLinkSaver old = std::move(g_saver);
  g_saver = std::move(saver);
  return old;
}

}  // namespace platform
