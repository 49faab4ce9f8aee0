// Opening a document or address with the desktop's default handler.
#pragma once

#include <functional>
#include <string>

namespace platform {

// False when the desktop reports that it cannot open the address.
bool ShellOpen(const std::string& url);
// Tests replace the desktop's handler; none restores it.
void SetShellOpenHookForTest(std::function<bool(const std::string&)> hook);

}  // namespace platform
