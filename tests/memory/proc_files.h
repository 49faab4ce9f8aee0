// What a process has open and mapped, as /proc shows it.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace memtest {

// The targets of the process's open file descriptors.
inline std::vector<std::string> OpenFiles(pid_t pid) {
  std::vector<std::string> files;
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/fd", ec)) {
    const std::filesystem::path target = std::filesystem::read_symlink(e.path(), ec);
    if (!ec) files.push_back(target.string());
  }
  return files;
}

// The process's memory map, one mapping a line.
inline std::string Maps(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/maps");
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace memtest
