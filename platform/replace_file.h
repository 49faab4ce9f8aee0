// Replacing a file whole or not at all.
#pragma once

#include <cstddef>
#include <string>

namespace platform {

// Writes the bytes to a new file of a unique name in the same folder and
// moves it over `path`. A failed write leaves an existing file as it was and
// no other file touched. `mode` is the new file's permission bits, less the
// process's umask. A symbolic link to a file is written through: the file it
// names is replaced and the link kept. False when the file cannot be written.
bool ReplaceFile(const std::string& path, const void* data, size_t size, unsigned mode = 0644);

// The file that a symbolic link names, its chain of links followed; any
// other path as it is. A file is replaced there, so that the link stays.
std::string FileBehindLink(const std::string& path);

}  // namespace platform
