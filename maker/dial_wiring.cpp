// Connects the main window's dial layers to the dial rendering library.
//
// TODO(dial wiring): call the frame, numeral-ring and numeral renders and the
// key-colour operations of maker_dial here once its headers are merged
// (MAKER_HAS_DIAL is defined when the target exists). Until then the layers
// show nothing and compositing keeps the base picture.
#include "maker/maker_services.h"
#include "maker/maker_widgets.h"
#include "maker/maker_window.h"

namespace maker {

namespace {

class PendingDial : public DialServices {
 public:
  void RenderFrame(TFormMain& w) override {
    w.FrameIndex = w.StringGridFG->Row();
    w.ImageFG.Clear();
  }
  void RenderNumeralRing(TFormMain& w) override {
    w.NumeralRingIndex = w.StringGridHR->Row();
    w.ImageMJ1.Clear();
  }
  void RenderNumeralsUpright(TFormMain&) override {}
  void RenderNumeralsRadial(TFormMain&) override {}
  void CompositeTransparent(imaging::Bitmap&, imaging::Bitmap&) override {}
  void NudgeKeyColour(imaging::Bitmap&, imaging::Colour) override {}
};

}  // namespace

std::unique_ptr<DialServices> MakeDialServices() { return std::make_unique<PendingDial>(); }

}  // namespace maker
