#include "platform/file_dialogs.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QStringList>

#include <filesystem>

namespace platform {

namespace {

DialogHook& Hook() {
  static DialogHook hook;
  return hook;
}

QString Q(const std::string& s) { return QString::fromStdString(s); }

// "Text|a;b|Text2|c" becomes Qt's "Text (a b);;Text2 (c)".
QStringList QtFilters(const std::string& filter) {
  QStringList out;
  const QStringList parts = Q(filter).split('|');
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    QString patterns = parts[i + 1];
    patterns.replace(';', ' ');
    out << parts[i] + " (" + patterns + ")";
  }
  return out;
}

QColor ToQColor(uint32_t c) { return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF)); }
uint32_t FromQColor(const QColor& q) { return uint32_t(q.red()) | (uint32_t(q.green()) << 8) | (uint32_t(q.blue()) << 16); }

}  // namespace

DialogHook SetDialogHook(DialogHook hook) {
  DialogHook old = std::move(Hook());
  Hook() = std::move(hook);
  return old;
}

std::string ExtractFileExt(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  const size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
  return path.substr(dot);
}

bool ExecuteFileDialog(FileDialogKind kind, FileDialogSettings& s, QWidget* parent) {
  if (Hook()) {
    DialogRequest r;
    r.kind = kind == FileDialogKind::Open ? DialogRequest::Open : DialogRequest::Save;
    r.file = &s;
    return Hook()(r);
  }
  QFileDialog dlg(parent, Q(s.Title));
  dlg.setAcceptMode(kind == FileDialogKind::Open ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
  dlg.setFileMode(kind == FileDialogKind::Open ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
  if (!s.PromptOverwrite) dlg.setOption(QFileDialog::DontConfirmOverwrite);
  std::string dir = s.InitialDir;
  std::string name = s.FileName;
  // A proposed name with a folder opens in that folder.
  const size_t slash = name.find_last_of('/');
  if (slash != std::string::npos) {
    if (dir.empty()) dir = name.substr(0, slash);
    name = name.substr(slash + 1);
  }
  if (!dir.empty()) dlg.setDirectory(Q(dir));
  const QStringList filters = QtFilters(s.Filter);
  if (!filters.isEmpty()) {
    dlg.setNameFilters(filters);
    if (s.FilterIndex >= 1 && s.FilterIndex <= filters.size()) dlg.selectNameFilter(filters[s.FilterIndex - 1]);
  }
  std::string ext = s.DefaultExt;
  while (!ext.empty() && (ext[0] == '*' || ext[0] == '.')) ext.erase(0, 1);
  if (!ext.empty()) dlg.setDefaultSuffix(Q(ext));
  // Wildcard names ("Hands*.dat") are patterns, not proposals.
  if (!name.empty() && name.find('*') == std::string::npos) dlg.selectFile(Q(name));
  if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return false;
  s.FileName = dlg.selectedFiles().first().toStdString();
  const int idx = int(filters.indexOf(dlg.selectedNameFilter()));
  if (idx >= 0) s.FilterIndex = idx + 1;
  return true;
}

bool ExecuteColourDialog(uint32_t& colour, QWidget* parent) {
  if (Hook()) {
    DialogRequest r;
    r.kind = DialogRequest::Colour;
    r.colour = &colour;
    return Hook()(r);
  }
  const QColor c = QColorDialog::getColor(ToQColor(colour), parent);
  if (!c.isValid()) return false;
  colour = FromQColor(c);
  return true;
}

bool ExecuteFontDialog(FontChoice& f, QWidget* parent) {
  if (Hook()) {
    DialogRequest r;
    r.kind = DialogRequest::Font;
    r.font = &f;
    return Hook()(r);
  }
  QFont q(Q(f.Name));
  if (f.Height < 0)
    q.setPixelSize(-f.Height);
  else if (f.Size > 0)
    q.setPointSize(f.Size);
  q.setBold(f.Bold);
  q.setItalic(f.Italic);
  q.setUnderline(f.Underline);
  q.setStrikeOut(f.StrikeOut);
  bool ok = false;
  const QFont chosen = QFontDialog::getFont(&ok, q, parent);
  if (!ok) return false;
  f.Name = chosen.family().toStdString();
  if (chosen.pixelSize() > 0) {
    f.Height = -chosen.pixelSize();
  } else {
    f.Size = chosen.pointSize();
    f.Height = -int(chosen.pointSizeF() * 96.0 / 72.0 + 0.5);  // 96 pixels per inch
  }
  f.Bold = chosen.bold();
  f.Italic = chosen.italic();
  f.Underline = chosen.underline();
  f.StrikeOut = chosen.strikeOut();
  return true;
}

bool ExecuteFolderDialog(const std::string& caption, std::string& folder, QWidget* parent) {
  if (Hook()) {
    DialogRequest r;
    r.kind = DialogRequest::Folder;
    r.folder = &folder;
    r.caption = caption;
    return Hook()(r);
  }
  const QString chosen = QFileDialog::getExistingDirectory(parent, Q(caption), Q(folder));
  if (chosen.isEmpty()) return false;
  folder = chosen.toStdString();
  return true;
}

}  // namespace platform
