// What the dial controls of the clock page set off, the clock-tab switch and
// the picture-list cells. The main window's handlers ask here what to do and
// do it in this order: store the new margin, LayoutClockPreview, RenderFrame,
// RenderNumeralRing, the numeral renders (RenderNumerals), then the preview
// refresh (one Timer1Timer tick at once when Timer1 is off, nothing while it
// runs).
#pragma once

#include <cstdint>
#include <string>

#include "imaging/bitmap.h"

class QPainter;
class QRect;

namespace maker {

enum class DialControl {
  FrameGrid,             // StringGridFGClick
  FrameSmooth,           // CheckBoxFGClick
  AutoColour,            // CheckBoxAutoColorClick
  ManualColourChosen,    // SpeedButtonColorClick after the colour dialog's OK
  FrameMargin,           // SpinEditFGChange: FrameMargin := value first
  RingGrid,              // StringGridHRClick
  RingSmooth,            // CheckBoxHRClick
  RingMargin,            // SpinEditHR1Change: RingMargin := value first
  EllipseBox,            // CheckBoxPP1Click, shared by CheckBoxPP1, PP2 and PP3
  NumeralStyle,          // RadioButtonMJ21Click: use NumeralStyleChanged
  NumeralFontChosen,     // SpeedButtonFontClick after the font dialog's OK
  NumeralMargin,         // SpinEditHR2Change: NumeralMargin := value first
  PreviewBackground,     // PM_W, PM_G, PM_B: the panel colour changes first
};

struct DialReaction {
  bool Layout = false;          // LayoutClockPreview
  bool Frame = false;           // RenderFrame
  bool Ring = false;            // RenderNumeralRing
  bool Numerals = false;        // RenderNumerals (NumeralStyleChanged for the radio buttons)
  bool PreviewRefresh = false;  // one tick when Timer1 is off
};

// autoColour: whether CheckBoxAutoColor is checked. It matters for
// ManualColourChosen (the new panel colour waits while the automatic colour
// is on) and for PreviewBackground (the frame depends on the preview
// background only through the automatic edge colour, so the frame is
// rendered again only while that is on). The colour dialog starts with the
// panel's colour; on OK the panel takes the chosen colour before the reaction.
DialReaction ReactionTo(DialControl control, bool autoColour = false);

// PageControl2Change: what to do when the window's main tab changes.
struct TabSwitchPlan {
  bool ClockTab = false;              // tab index 1 shown
  bool AttachPopupMenu = false;       // PopupMenu1 on the clock tab, none elsewhere
  bool ShowSizeMessage = false;       // confirmation box with the one button OK
  std::string SizeMessage;            // "<w> x <h>, 画像サイズが大きすぎます"
  bool BackgroundShowsPicture = false;  // ImageBG shows a copy of the work picture
  int32_t BackgroundWidth = 128, BackgroundHeight = 128;  // ImageBG's size
  bool StopTimer = true;              // RestartPreview(StopTimer)
  // Then, on the clock tab only: LayoutClockPreview, RenderFrame,
  // RenderNumeralRing, RenderNumerals, preview refresh.
  bool RenderAll = false;
};
// limitSize: PM_S "画像のｻｲｽﾞを制限する" checked. workPicture may be null.
TabSwitchPlan PlanTabSwitch(int tabIndex, bool limitSize, const imaging::Bitmap* workPicture);

// A cell of StringGridFG / StringGridHR: the picture unscaled at the cell's
// top-left corner, clipped to the cell, and a one-pixel red frame round the
// cell when it is the selected row. A null picture (a row beyond the list)
// draws nothing.
void DrawPictureListCell(QPainter& painter, const QRect& cell, const imaging::Bitmap* picture, bool selected);

}  // namespace maker
