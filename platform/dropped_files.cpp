#include "platform/dropped_files.h"

#include <QMimeData>
#include <QUrl>

namespace platform {

std::vector<std::string> DroppedFileNames(const QMimeData* mime) {
  std::vector<std::string> files;
  if (!mime || !mime->hasUrls()) return files;
  for (const QUrl& url : mime->urls())
    if (url.isLocalFile()) files.push_back(url.toLocalFile().toStdString());
  return files;
}

}  // namespace platform
