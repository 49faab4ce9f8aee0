// Files dropped on a window: the local file names a drop carries.
#pragma once

#include <string>
#include <vector>

class QMimeData;

namespace platform {

// The local files of a drop, in the order the drop lists them; nothing for
// a drop without local files.
std::vector<std::string> DroppedFileNames(const QMimeData* mime);

}  // namespace platform
