// Connects the main window's dial layers to the dial rendering library
// (maker_dial): the window's state goes in, the preview images take the
// result.
#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QAction>

#include "maker/maker_services.h"
#include "maker/maker_widgets.h"
#include "maker/maker_window.h"

#include "maker/dial/frame_ring.h"
#include "maker/dial/key_colour.h"
#include "maker/dial/numerals.h"

namespace maker {

namespace {

// The picture ImageBG shows while a work picture is loaded; null otherwise.
const imaging::Bitmap* ShownBackground(const TFormMain& w) {
  if (w.WorkPictureBitmap.Empty()) return nullptr;
  return w.ImageBG.Picture.Solid();
}

NumeralStyle ChosenStyle(const TFormMain& w) {
  if (w.RadioButtonMJ21->isChecked()) return NumeralStyle::ArabicUpright;
  if (w.RadioButtonMJ22->isChecked()) return NumeralStyle::RomanUpright;
  if (w.RadioButtonMJ23->isChecked()) return NumeralStyle::KanjiUpright;
  if (w.RadioButtonMJ2A->isChecked()) return NumeralStyle::ArabicRadial;
  if (w.RadioButtonMJ2B->isChecked()) return NumeralStyle::RomanRadial;
  if (w.RadioButtonMJ2C->isChecked()) return NumeralStyle::KanjiRadial;
  if (w.RadioButtonMJ2D->isChecked()) return NumeralStyle::CustomRadial;
  return NumeralStyle::None;
}

NumeralRenderInput NumeralInput(const TFormMain& w) {
  NumeralRenderInput in;
  in.Style = ChosenStyle(w);
  in.ImageWidth = w.ImageMJ2.Width;
  in.ImageHeight = w.ImageMJ2.Height;
  in.Font = w.NumeralFont;
  in.CustomText = w.EditMJ2D->text().toStdString();
  in.WorkPicture = w.WorkPictureBitmap.Empty() ? nullptr : &w.WorkPictureBitmap;
  in.BackgroundWidth = w.ImageBG.Width;
  in.BackgroundHeight = w.ImageBG.Height;
  return in;
}

class LibraryDial : public DialServices {
 public:
  void RenderFrame(TFormMain& w) override {
    FrameRenderInput in;
    in.SelectedRow = w.StringGridFG->Row();
    in.FramePicture = in.SelectedRow >= 0 && in.SelectedRow < int(w.FramePictures.size())
                          ? &w.FramePictures[size_t(in.SelectedRow)]
                          : nullptr;
    in.ImageWidth = w.ImageFG.Width;
    in.ImageHeight = w.ImageFG.Height;
    in.FrameMargin = w.FrameMargin;
    in.Smooth = w.CheckBoxFG->isChecked();
    in.AutoColour = w.CheckBoxAutoColor->isChecked();
    in.SampleColour = w.PanelColorSample->Color();
    in.BlackBackground = w.PM_B->isChecked();
    in.Background = ShownBackground(w);
    FrameRenderResult r = maker::RenderFrame(in);
    w.FrameIndex = r.FrameIndex;
    w.ImageFG.Picture = LayerPicture::Packed(std::move(r.Picture));
    w.ImageFG.Changed();
  }
  void RenderNumeralRing(TFormMain& w) override {
    RingRenderInput in;
    in.SelectedRow = w.StringGridHR->Row();
    in.RingPicture = in.SelectedRow >= 0 && in.SelectedRow < int(w.NumeralRingPictures.size())
                         ? &w.NumeralRingPictures[size_t(in.SelectedRow)]
                         : nullptr;
    in.ImageLeft = w.ImageMJ1.Left;
    in.ImageTop = w.ImageMJ1.Top;
    in.ImageWidth = w.ImageMJ1.Width;
    in.ImageHeight = w.ImageMJ1.Height;
    in.BackgroundLeft = w.ImageBG.Left;
    in.BackgroundTop = w.ImageBG.Top;
    in.Smooth = w.CheckBoxHR->isChecked();
    in.WorkPicture = w.WorkPictureBitmap.Empty() ? nullptr : &w.WorkPictureBitmap;
    in.Background = ShownBackground(w);
    RingRenderResult r = maker::RenderNumeralRing(in);
    w.NumeralRingIndex = r.NumeralRingIndex;
    w.ImageMJ1.Picture = LayerPicture::Packed(std::move(r.Picture));
    w.ImageMJ1.Changed();
  }
  // The layers are kept packed: they are mostly their transparent colour.
  void RenderNumeralsUpright(TFormMain& w) override {
    imaging::Bitmap b;
    if (maker::RenderNumeralsUpright(NumeralInput(w), b)) w.ImageMJ2.Picture = LayerPicture::Packed(std::move(b));
    w.ImageMJ2.Changed();
  }
  void RenderNumeralsRadial(TFormMain& w) override {
    imaging::Bitmap b;
    if (maker::RenderNumeralsRadial(NumeralInput(w), b)) w.ImageMJ2.Picture = LayerPicture::Packed(std::move(b));
    w.ImageMJ2.Changed();
  }
  void CompositeTransparent(imaging::Bitmap& base, imaging::Bitmap& overlay) override {
    maker::CompositeTransparent(base, overlay);
  }
  void NudgeKeyColour(imaging::Bitmap& picture, imaging::Colour c) override { maker::NudgeKeyColour(picture, c); }
  platform::FontChoice DefaultNumeralFont() override { return maker::DefaultNumeralFont(); }
  platform::FontChoice NumeralFontAsDrawn(const platform::FontChoice& font) override {
    return maker::NumeralFontAsDrawn(font);
  }
};


}  // namespace

std::unique_ptr<DialServices> MakeDialServices() { return std::make_unique<LibraryDial>(); }

}  // namespace maker
