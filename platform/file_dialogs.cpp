#include "platform/file_dialogs.h"

#include <QColorDialog>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPixmap>
#include <QVBoxLayout>
#include <QVariant>
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
    // "*.*" means every file, as where the filters come from; here many
    // files, programs above all, have no extension.
    QStringList patterns = parts[i + 1].split(';', Qt::SkipEmptyParts);
    for (QString& p : patterns)
      if (p == QLatin1String("*.*")) p = QStringLiteral("*");
    out << parts[i] + " (" + patterns.join(' ') + ")";
  }
  return out;
}

// An open dialog that gives a typed name the default extension only when
// the name as typed is no file and the name with the extension is one: a
// program without an extension is taken as it is.
class OpenFileDialog : public QFileDialog {
 public:
  OpenFileDialog(QWidget* parent, const QString& title, QString ext) : QFileDialog(parent, title), ext_(std::move(ext)) {}
  // The file chosen: the name with the extension added, or the selection.
  QString Chosen() const { return withExt_.isEmpty() ? selectedFiles().value(0) : withExt_; }
  void accept() override {
    const QStringList files = selectedFiles();
    if (files.size() == 1 && !ext_.isEmpty()) {
      const QFileInfo typed(files.first());
      const QString withExt = files.first() + '.' + ext_;
      if (!typed.exists() && typed.suffix().isEmpty() && QFileInfo(withExt).isFile()) {
        withExt_ = withExt;
        QDialog::accept();
        return;
      }
    }
    QFileDialog::accept();
  }

 private:
  QString ext_, withExt_;
};

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
  std::string ext = s.DefaultExt;
  while (!ext.empty() && (ext[0] == '*' || ext[0] == '.')) ext.erase(0, 1);
  OpenFileDialog dlg(parent, Q(s.Title), kind == FileDialogKind::Open ? Q(ext) : QString());
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
  if (kind == FileDialogKind::Save && !ext.empty()) dlg.setDefaultSuffix(Q(ext));
  // Wildcard names ("Hands*.dat") are patterns, not proposals.
  if (!name.empty() && name.find('*') == std::string::npos) dlg.selectFile(Q(name));
  if (dlg.exec() != QDialog::Accepted || dlg.Chosen().isEmpty()) return false;
  s.FileName = dlg.Chosen().toStdString();
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

namespace {

// The colours a font can take in the font dialog, as the desktop's classic
// sixteen-colour list offers them (0x00BBGGRR).
struct NamedColour {
  const char* name;
  uint32_t colour;
};
constexpr NamedColour kFontColours[] = {
    {"黒", 0x000000},   {"栗色", 0x000080}, {"緑", 0x008000},   {"オリーブ", 0x008080},
    {"濃紺", 0x800000}, {"紫", 0x800080},   {"青緑", 0x808000}, {"灰色", 0x808080},
    {"銀色", 0xC0C0C0}, {"赤", 0x0000FF},   {"明るい緑", 0x00FF00}, {"黄", 0x00FFFF},
    {"青", 0xFF0000},   {"赤紫", 0xFF00FF}, {"水色", 0xFFFF00}, {"白", 0xFFFFFF},
};

}  // namespace

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

  // Qt's font chooser has no colour, so it sits in a dialog of ours together
  // with the colour list.
  QDialog dlg(parent);
  dlg.setWindowTitle(QStringLiteral("フォント"));
  auto* chooser = new QFontDialog(q, &dlg);
  chooser->setOptions(QFontDialog::NoButtons);
  chooser->setWindowFlags(Qt::Widget);
  const QFont opened = chooser->currentFont();
  // The chooser takes Return and Escape in its lists as its own OK and
  // Cancel; the whole dialog ends with it rather than stay empty.
  QObject::connect(chooser, &QDialog::accepted, &dlg, &QDialog::accept);
  QObject::connect(chooser, &QDialog::rejected, &dlg, &QDialog::reject);
  auto* colours = new QComboBox(&dlg);
  int current = -1;
  for (const NamedColour& c : kFontColours) {
    QPixmap swatch(16, 16);
    swatch.fill(ToQColor(c.colour));
    colours->addItem(QIcon(swatch), QString::fromUtf8(c.name), QVariant::fromValue(uint(c.colour)));
    if (c.colour == (f.Color & 0xFFFFFF)) current = colours->count() - 1;
  }
  if (current < 0) {  // a colour outside the list stays selectable as it is
    QPixmap swatch(16, 16);
    swatch.fill(ToQColor(f.Color));
    colours->addItem(QIcon(swatch), QStringLiteral("カスタム"), QVariant::fromValue(uint(f.Color & 0xFFFFFF)));
    current = colours->count() - 1;
  }
  colours->setCurrentIndex(current);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dlg);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dlg, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dlg, &QDialog::reject);
  auto* colourRow = new QHBoxLayout;
  colourRow->addWidget(new QLabel(QStringLiteral("色(&C):"), &dlg));
  colourRow->addWidget(colours, 1);
  auto* layout = new QVBoxLayout(&dlg);
  layout->addWidget(chooser);
  layout->addLayout(colourRow);
  layout->addWidget(buttons);
  if (dlg.exec() != QDialog::Accepted) return false;

  // A font left as the dialog opened on it keeps its record: the chooser's
  // size in points need not give the same pixel height back.
  const QFont chosen = chooser->currentFont();
  if (chosen != opened) {
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
  }
  // So does a colour left as it was (a system colour value included).
  if (colours->currentIndex() != current) f.Color = uint32_t(colours->currentData().toUInt());
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
