// Replacing a file whole or not at all, durably: the new bytes reach the
// disk before they take the old file's place, and the folder entry is
// flushed after the move, so a crash or power loss at any moment leaves the
// old file or the new one, never an empty or cut one.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

namespace platform {

// Writes the bytes to a new file of a unique name in the same folder,
// flushes it to the disk, moves it over `path` and flushes the folder. A
// failed write leaves an existing file as it was, no other file touched and
// no scratch file behind. `mode` is the new file's permission bits, less the
// process's umask. A symbolic link to a file is written through: the file it
// names is replaced and the link kept. False when the file cannot be written.
bool ReplaceFile(const std::string& path, const void* data, size_t size, unsigned mode = 0644);

// The file that a symbolic link names, its chain of links followed; any
// other path as it is. A file is replaced there, so that the link stays.
std::string FileBehindLink(const std::string& path);

// Moves `from` over `to` (replacing it in one step) and flushes the folder.
// False when the move fails; errno tells why.
bool RenameDurably(const std::string& from, const std::string& to);

// A second name `to` for the file `from` names (a symbolic link is
// followed), flushed to the disk; an existing `to` is not replaced. False
// when the folder's file system cannot give a file two names, or on error.
bool LinkDurably(const std::string& from, const std::string& to);

// Flushes the entries of the folder that holds `path`, so that a rename, a
// new name or a removal in it survives a power loss. True also on a file
// system that has no folder flush.
bool SyncFolderOf(const std::string& path);

// The system calls of the functions above, for tests that make one of them
// fail. The hook sees each step as it is about to happen; false makes the
// step fail as an input/output error would.
enum class FileStep { Create, Write, Sync, Close, Rename, Link, SyncFolder };
using FileStepHook = std::function<bool(FileStep)>;
// Installs a hook (none: every step runs); returns the one it replaces.
FileStepHook SetFileStepHook(FileStepHook hook);

}  // namespace platform
