#include "platform/replace_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <vector>

namespace platform {

namespace {

std::mutex g_hookMutex;
FileStepHook g_hook;

// False (errno EIO) when a test's hook makes this step fail.
bool Allowed(FileStep step) {
  FileStepHook hook;
  {
    std::lock_guard<std::mutex> lock(g_hookMutex);
    hook = g_hook;
  }
  if (!hook || hook(step)) return true;
  errno = EIO;
  return false;
}

// The process's umask, read without changing it (022 when it cannot be read).
unsigned CurrentUmask() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("Umask:", 0) == 0) return unsigned(std::stoul(line.substr(6), nullptr, 8));
  return 022;
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

bool SyncFolderOf(const std::string& path) {
  if (!Allowed(FileStep::SyncFolder)) return false;
  const int fd = ::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  // A folder the user may write in but not list cannot be opened to flush.
  if (fd < 0) return errno == EACCES;
  const bool ok = ::fsync(fd) == 0 || errno == EINVAL;
  const int saved = errno;
  ::close(fd);
  errno = saved;
  return ok;
}

std::string FileBehindLink(const std::string& path) {
  std::error_code ec;
  if (std::filesystem::is_symlink(path, ec)) {
    const std::filesystem::path target = std::filesystem::weakly_canonical(path, ec);
    if (!ec) return target.string();
  }
  return path;
}

FileStepHook SetFileStepHook(FileStepHook hook) {
  std::lock_guard<std::mutex> lock(g_hookMutex);
  std::swap(g_hook, hook);
  return hook;
}

bool ReplaceFile(const std::string& linkOrPath, const void* data, size_t size, unsigned mode) {
  // A symbolic link is written through: its target gets the new content and
  // the link stays a link (renaming over it would put a plain file in its
  // place and leave the target as it was).
  const std::string path = FileBehindLink(linkOrPath);
  std::vector<char> name(path.begin(), path.end());
  for (const char c : std::string(".XXXXXX")) name.push_back(c);
  name.push_back('\0');
  if (!Allowed(FileStep::Create)) return false;
  const int fd = ::mkstemp(name.data());
  if (fd < 0) return false;
  const std::string temp(name.data());
  static const unsigned umaskBits = CurrentUmask();
  bool ok = ::fchmod(fd, mode & ~umaskBits & 07777) == 0;
  const char* p = static_cast<const char*>(data);
  size_t done = 0;
  while (ok && done < size) {
    if (!Allowed(FileStep::Write)) {
      ok = false;
      break;
    }
    const ssize_t n = ::write(fd, p + done, size - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      ok = false;
      break;
    }
    done += size_t(n);
  }
  // The bytes are on the disk before the new file takes the old one's name.
  ok = ok && Allowed(FileStep::Sync) && ::fsync(fd) == 0;
  const bool closed = ::close(fd) == 0;
  ok = ok && closed && Allowed(FileStep::Close);
  if (ok && RenameDurably(temp, path)) return true;
  ::unlink(temp.c_str());  // gone already when only the folder flush failed
  return false;
}

bool RenameDurably(const std::string& from, const std::string& to) {
  if (!Allowed(FileStep::Rename) || std::rename(from.c_str(), to.c_str()) != 0) return false;
  return SyncFolderOf(to);
}

bool LinkDurably(const std::string& from, const std::string& to) {
  if (!Allowed(FileStep::Link) || ::linkat(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), AT_SYMLINK_FOLLOW) != 0)
    return false;
  return SyncFolderOf(to);
}

}  // namespace platform
