// The clock preview (layout and the 250 ms tick), the hand-set list with its
// colours and length, and the handlers of the dial tabs, which render
// through DialServices.
#include <QCheckBox>
#include <QLineEdit>
#include <QMenu>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTimer>

#include <cmath>
#include <cstdio>
#include <functional>

#include "maker/maker_common.h"
#include "maker/maker_window.h"
#include "platform/message_box.h"

namespace maker {

namespace {

// The rectangle of the image's pixels that are not white, in panel
// coordinates; empty when all are white.
QRect NonWhiteArea(const TImage& img) {
  if (img.Picture.GetPixelFormat() != imaging::PixelFormat::pf24bit) return QRect(img.Left, img.Top, img.Width, img.Height);
  const QRect r = img.Picture.Unlike(0x00FFFFFF);
  return r.isEmpty() ? QRect() : r.translated(img.Left, img.Top);
}

bool BottomLeftWhite(const LayerPicture& b) {
  return !b.Empty() && (b.PixelColour(0, b.Height() - 1) & 0x00FFFFFF) == 0x00FFFFFF;
}

}  // namespace

// ---- Hands file ----

void TFormMain::ImportHandSets(const std::string& fileName) {
  const ImportResult r = ImportHandSetsFromFile(fileName, HandSets);
  int n = r.Sections;
  StringGridHand->setEnabled(n > 0);
  if (n <= 0) n = 1;
  n -= r.Dropped;
  StringGridHand->SetRowCount(std::max(1, n));
}

// ---- Hand drawing ----

imaging::Colour TFormMain::HandColor() const { return PanelCol1->Color(); }
imaging::Colour TFormMain::SecondHandColor() const { return PanelCol2->Color(); }

void TFormMain::DrawPolygon(imaging::Canvas& c, const engine::HandPolygon& poly, int cx, int cy, int rx, int ry,
                            double phi, imaging::Colour fill) {
  c.pen = imaging::Pen{HandOutlineColor, 1};
  c.brush = imaging::Brush{fill, false};
  if (poly.empty()) return;
  std::vector<imaging::Point> pts;
  pts.reserve(poly.size());
  for (const auto& p : poly) {
    const engine::PixelPoint q = engine::PolarToScreen(p, phi, cx, cy, rx, ry, (long double)HandLengthFactor);
    pts.push_back({q.X, q.Y});
  }
  c.Polygon(pts);
}

void TFormMain::PreviewHourHand(imaging::Canvas& c, int cx, int cy, int rx, int ry, int s, double phi) {
  if (HandSets.Hour.empty() || s < 0 || s > HandSets.LastIndex()) return;
  DrawPolygon(c, HandSets.Hour[size_t(s)], cx, cy, rx, ry, phi, HandColor());
}

void TFormMain::PreviewMinuteHand(imaging::Canvas& c, int cx, int cy, int rx, int ry, int s, double phi) {
  if (HandSets.Minute.empty() || s < 0 || s > HandSets.LastIndex()) return;
  DrawPolygon(c, HandSets.Minute[size_t(s)], cx, cy, rx, ry, phi, HandColor());
}

void TFormMain::PreviewSecondHand(imaging::Canvas& c, int cx, int cy, int rx, int ry, int s, double phi) {
  if (HandSets.Second.empty() || s < 0 || s > HandSets.LastIndex()) return;
  DrawPolygon(c, HandSets.Second[size_t(s)], cx, cy, rx, ry, phi, SecondHandColor());
}

void TFormMain::PreviewCenterDisc(imaging::Canvas& c, int cx, int cy, int rx, int ry, int s) {
  if (HandSets.CenterSize.empty() || s < 0 || s > HandSets.LastIndex()) return;
  c.pen = imaging::Pen{HandOutlineColor, 1};
  c.brush = imaging::Brush{SecondHandColor(), false};
  const double size = HandSets.CenterSize[size_t(s)];
  const int a = engine::RoundHalfEven((long double)rx * size);
  const int b = engine::RoundHalfEven((long double)ry * size);
  // The ellipse's box from (cx - a, cy - b) to (cx + a, cy + b), right and
  // bottom excluded.
  c.Ellipse({cx - a, cy - b, cx + a, cy + b});
}

void TFormMain::ApplyOutlineRule() {
  const engine::HandColours hc = engine::DeriveHandColours(HandColor(), SecondHandColor());
  HandOutlineColor = hc.Outline;
  HandBackgroundColor = hc.Background;
}

void TFormMain::DrawHandSetCell(int row) {
  const imaging::Rect R = StringGridHand->CellRect(0, row);
  if (R.Bottom <= R.Top) return;
  imaging::Canvas& c = StringGridHand->Canvas();
  const int w = StringGridHand->DefaultColWidth;
  const int cx = engine::RoundHalfEven(w * 0.3L), r = engine::RoundHalfEven(w * 0.65L);
  c.brush = imaging::Brush{HandBackgroundColor, false};
  c.FillRect(R);
  const int s = row + 1;
  if (s > HandSets.LastIndex()) return;
  PreviewMinuteHand(c, cx, R.Top + 16, r, r, s, 0);
  PreviewCenterDisc(c, cx, R.Top + 16, r, r, s);
  PreviewHourHand(c, cx, R.Top + 32, r, r, s, 0);
  PreviewCenterDisc(c, cx, R.Top + 32, r, r, s);
  PreviewSecondHand(c, cx, R.Top + 48, r, r, s, 0);
  PreviewCenterDisc(c, cx, R.Top + 48, r, r, s);
}

void TFormMain::StringGridHandDrawCell(int, int row, const imaging::Rect&) {
  DrawHandSetCell(row);
  StringGridHandClick();
}

void TFormMain::StringGridHandClick() {
  BusyCursor busy;
  const imaging::Rect R = StringGridHand->CellRect(0, StringGridHand->Row());
  if (R.Bottom > R.Top) {
    imaging::Canvas& c = StringGridHand->Canvas();
    c.pen = imaging::Pen{0x000000FF, 1};
    c.FrameOutline(R);
    StringGridHand->update();
  }
  LayoutClockPreview();
  LastMinutePosition = 99.0L;
  Timer1Timer();
}

void TFormMain::SpeedButton1Click() {
  uint32_t colour = PanelCol1->Color();
  if (!platform::ExecuteColourDialog(colour, this)) return;
  PanelCol1->SetColor(colour);
  ApplyOutlineRule();
  StringGridHand->Repaint();
}

void TFormMain::SpeedButton2Click() {
  uint32_t colour = PanelCol2->Color();
  if (!platform::ExecuteColourDialog(colour, this)) return;
  PanelCol2->SetColor(colour);
  ApplyOutlineRule();
  StringGridHand->Repaint();
}

void TFormMain::TrackBar1Change() {
  HandLengthFactor = TrackBar1->value() / 20.0;
  StringGridHand->Repaint();
}

// ---- Preview ----

void TFormMain::LayoutClockPreview() {
  const int W = ImageBG.Width, H = ImageBG.Height;
  const int panelW = PanelClockRight->width(), panelH = PanelClockRight->height();
  ImageBG.Top = (panelH - H) / 2;
  ImageBG.Left = (panelW - W) / 2;
  const int S = std::min(W, H);
  const int Lq = engine::RoundHalfEven((long double)W / 2 - (long double)S / 2) + ImageBG.Left;
  const int Tq = engine::RoundHalfEven((long double)H / 2 - (long double)S / 2) + ImageBG.Top;
  // The lower limit of the ring and numeral offsets. A margin below a new,
  // higher limit is raised to it here, before the images are placed with it,
  // so that no image gets a negative size.
  const int k = 5 - RoundHalfAway((long double)S / 2);
  const QString hint = QString::number(k) + QString::fromUtf8(" ～ 20");
  for (QSpinBox* s : {SpinEditHR1, SpinEditHR2}) {
    const QSignalBlocker block(s);
    s->setMinimum(k);
    s->setToolTip(hint);
  }
  RingMargin = int16_t(SpinEditHR1->value());
  NumeralMargin = int16_t(SpinEditHR2->value());
  auto place = [&](TImage& img, bool ellipse, int m) {
    if (ellipse)
      img.SetBounds(ImageBG.Left - m, ImageBG.Top - m, W + 2 * m, H + 2 * m);
    else
      img.SetBounds(Lq - m, Tq - m, S + 2 * m, S + 2 * m);
  };
  place(ImageFG, CheckBoxPP1->isChecked(), FrameMargin);
  place(ImageMJ1, CheckBoxPP2->isChecked(), RingMargin);
  place(ImageMJ2, true, NumeralMargin);
  for (TImage* h : {&ImageH, &ImageM, &ImageS}) {
    if (CheckBoxPP3->isChecked())
      h->SetBounds(ImageBG.Left, ImageBG.Top, W, H);
    else
      h->SetBounds(Lq, Tq, S, S);
  }
  ImageH.Clear();
  ImageM.Clear();
  ImageS.Clear();
  ApplyDigitalSize();
  PreviewHandCenterX = PreviewHandRadiusX = ImageH.Width / 2;
  PreviewHandCenterY = PreviewHandRadiusY = ImageH.Height / 2;
  LastMinutePosition = 99.0L;
  LastDrawnSecond = 99;
  PanelClockRight->update();
}

void TFormMain::RestartPreview(bool stop) {
  if (stop)
    Timer1->stop();
  else
    Timer1->start();
  LastDrawnSecond = 99;
  LastMinutePosition = 99.0L;
}

void TFormMain::ApplyDigitalSize() {
  if (RadioButtonSS->isChecked()) {
    ImageTime.Width = 40, ImageTime.Height = 8;
    ImageDate.Width = 12, ImageDate.Height = 8;
  } else {
    ImageTime.Width = 62, ImageTime.Height = 13;
    ImageDate.Width = 18, ImageDate.Height = 13;
  }
}

void TFormMain::StringGridFGClick() { RenderFrame(); }

void TFormMain::Timer1Timer() {
  if (closed_) return;
  const int s = StringGridHand->Row() + 1;
  const bool hasSet = s <= HandSets.LastIndex();
  const imaging::Rect R{0, 0, ImageH.Width, ImageH.Height};
  long double q;
  if (Timer1->isActive()) {
    PreviewTime = env_.Now();
    q = (long double)PreviewTime.Minute + std::trunc((long double)PreviewTime.Second / 60 * 10) / 10;
  } else {
    PreviewTime.Hour = 10;
    PreviewTime.Minute = 10;
    PreviewTime.Second = 35;
    q = 10.0L;
  }
  const int cx = PreviewHandCenterX, cy = PreviewHandCenterY, rx = PreviewHandRadiusX, ry = PreviewHandRadiusY;
  // A hand image is white but for the hand: only the box round the hand's
  // points is drawn on and kept.
  auto drawHand = [&](TImage& img, const std::vector<engine::HandPolygon>& set, double phi, bool disc,
                      const std::function<void(imaging::Canvas&, int, int)>& draw) {
    const int W = std::max(R.Right, 1), H = std::max(R.Bottom, 1);
    QRect box;
    if (hasSet && size_t(s) < set.size()) {
      for (const auto& p : set[size_t(s)]) {
        const engine::PixelPoint q = engine::PolarToScreen(p, phi, cx, cy, rx, ry, (long double)HandLengthFactor);
        box |= QRect(q.X, q.Y, 1, 1);
      }
      if (disc && size_t(s) < HandSets.CenterSize.size()) {
        const double size = HandSets.CenterSize[size_t(s)];
        const int a = std::abs(engine::RoundHalfEven((long double)rx * size));
        const int b = std::abs(engine::RoundHalfEven((long double)ry * size));
        box |= QRect(cx - a, cy - b, 2 * a + 1, 2 * b + 1);
      }
    }
    if (!box.isNull()) box = box.adjusted(-2, -2, 2, 2).intersected(QRect(0, 0, W, H));
    imaging::Bitmap part;
    if (!box.isEmpty()) {
      part = imaging::Bitmap(box.width(), box.height(), imaging::PixelFormat::pf24bit);
      imaging::Canvas& c = part.GetCanvas();
      c.brush = imaging::Brush{0x00FFFFFF, false};
      c.FillRect({0, 0, box.width(), box.height()});
      if (hasSet) draw(c, cx - box.left(), cy - box.top());
    }
    img.Picture = LayerPicture::Placed(W, H, 0x00FFFFFF, part, box.left(), box.top());
    img.Changed();
  };
  // Only the images redrawn here are repainted.
  bool hands = false, second = false, date = false;
  if (q != LastMinutePosition) {
    hands = true;
    const int hour12 = PreviewTime.Hour > 12 ? PreviewTime.Hour - 12 : PreviewTime.Hour;
    const double hourAngle = double((15 - hour12 - q / 60) / 6 * engine::kPi);
    const double minuteAngle = double((75 - q) / 30 * engine::kPi);
    drawHand(ImageH, HandSets.Hour, hourAngle, false,
             [&](imaging::Canvas& c, int x, int y) { PreviewHourHand(c, x, y, rx, ry, s, hourAngle); });
    drawHand(ImageM, HandSets.Minute, minuteAngle, false,
             [&](imaging::Canvas& c, int x, int y) { PreviewMinuteHand(c, x, y, rx, ry, s, minuteAngle); });
    LastMinutePosition = q;
  }
  QRect secondArea;  // what changed of the second-hand image, on the panel
  if (PreviewTime.Second != LastDrawnSecond) {
    second = true;
    const bool wasWhite = BottomLeftWhite(ImageS.Picture) && ImageS.Picture.Width() == ImageS.Width &&
                          ImageS.Picture.Height() == ImageS.Height;
    const double secondAngle = double((75 - (long double)PreviewTime.Second) / 30 * engine::kPi);
    drawHand(ImageS, HandSets.Second, secondAngle, true, [&](imaging::Canvas& c, int x, int y) {
      PreviewSecondHand(c, x, y, rx, ry, s, secondAngle);
      PreviewCenterDisc(c, x, y, rx, ry, s);
    });
    // While the preview runs, only the hand's old and new places change: the
    // rest of the image stays white, its transparent colour (pixel
    // bottom-left) while that is white.
    secondArea = QRect(ImageS.Left, ImageS.Top, ImageS.Width, ImageS.Height);
    if (Timer1->isActive()) {
      const QRect drawn = NonWhiteArea(ImageS);
      if (wasWhite && BottomLeftWhite(ImageS.Picture)) secondArea = secondHandShown_.united(drawn);
      secondHandShown_ = drawn;
    } else {
      secondHandShown_ = secondArea;  // not looked at: the next running tick repaints the whole image
    }
    if (CheckBoxTime->isChecked()) {
      char text[32];
      std::snprintf(text, sizeof text, "%2.2d:%2.2d:%2.2d", PreviewTime.Hour, PreviewTime.Minute, PreviewTime.Second);
      ImageTime.Picture = DrawDigitalText(DigitGlyphs, DigitalStyle, text);
      ImageTime.Changed();
    }
    if (CheckBoxDate->isChecked() && PreviewTime.Day != LastDrawnDay) {
      LastDrawnDay = int16_t(PreviewTime.Day);
      char text[16];
      std::snprintf(text, sizeof text, "%2.2d", PreviewTime.Day);
      ImageDate.Picture = DrawDigitalText(DigitGlyphs, DigitalStyle, text);
      ImageDate.Changed();
      date = true;
    }
    LastDrawnSecond = int16_t(PreviewTime.Second);
  }
  if (hands) PanelClockRight->UpdateImages({&ImageH, &ImageM});
  if (second) {
    PanelClockRight->update(secondArea);
    PanelClockRight->UpdateImages({&ImageTime});
  }
  if (date) PanelClockRight->UpdateImages({&ImageDate});
}

// ---- Dial layers ----

void TFormMain::RenderFrame() {
  BusyCursor busy;
  Dial().RenderFrame(*this);
  PanelClockRight->update();
}

void TFormMain::RenderNumeralRing() {
  BusyCursor busy;
  Dial().RenderNumeralRing(*this);
  PanelClockRight->update();
}

void TFormMain::RenderNumeralsUpright() {
  BusyCursor busy;
  Dial().RenderNumeralsUpright(*this);
  PanelClockRight->update();
}

void TFormMain::RenderNumeralsRadial() {
  BusyCursor busy;
  Dial().RenderNumeralsRadial(*this);
  PanelClockRight->update();
}

void TFormMain::PreviewRefresh() {
  if (!Timer1->isActive()) Timer1Timer();
}

void TFormMain::StringGridHRClick() { RenderNumeralRing(); }
void TFormMain::CheckBoxHRClick() { RenderNumeralRing(); }
void TFormMain::CheckBoxFGClick() { RenderFrame(); }
void TFormMain::CheckBoxAutoColorClick() { RenderFrame(); }

void TFormMain::SpinEditHR1Change() {
  RingMargin = int16_t(SpinEditHR1->value());
  LayoutClockPreview();
  RenderNumeralRing();
  PreviewRefresh();
}

void TFormMain::SpinEditFGChange() {
  FrameMargin = int16_t(SpinEditFG->value());
  LayoutClockPreview();
  RenderFrame();
  PreviewRefresh();
}

void TFormMain::SpeedButtonColorClick() {
  uint32_t colour = PanelColorSample->Color();
  if (!platform::ExecuteColourDialog(colour, this)) return;
  PanelColorSample->SetColor(colour);
  if (!CheckBoxAutoColor->isChecked()) RenderFrame();
}

void TFormMain::CheckBoxPP1Click() {
  LayoutClockPreview();
  RenderFrame();
  RenderNumeralRing();
  PreviewRefresh();
}

void TFormMain::RadioButtonMJ21Click() {
  if (RadioButtonMJ20->isChecked()) {
    ImageMJ2.Clear();
    PanelClockRight->update();
    return;
  }
  RenderNumeralsUpright();
  RenderNumeralsRadial();
}

void TFormMain::SpeedButtonFontClick() {
  // The dialog opens on the font as the numerals show it: the installed
  // family the name maps to and the colour drawn. Confirmed unchanged, the
  // numerals keep their font.
  const platform::FontChoice shown = Dial().NumeralFontAsDrawn(NumeralFont);
  platform::FontChoice font = shown;
  if (!platform::ExecuteFontDialog(font, this) || font == shown) return;
  NumeralFont = font;
  RenderNumeralsUpright();
  RenderNumeralsRadial();
}

void TFormMain::SpinEditHR2Change() {
  NumeralMargin = int16_t(SpinEditHR2->value());
  LayoutClockPreview();
  RenderNumeralsUpright();
  RenderNumeralsRadial();
  PreviewRefresh();
}

void TFormMain::PageControl2Change() {
  if (PageControl2->ActivePage() != TabSheetClock) {
    RestartPreview(true);
    popupAttached_ = false;
    return;
  }
  popupAttached_ = true;
  const imaging::Bitmap& work = WorkPictureBitmap;
  if (PM_S->isChecked() && (work.Width() > 256 || work.Height() > 256)) {
    platform::MessageDlg(std::to_string(work.Width()) + " x " + std::to_string(work.Height()) +
                             ", 画像サイズが大きすぎます",
                         platform::MsgType::Confirmation, platform::mbOK, this);
    ImageBG.Clear();
    ImageBG.Width = ImageBG.Height = 128;
    RestartPreview(false);
  } else if (work.Empty()) {
    ImageBG.Width = ImageBG.Height = 128;
    RestartPreview(false);
  } else {
    ImageBG.Width = work.Width();
    ImageBG.Height = work.Height();
    ImageBG.Picture = LayerPicture::Of(&work);
    ImageBG.Changed();
    RestartPreview(work.Width() > 256 || work.Height() > 256);
  }
  BusyCursor busy;
  LayoutClockPreview();
  RenderFrame();
  RenderNumeralRing();
  RenderNumeralsUpright();
  RenderNumeralsRadial();
  PreviewRefresh();
}

}  // namespace maker
