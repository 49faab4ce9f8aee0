// The frame image (ImageFG) and the numeral-ring image (ImageMJ1) of the
// clock preview.
//
// Each render builds its image afresh from the chosen picture of its list:
// scaled to the preview image's size, its transparent area kept exact through
// the scaling by a mask, its edges optionally smoothed against what lies
// behind. The clock writer takes the frame from ImageFG (transparent colour
// always black) and composes the ring from ImageMJ1 (transparent colour: its
// pixel (0, 0)).
//
// The main window gathers the inputs from its state and controls (image
// sizes and places after LayoutClockPreview), calls the render, then stores
// FrameIndex / NumeralRingIndex from the result and lets the preview image
// show the result's picture (an empty picture = show none). The dial tabs'
// handlers render the layers they change; the clear-picture command and the
// clock-tab switch render both. The pointers need only stay
// valid for the call; pending window messages are not processed while a
// render runs.
#pragma once

#include <cstdint>

#include "imaging/bitmap.h"

namespace maker {

struct FrameRenderInput {
  int32_t SelectedRow = 0;                         // StringGridFG's selected row
  const imaging::Bitmap* FramePicture = nullptr;   // FramePictures[SelectedRow]; null when there is no such slot
  int32_t ImageWidth = 0, ImageHeight = 0;         // ImageFG's size, after LayoutClockPreview
  int32_t FrameMargin = 0;                         // SpinEditFG, preview pixels
  bool Smooth = false;                             // CheckBoxFG "ジャギー軽減": bilinear instead of nearest
  bool AutoColour = true;                          // CheckBoxAutoColor
  imaging::Colour SampleColour = 0x00FFFFFF;       // colour of PanelColorSample
  bool BlackBackground = false;                    // PM_B "背景色=黒" checked
  // The picture ImageBG shows, when a work picture is loaded and ImageBG
  // shows it; null otherwise (also after the size-limit message, when ImageBG
  // is empty while the work picture stays loaded).
  const imaging::Bitmap* Background = nullptr;
};

struct FrameRenderResult {
  int32_t FrameIndex = 0;   // the new FrameIndex (0 = none)
  imaging::Bitmap Picture;  // ImageFG's picture; empty = ImageFG shows none
};

FrameRenderResult RenderFrame(const FrameRenderInput& in);

// The colour the frame's transparent area takes before scaling, so that the
// scaled edges blend towards it. Automatic: of the two samples one pixel
// inside the left and right edge on the middle row, the smaller colour value
// on a black preview background, else the larger (compared as signed 32-bit
// values, not by brightness). Otherwise the sample panel's colour.
imaging::Colour FrameEdgeColour(const imaging::Bitmap& frame, bool autoColour, imaging::Colour sampleColour,
                                bool blackBackground);

struct RingRenderInput {
  int32_t SelectedRow = 0;                        // StringGridHR's selected row
  const imaging::Bitmap* RingPicture = nullptr;   // NumeralRingPictures[SelectedRow]; null when no such slot
  int32_t ImageLeft = 0, ImageTop = 0;            // ImageMJ1's place on PanelClockRight
  int32_t ImageWidth = 0, ImageHeight = 0;        // ImageMJ1's size, after LayoutClockPreview
  int32_t BackgroundLeft = 0, BackgroundTop = 0;  // ImageBG's place on PanelClockRight
  bool Smooth = false;                            // CheckBoxHR "ジャギー軽減"
  const imaging::Bitmap* WorkPicture = nullptr;   // null or empty: no picture loaded
  const imaging::Bitmap* Background = nullptr;    // the picture ImageBG shows; null when it shows none
};

struct RingRenderResult {
  int32_t NumeralRingIndex = 0;  // the new NumeralRingIndex (0 = none)
  imaging::Bitmap Picture;       // ImageMJ1's picture; empty = ImageMJ1 shows none
};

RingRenderResult RenderNumeralRing(const RingRenderInput& in);

}  // namespace maker
