// Generated numerals: the twelve hour labels drawn by the maker into the
// preview image ImageMJ2, upright or radial, in the user's font.
//
// The labels' centres lie on an ellipse inset by 8 % of the image's width and
// height. Upright labels are drawn flat; radial ones are turned so that their
// top points away from the centre. The picture's transparent colour is the
// work picture's pixel (0, 0) colour when a picture is loaded, else the
// NumeralBackColour (black for a pure white font, otherwise white).
//
// The main window gathers a NumeralRenderInput from its state (style from the
// radio buttons, ImageMJ2's size after LayoutClockPreview, NumeralFont,
// EditMJ2D's text as UTF-8, read at every render, the work picture, ImageBG's
// size) and passes ImageMJ2's picture as `image`; a render replaces it when
// its style is chosen and leaves it alone otherwise. The radio buttons call
// NumeralStyleChanged; the font dialog's OK, the margin spin edit (after
// LayoutClockPreview) and the clock-tab switch call RenderNumerals. The work
// picture is passed whenever one is loaded, also while ImageBG is empty after
// the size-limit message: the radial labels are drawn on copies of the work
// picture itself.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "imaging/bitmap.h"
#include "platform/file_dialogs.h"

namespace maker {

// The radio buttons RadioButtonMJ20 .. RadioButtonMJ23, RadioButtonMJ2A .. RadioButtonMJ2D.
enum class NumeralStyle {
  None,           // "なし"
  ArabicUpright,  // "ｱﾗﾋﾞｱ数字 (正立)"
  RomanUpright,   // "ﾛｰﾏ数字 (正立)"
  KanjiUpright,   // "漢数字 (正立)"
  ArabicRadial,   // "ｱﾗﾋﾞｱ数字 (放射)"
  RomanRadial,    // "ﾛｰﾏ数字 (放射)"
  KanjiRadial,    // "漢数字 (放射)"
  CustomRadial,   // "任意 (放射)": the labels of EditMJ2D
};

// The system's window-text colour as a colour value (not a plain colour).
// Labels in it are drawn black; it counts as not white.
constexpr imaging::Colour clWindowText = 0x80000008;

// The start value of NumeralFont: the main window's own font.
platform::FontChoice DefaultNumeralFont();

// The font as the labels are drawn in it: the installed family its name maps
// to, and a system colour as the colour it draws in.
platform::FontChoice NumeralFontAsDrawn(const platform::FontChoice& font);

// Black when the font colour is exactly white 0x00FFFFFF, otherwise white.
imaging::Colour NumeralBackColour(imaging::Colour fontColour);

// Up to twelve labels from EditMJ2D's text: label i is the text before the
// first remaining comma; once no comma is left, every remaining label is the
// whole rest. The first belongs to one o'clock.
std::vector<std::string> SplitCustomNumerals(const std::string& text);

// Label of hour k (1..12) in a style; custom labels come from `custom`
// (SplitCustomNumerals). Upright and radial styles share the tables.
std::string NumeralLabel(NumeralStyle style, int k, const std::vector<std::string>& custom);

// Insets of the ellipse of the label centres inside a W x H image:
// RoundHalfAway(W * 0.08f) and RoundHalfAway(H * 0.08f).
struct NumeralInsets {
  int32_t dx = 0, dy = 0;
};
NumeralInsets NumeralEllipseInsets(int32_t W, int32_t H);

struct NumeralRenderInput {
  NumeralStyle Style = NumeralStyle::None;
  int32_t ImageWidth = 0, ImageHeight = 0;           // ImageMJ2's size
  platform::FontChoice Font = DefaultNumeralFont();  // NumeralFont
  std::string CustomText = "|";                      // EditMJ2D's text, UTF-8
  const imaging::Bitmap* WorkPicture = nullptr;      // null or empty: no picture loaded
  int32_t BackgroundWidth = 128, BackgroundHeight = 128;  // ImageBG's size
};

// Each draws `image` when one of its own styles is chosen and returns true;
// otherwise it returns false and leaves `image` as it is.
bool RenderNumeralsUpright(const NumeralRenderInput& in, imaging::Bitmap& image);
bool RenderNumeralsRadial(const NumeralRenderInput& in, imaging::Bitmap& image);

// Upright, then radial: what every caller of the renders does.
void RenderNumerals(const NumeralRenderInput& in, imaging::Bitmap& image);

// The radio buttons' click: "なし" empties `image`, any other style renders.
void NumeralStyleChanged(const NumeralRenderInput& in, imaging::Bitmap& image);

}  // namespace maker
