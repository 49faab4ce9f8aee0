#include "platform/replace_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <vector>

namespace platform {

namespace {

// The process's umask, read without changing it (022 when it cannot be read).
unsigned CurrentUmask() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("Umask:", 0) == 0) return unsigned(std::stoul(line.substr(6), nullptr, 8));
  return 022;
}

}  // namespace

std::string FileBehindLink(const std::string& path) {
  std::error_code ec;
  if (std::filesystem::is_symlink(path, ec)) {
    const std::filesystem::path target = std::filesystem::weakly_canonical(path, ec);
    if (!ec) return target.string();
  }
  return path;
}

bool ReplaceFile(const std::string& linkOrPath, const void* data, size_t size, unsigned mode) {
  // A symbolic link is written through: its target gets the new content and
  // the link stays a link (renaming over it would put a plain file in its
  // place and leave the target as it was).
  const std::string path = FileBehindLink(linkOrPath);
  std::vector<char> name(path.begin(), path.end());
  for (const char c : std::string(".XXXXXX")) name.push_back(c);
  name.push_back('\0');
  const int fd = ::mkstemp(name.data());
  if (fd < 0) return false;
  const std::string temp(name.data());
  static const unsigned umaskBits = CurrentUmask();
  bool ok = ::fchmod(fd, mode & ~umaskBits & 07777) == 0;
  const char* p = static_cast<const char*>(data);
  size_t done = 0;
  while (ok && done < size) {
    const ssize_t n = ::write(fd, p + done, size - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      ok = false;
      break;
    }
    done += size_t(n);
  }
  ok = (::close(fd) == 0) && ok;
  if (!ok || std::rename(temp.c_str(), path.c_str()) != 0) {
    ::unlink(temp.c_str());
    return false;
  }
  return true;
}

}  // namespace platform
