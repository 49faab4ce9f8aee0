// A scratch folder of the fuzzing process for the targets whose code under
// test works on files: in memory (/dev/shm) when there is one, removed when
// the process ends.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

inline const std::string& FuzzFolder() {
  static const std::string folder = [] {
    std::string base = std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : std::filesystem::temp_directory_path().string();
    std::string tmpl = base + "/clockkit-fuzz-XXXXXX";
    if (!::mkdtemp(tmpl.data())) std::abort();
    static const std::string keep = tmpl;
    std::atexit([] {
      std::error_code ec;
      std::filesystem::remove_all(keep, ec);
    });
    return tmpl;
  }();
  return folder;
}

// A file in the scratch folder holding the bytes.
inline std::string FuzzFile(const std::string& name, const void* data, size_t size) {
  const std::string path = FuzzFolder() + "/" + name;
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) std::abort();
  if (size && std::fwrite(data, 1, size, f) != size) std::abort();
  std::fclose(f);
  return path;
}
