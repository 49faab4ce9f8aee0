#include "platform/shell.h"

#include <QDesktopServices>
#include <QUrl>

#include <mutex>

namespace platform {

namespace {
std::mutex g_mutex;
std::function<bool(const std::string&)> g_hook;
}  // namespace

bool ShellOpen(const std::string& url) {
  std::function<bool(const std::string&)> hook;
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    hook = g_hook;
  }
  if (hook) return hook(url);
  const QUrl u = QUrl::fromUserInput(QString::fromStdString(url));
  return u.isValid() && QDesktopServices::openUrl(u);
}

void SetShellOpenHookForTest(std::function<bool(const std::string&)> hook) {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_hook = std::move(hook);
}

}  // namespace platform
