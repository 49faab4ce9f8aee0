// What the maker's dialogs and the thumbnail browser use of the main window.
// The main window implements it; tests give a small fake.
#pragma once

#include <string>

namespace imaging {
class Bitmap;
}

namespace maker {

class MakerHost {
 public:
  virtual ~MakerHost() = default;
  // The picture being edited and its one-level undo copy (24 bits).
  virtual imaging::Bitmap& WorkPicture() = 0;
  virtual imaging::Bitmap& UndoPicture() = 0;
  // Enables or disables the Edit menu's undo item.
  virtual void SetUndoEnabled(bool enabled) = 0;
  // Shows the changed work picture (view, caption, preview).
  virtual void WorkPictureChanged() = 0;
  // Folder of the thumbnail browser.
  virtual std::string PictureDir() const = 0;
  // Loads a picture file as the work picture, reporting failures itself.
  virtual void LoadPictureFile(const std::string& path) = 0;
  // Gives the main window the keyboard focus.
  virtual void FocusMainWindow() = 0;
};

}  // namespace maker
