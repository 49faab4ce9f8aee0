#include "platform/resources.h"

#include <QFile>
#include <QString>

namespace platform {

namespace {
QString PathOf(const std::string& type, int id) {
  return QStringLiteral(":/%1/%2").arg(QString::fromStdString(type)).arg(id);
}
}  // namespace

bool HasResource(const std::string& type, int id) { return QFile::exists(PathOf(type, id)); }

std::vector<uint8_t> LoadResource(const std::string& type, int id) {
  QFile f(PathOf(type, id));
  if (!f.open(QIODevice::ReadOnly)) throw ResourceError("#" + std::to_string(id) + " リソースが見つかりません");
  const QByteArray bytes = f.readAll();
  return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

}  // namespace platform
