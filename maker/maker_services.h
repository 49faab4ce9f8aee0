// What the main window uses of the dial rendering and of its dialogs. The
// window reaches both only through these two interfaces; dial_wiring.cpp and
// dialogs_wiring.cpp connect them to the libraries that do the work, and
// tests give fakes.
#pragma once

#include <memory>
#include <string>

#include "imaging/bitmap.h"
#include "platform/file_dialogs.h"

namespace maker {

class TFormMain;
class MakerHost;

// Dial layers of the preview and the key-colour compositing.
class DialServices {
 public:
  virtual ~DialServices() = default;
  // Each renders its preview image (ImageFG, ImageMJ1, ImageMJ2) from the
  // window's current state.
  virtual void RenderFrame(TFormMain& w) = 0;
  virtual void RenderNumeralRing(TFormMain& w) = 0;
  virtual void RenderNumeralsUpright(TFormMain& w) = 0;
  virtual void RenderNumeralsRadial(TFormMain& w) = 0;
  // Lays overlay over base, the overlay's pixel (0, 0) colour transparent;
  // base becomes the result, both centred.
  virtual void CompositeTransparent(imaging::Bitmap& base, imaging::Bitmap& overlay) = 0;
  // Moves every pixel of colour c off it by one step of the blue byte.
  virtual void NudgeKeyColour(imaging::Bitmap& picture, imaging::Colour c) = 0;
  // The font the generated numerals start with.
  virtual platform::FontChoice DefaultNumeralFont() = 0;
  // The numeral font as it is drawn: installed family, plain colour.
  virtual platform::FontChoice NumeralFontAsDrawn(const platform::FontChoice& font) = 0;
};

// The choice the rotate dialog leaves behind.
struct RotateChoice {
  enum Kind { R90, L90, FreeR, FreeL, FlipLR, FlipTB } Checked = R90;
  std::string EditR = "0", EditL = "0";
};

// The maker's dialogs: splash, resize, rotate, thumbnail browser, shortcuts.
class DialogServices {
 public:
  virtual ~DialogServices() = default;
  virtual void ShowSplash() = 0;
  virtual void HideSplash() = 0;
  virtual void FreeSplash() = 0;
  // Creates the resize, thumbnail, shortcut and rotate dialogs (start-up
  // step 5); the thumbnail browser starts hidden.
  virtual void CreateDialogs(MakerHost& host) = 0;
  // Puts width and height into the resize dialog's boxes, shows it modally
  // and gives back the boxes as the dialog left them (both 0 after Cancel).
  virtual void RunPicSize(int& width, int& height) = 0;
  // Shows the rotate dialog modally; the checked button and the edits.
  virtual RotateChoice RunRotate() = 0;
  // Shows the thumbnail browser, captioned and filled with the folder.
  virtual void ShowThumbs(const std::string& folder) = 0;
  // Shows the shortcut dialog modally for the clock program.
  virtual void RunShortcut(const std::string& target, bool desktopEnabled) = 0;
};

std::unique_ptr<DialServices> MakeDialServices();
std::unique_ptr<DialogServices> MakeDialogServices();

}  // namespace maker
