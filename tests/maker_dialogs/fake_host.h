// A stand-in for the maker's main window.
#pragma once

#include <string>
#include <vector>

#include "imaging/bitmap.h"
#include "maker/dialogs/maker_host.h"

namespace dialogtest {

class FakeHost : public maker::MakerHost {
 public:
  imaging::Bitmap& WorkPicture() override { return work; }
  imaging::Bitmap& UndoPicture() override { return undo; }
  void SetUndoEnabled(bool enabled) override { undoEnabled = enabled; }
  void WorkPictureChanged() override { ++changes; }
  std::string PictureDir() const override { return pictureDir; }
  void LoadPictureFile(const std::string& path) override { loaded.push_back(path); }
  void FocusMainWindow() override { ++focused; }

  imaging::Bitmap work, undo;
  bool undoEnabled = false;
  int changes = 0;
  std::string pictureDir;
  std::vector<std::string> loaded;
  int focused = 0;
};

}  // namespace dialogtest
