// The common dialogs: open and save a file, pick a colour, a font or a
// folder. Each takes its settings in a record, shows Qt's dialog and writes
// the user's choice back into the record. Tests replace the dialogs with a
// hook that sees the record and answers for the user.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

class QWidget;

namespace platform {

// Settings of an open or save dialog, as the programs define them.
struct FileDialogSettings {
  std::string InitialDir;   // folder shown first ("" = the current folder)
  std::string FileName;     // proposed name; after OK the chosen full path
  std::string DefaultExt;   // ".exe", "*.dat" or ".BMP": added when the typed name has none
  std::string Filter;       // "Text|pattern;pattern|Text|pattern" pairs
  int FilterIndex = 1;      // 1-based; after OK the filter chosen
  bool PromptOverwrite = false;  // save dialogs: ask before replacing a file
  std::string Title;
};

enum class FileDialogKind { Open, Save };

// True when the user confirmed; Settings.FileName then holds the path.
bool ExecuteFileDialog(FileDialogKind kind, FileDialogSettings& settings, QWidget* parent = nullptr);

// A colour dialog; colour is 0x00BBGGRR in and out.
bool ExecuteColourDialog(uint32_t& colour, QWidget* parent = nullptr);

struct FontChoice {
  std::string Name;   // family
  int Height = -12;   // negative: character height in pixels; positive: cell height
  int Size = 9;       // points
  uint32_t Color = 0; // 0x00BBGGRR
  bool Bold = false, Italic = false, Underline = false, StrikeOut = false;
  bool operator==(const FontChoice&) const = default;
};
bool ExecuteFontDialog(FontChoice& font, QWidget* parent = nullptr);

// A folder-choice dialog; folder in: the folder shown first, out: the choice.
bool ExecuteFolderDialog(const std::string& caption, std::string& folder, QWidget* parent = nullptr);

// What a test hook sees: which dialog, and the record it may change.
struct DialogRequest {
  enum Kind { Open, Save, Colour, Font, Folder } kind = Open;
  FileDialogSettings* file = nullptr;
  uint32_t* colour = nullptr;
  FontChoice* font = nullptr;
  std::string* folder = nullptr;
  std::string caption;
};
// The hook returns the user's answer (true = OK) after changing the record.
using DialogHook = std::function<bool(DialogRequest&)>;
// Replaces every dialog with hook (an empty hook restores them); returns
// the old hook.
DialogHook SetDialogHook(DialogHook hook);

// Extension of a file name including its dot ("" when it has none).
std::string ExtractFileExt(const std::string& path);

}  // namespace platform
