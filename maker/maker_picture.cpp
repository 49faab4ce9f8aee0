// Picture commands of the main window: loading, undo, resize, rotate, flip,
// crop, clearing and saving, the size limit and preview colours of the
// pop-up menu, the hands reload and the picture folder; and the selection
// drawn with the mouse.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QTimer>

#include <cmath>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <fstream>

#include "imaging/bitmap_ops.h"
#include "imaging/picture_io.h"
#include "imaging/picture_loader.h"
#include "maker/maker_common.h"
#include "maker/maker_window.h"
#include "platform/message_box.h"
#include "platform/replace_file.h"
#include "platform/system.h"

namespace maker {

namespace {

// Paints black every non-black pixel reachable from (x, y) through its four
// neighbours; a black start pixel paints nothing.
void FloodFillToBlack(imaging::Bitmap& b, int x0, int y0) {
  if (b.PixelColour(x0, y0) == 0) return;
  std::deque<imaging::Point> todo{{x0, y0}};
  b.SetPixelColour(x0, y0, 0);
  while (!todo.empty()) {
    const imaging::Point p = todo.front();
    todo.pop_front();
    const imaging::Point next[] = {{p.X + 1, p.Y}, {p.X - 1, p.Y}, {p.X, p.Y + 1}, {p.X, p.Y - 1}};
    for (const auto& n : next) {
      if (n.X < 0 || n.Y < 0 || n.X >= b.Width() || n.Y >= b.Height()) continue;
      if (b.PixelColour(n.X, n.Y) == 0) continue;
      b.SetPixelColour(n.X, n.Y, 0);
      todo.push_back(n);
    }
  }
}

// Draws in black the outline of the ellipse that fills the pixel box from
// (0, 0) to (w, h) inclusive: a closed, 8-connected curve, symmetric about
// both axes of the box, touching each side of the box and never leaving it.
// Qt's own ellipse leaves gaps at the ends of flat ellipses and reaches one
// column past the box, which would let the picture show through the outline.
void EllipseOutline(imaging::Bitmap& b, int w, int h) {
  if (w < 0 || h < 0) return;
  auto plot = [&](int64_t x, int64_t y) {
    if (x >= 0 && y >= 0 && x <= w && y <= h) b.SetPixelColour(int(x), int(y), 0);
  };
  // Midpoint ellipse over the box, stepping both ends at once.
  int64_t x0 = 0, x1 = w, y0 = 0, y1 = h;
  int64_t a = w, bb = h, b1 = bb & 1;
  long double dx = 4.0L * (1 - a) * bb * bb, dy = 4.0L * (b1 + 1) * a * a;
  long double err = dx + dy + (long double)b1 * a * a;
  y0 += (bb + 1) / 2;
  y1 = y0 - b1;
  const long double a8 = 8.0L * a * a, b8 = 8.0L * bb * bb;
  do {
    plot(x1, y0);
    plot(x0, y0);
    plot(x0, y1);
    plot(x1, y1);
    const long double e2 = 2 * err;
    if (e2 <= dy) {
      ++y0;
      --y1;
      err += dy += a8;
    }
    if (e2 >= dx || 2 * err > dy) {
      ++x0;
      --x1;
      err += dx += b8;
    }
  } while (x0 <= x1);
  // Flat ellipses stop early: finish their tips.
  while (y0 - y1 <= bb) {
    plot(x0 - 1, y0);
    plot(x1 + 1, y0++);
    plot(x0 - 1, y1);
    plot(x1 + 1, y1--);
  }
}

// Where a picture of `size` pixels starts in a view of `view` pixels when its
// middle pixel (halves rounded away) sits at the view's middle.
int CentredOffset(int view, int size) {
  return RoundHalfAway((long double)view / 2 - RoundHalfAway((long double)size / 2));
}

}  // namespace

void TFormMain::ShowWorkPicture() {
  // The view shows the work picture itself.
  ImagePicture.Picture = LayerPicture::Of(&WorkPictureBitmap);
  ImagePicture.Changed();
  FollowBackground();
  ImagePicture.Width = WorkPictureBitmap.Width();
  ImagePicture.Height = WorkPictureBitmap.Height();
  PanelPicture->update();
}

void TFormMain::KeepBackground(imaging::Bitmap& replaced) {
  if (!ImageBG.Picture.Referred() || replaced.Empty() || replaced.Identity() != ImageBG.Picture.ReferredPixels()) return;
  ImageBG.Picture = std::move(replaced);
  replaced = imaging::Bitmap();
}

void TFormMain::FollowBackground() {
  const imaging::Bitmap* shown = ImageBG.Picture.Referred();
  if (!shown) return;
  for (const imaging::Bitmap* b : {&WorkPictureBitmap, &UndoPictureBitmap})
    if (!b->Empty() && b->Identity() == ImageBG.Picture.ReferredPixels()) {
      if (b != shown) ImageBG.Picture = LayerPicture::Of(b);
      return;
    }
}

void TFormMain::CentrePicture() {
  ImagePicture.Left = RoundHalfAway((long double)(PanelPicture->width() - ImagePicture.Width) / 2);
  ImagePicture.Top = RoundHalfAway((long double)(PanelPicture->height() - ImagePicture.Height) / 2);
  PanelPicture->update();
}

// The hidden outline takes the picture's own box, where the picture sits in
// the view: a crop without a new selection then cuts the whole picture.
void TFormMain::ResetOutline() {
  Shape1.Visible = false;
  Shape1.Left = ImagePicture.Left;
  Shape1.Top = ImagePicture.Top;
  Shape1.Width = WorkPictureBitmap.Width();
  Shape1.Height = WorkPictureBitmap.Height();
  PanelPicture->update();
}

void TFormMain::LoadPictureFile(const std::string& fileName) {
  PictureFileName = fileName;
  PageControl2->SetActivePage(TabSheetPicture);
  popupAttached_ = false;
  // The picture comes centred in the view: a large photo is back as soon as
  // the rows the view shows are decoded, the rest following meanwhile.
  const int viewHeight = PanelPicture->height();
  auto shown = [viewHeight](int, int height) {
    const int top = CentredOffset(viewHeight, height);
    return std::pair<int, int>(-top, viewHeight - top);
  };
  std::unique_ptr<imaging::Bitmap> loaded;
  {
    BusyCursor busy;
    loaded = imaging::LoadPictureShowingFirst(fileName, shown);
  }
  if (!loaded || loaded->Empty()) {
    platform::MessageDlg("画像ファイルが読めません (" + platform::ExtractFileName(fileName) + ")",
                         platform::MsgType::Confirmation, platform::mbOK, this);
    return;
  }
  loaded->SetPixelFormat(imaging::PixelFormat::pf24bit);
  KeepBackground(WorkPictureBitmap);
  WorkPictureBitmap = std::move(*loaded);
  ShowWorkPicture();
  SelectionCenter = {RoundHalfAway((long double)WorkPictureBitmap.Width() / 2),
                     RoundHalfAway((long double)WorkPictureBitmap.Height() / 2)};
  ImagePicture.Left = CentredOffset(PanelPicture->width(), WorkPictureBitmap.Width());
  ImagePicture.Top = CentredOffset(PanelPicture->height(), WorkPictureBitmap.Height());
  SelectionHalfSize = 0;
  ResetOutline();
  SavePictureDialog1.InitialDir = FolderOf(PictureFileName);
  setWindowTitle(QString::fromStdString(PictureCaption()));
}

void TFormMain::MenuFQClick() {
  ImagePicture.Clear();
  ImagePicture.Width = ImagePicture.Height = 0;
  ImageBG.Clear();
  ImageBG.Width = ImageBG.Height = 128;
  PictureFileName.clear();
  WorkPictureBitmap = imaging::Bitmap();
  UndoPictureBitmap = imaging::Bitmap();
  RestartPreview(false);
  LayoutClockPreview();
  RenderFrame();
  RenderNumeralRing();
  setWindowTitle(QStringLiteral("[Velmora]"));
  PanelPicture->update();
}

void TFormMain::MenuEUClick() {
  if (UndoPictureBitmap.Empty()) return;
  KeepBackground(WorkPictureBitmap);
  WorkPictureBitmap = std::move(UndoPictureBitmap);
  UndoPictureBitmap = imaging::Bitmap();
  ShowWorkPicture();
  ImagePicture.Left = UndoPictureLeft;
  ImagePicture.Top = UndoPictureTop;
  MenuEU->setEnabled(false);
  setWindowTitle(QString::fromStdString(PictureCaption()));
}

void TFormMain::MenuISClick() {
  if (WorkPictureBitmap.Empty()) return;
  int w = WorkPictureBitmap.Width(), h = WorkPictureBitmap.Height();
  const int oldLeft = ImagePicture.Left, oldTop = ImagePicture.Top;
  Dialogs().RunPicSize(w, h);
  if (w != 0 && h != 0) {
    ShowWorkPicture();
    UndoPictureLeft = oldLeft;
    UndoPictureTop = oldTop;
    CentrePicture();
    ResetOutline();
  }
  setWindowTitle(QString::fromStdString(PictureCaption()));
}

void TFormMain::MenuIRClick() {
  if (WorkPictureBitmap.Empty()) return;
  const RotateChoice choice = Dialogs().RunRotate();
  // A free angle in degrees, reduced by whole turns; text that is no number
  // counts as 0.
  // Only decimal text converts (no hexadecimal, infinity or not-a-number).
  auto angleOf = [](const std::string& text) {
    double v = 0;
    try {
      size_t used = 0;
      const std::string t = TrimControl(text);
      if (t.find_first_not_of("+-0123456789.,eE") == std::string::npos) v = std::stod(t, &used);
      if (used != t.size() || !std::isfinite(v)) v = 0;
    } catch (const std::exception&) {
      v = 0;
    }
    // Far beyond a turn, subtracting 360 at a time would not end (the
    // subtraction no longer changes the value): take the remainder at once,
    // a whole number of turns counting as one turn, as the subtraction gives.
    if (std::fabs(v) > 1e6) {
      const double r = std::fmod(v, 360.0);
      v = r != 0 ? r : (v > 0 ? 360.0 : -360.0);
    }
    while (v > 360) v -= 360;
    while (v < -360) v += 360;
    return v;
  };
  std::function<bool(imaging::Bitmap&)> op;
  switch (choice.Checked) {
    case RotateChoice::R90: op = [](imaging::Bitmap& b) { return imaging::RotateBitmap90(b, true); }; break;
    case RotateChoice::L90: op = [](imaging::Bitmap& b) { return imaging::RotateBitmap90(b, false); }; break;
    case RotateChoice::FreeR:
    case RotateChoice::FreeL: {
      double a = angleOf(choice.Checked == RotateChoice::FreeR ? choice.EditR : choice.EditL);
      if (a == 0) return;
      if (choice.Checked == RotateChoice::FreeL) a = -a;
      op = [a](imaging::Bitmap& b) { return imaging::RotateBitmapFree(b, 0x000000, float(a)); };
      break;
    }
    case RotateChoice::FlipLR: op = [](imaging::Bitmap& b) { return imaging::FlipBitmap(b, true); }; break;
    case RotateChoice::FlipTB: op = [](imaging::Bitmap& b) { return imaging::FlipBitmap(b, false); }; break;
  }
  // The turn works on a copy: when it fails (a turned picture too large to
  // hold), the picture and the earlier undo copy stay as they were.
  BusyCursor busy;
  imaging::Bitmap turned = WorkPictureBitmap;
  op(turned);
  KeepBackground(UndoPictureBitmap);
  UndoPictureBitmap = std::move(WorkPictureBitmap);
  WorkPictureBitmap = std::move(turned);
  MenuEU->setEnabled(true);
  UndoPictureLeft = ImagePicture.Left;
  UndoPictureTop = ImagePicture.Top;
  ShowWorkPicture();
  CentrePicture();
  ResetOutline();
  setWindowTitle(QString::fromStdString(PictureCaption()));
}

void TFormMain::MenuICClick() {
  BusyCursor busy;
  CropToSelection();
  setWindowTitle(QString::fromStdString(PictureCaption()));
}

void TFormMain::MenuFSClick() {
  if (WorkPictureBitmap.Empty()) return;
  if (!platform::ExecuteFileDialog(platform::FileDialogKind::Save, SavePictureDialog1, this)) return;
  const std::string name = SavePictureDialog1.FileName;
  const std::string ext = UpperAscii(platform::ExtractFileExt(name));
  const imaging::Bitmap& shown = ImagePicture.Pic();
  const std::vector<uint8_t> bytes =
      (ext == ".JPG" || ext == ".JPEG") ? imaging::WriteJpeg(shown) : imaging::WriteBmp24(shown);
  // Replaced whole or not at all: a failed write leaves an existing file as it was.
  if (!platform::ReplaceFile(name, bytes.data(), bytes.size())) throw std::runtime_error(name + " を作成できません");
}

void TFormMain::MenuFLClick() {
  std::string folder = PictureDirPath;
  if (!platform::ExecuteFolderDialog("", folder, this)) return;
  PictureDirPath = folder;
  OpenPictureDialog1.InitialDir = PictureDirPath;
  Dialogs().ShowThumbs(PictureDirPath);
}

void TFormMain::MenuFHClick() {
  OpenDialog1.InitialDir = HandsFolder();
  if (!platform::ExecuteFileDialog(platform::FileDialogKind::Open, OpenDialog1, this)) return;
  const std::string chosen = OpenDialog1.FileName;
  std::error_code ec;
  if (!std::filesystem::is_regular_file(chosen, ec)) return;
  StringGridHand->SetRowCount(1);
  StringGridHand->SetRow(0);
  HandSets.ResetToWorking();
  try {
    ImportHandSets(chosen);
  } catch (const std::exception&) {
    platform::MessageDlg(platform::ExtractFileName(chosen) + " が読めません", platform::MsgType::Error, platform::mbOK,
                         this);
  }
  StringGridHand->Repaint();
}

void TFormMain::MenuEOClick() { MenuEO->setChecked(!MenuEO->isChecked()); }

void TFormMain::MenuHVClick() {
  platform::MessageDlg("[Velmora]\r\nデスクトップ時計メーカー\r\nVer 0.91", platform::MsgType::Confirmation,
                       platform::mbOK, this);
}

void TFormMain::PM_SClick() {
  PM_S->setChecked(!PM_S->isChecked());
  if (PM_S->isChecked() && (WorkPictureBitmap.Width() > 256 || WorkPictureBitmap.Height() > 256)) {
    platform::MessageDlg(std::to_string(WorkPictureBitmap.Width()) + " x " +
                             std::to_string(WorkPictureBitmap.Height()) + ", 画像サイズが大きすぎます",
                         platform::MsgType::Confirmation, platform::mbOK, this);
    ImageBG.Clear();
    ImageBG.Width = ImageBG.Height = 128;
    RestartPreview(false);
  }
}

void TFormMain::PM_WClick() {
  PM_W->setChecked(true);
  PM_G->setChecked(false);
  PM_B->setChecked(false);
  PanelClockRight->Color = 0x00FFFFFF;
  PanelClockRight->update();
  if (CheckBoxAutoColor->isChecked()) RenderFrame();
}

void TFormMain::PM_GClick() {
  PM_W->setChecked(false);
  PM_G->setChecked(true);
  PM_B->setChecked(false);
  PanelClockRight->Color = 0x00A4A0A0;
  PanelClockRight->update();
  if (CheckBoxAutoColor->isChecked()) RenderFrame();
}

void TFormMain::PM_BClick() {
  PM_W->setChecked(false);
  PM_G->setChecked(false);
  PM_B->setChecked(true);
  PanelClockRight->Color = 0x00000000;
  PanelClockRight->update();
  if (CheckBoxAutoColor->isChecked()) RenderFrame();
}

// ---- Selection ----

namespace {

struct ViewAndPicture {
  imaging::Point view, picture;
};

}  // namespace

static ViewAndPicture Convert(const TFormMain& w, const void* sender, int x, int y) {
  ViewAndPicture r;
  if (sender == &w.ImagePicture) {
    r.view = {w.ImagePicture.Left + x, w.ImagePicture.Top + y};
    r.picture = {x, y};
  } else if (sender == &w.Shape1) {
    r.view = {w.Shape1.Left + x, w.Shape1.Top + y};
    r.picture = {r.view.X - w.ImagePicture.Left, r.view.Y - w.ImagePicture.Top};
  } else {
    r.view = {x, y};
    r.picture = {x - w.ImagePicture.Left, y - w.ImagePicture.Top};
  }
  return r;
}

void TFormMain::PanelPictureMouseDown(const void* sender, Qt::MouseButton button, int x, int y) {
  if (WorkPictureBitmap.Empty()) return;
  const ViewAndPicture p = Convert(*this, sender, x, y);
  Shape1.Visible = false;
  if (button == Qt::LeftButton) {
    Dragging = true;
    SelectionMode = 'A';
    SelectionCenter = p.picture;
  } else if (button == Qt::RightButton) {
    Dragging = true;
    if (!MenuEO->isChecked()) {
      SelectionMode = 'B';
      Shape1.Circle = true;
    } else {
      SelectionMode = 'C';
      Shape1.Circle = false;
    }
    SelectionAnchor = p.view;
    Shape1.Width = Shape1.Height = 0;
  }
  PanelPicture->update();
}

namespace {

// Half-size of the selection by mode, from the point p.
int32_t HalfSizeFor(TFormMain& w, const ViewAndPicture& p) {
  switch (w.SelectionMode) {
    case 'A': {
      const long double dx = std::abs(w.SelectionCenter.X - p.picture.X);
      const long double dy = std::abs(w.SelectionCenter.Y - p.picture.Y);
      return RoundHalfAway(std::sqrt(dx * dx + dy * dy));
    }
    case 'B':
    case 'C':
      w.SelectionCorner = p.view;
      return RoundHalfAway((long double)std::max(std::abs(w.SelectionCorner.X - w.SelectionAnchor.X),
                                                 std::abs(w.SelectionCorner.Y - w.SelectionAnchor.Y)) /
                           2);
    default:
      return 0;
  }
}

void SnapSquare(TFormMain& w) {
  const int side = 2 * w.SelectionHalfSize;
  w.SelectionCorner.X = w.SelectionAnchor.X > w.SelectionCorner.X ? w.SelectionAnchor.X - side : w.SelectionAnchor.X + side;
  w.SelectionCorner.Y = w.SelectionAnchor.Y > w.SelectionCorner.Y ? w.SelectionAnchor.Y - side : w.SelectionAnchor.Y + side;
}

}  // namespace

void TFormMain::PanelPictureMouseMove(const void* sender, int x, int y) {
  if (WorkPictureBitmap.Empty() || !Dragging) return;
  const ViewAndPicture p = Convert(*this, sender, x, y);
  SelectionHalfSize = HalfSizeFor(*this, p);
  Shape1.Hint = std::to_string(2 * SelectionHalfSize);
  if (SelectionHalfSize < 12) {
    Shape1.Visible = false;
  } else {
    Shape1.Visible = true;
    switch (SelectionMode) {
      case 'A':
        Shape1.Left = ImagePicture.Left + SelectionCenter.X - SelectionHalfSize;
        Shape1.Top = ImagePicture.Top + SelectionCenter.Y - SelectionHalfSize;
        Shape1.Width = Shape1.Height = 2 * SelectionHalfSize;
        break;
      case 'B':
        SnapSquare(*this);
        Shape1.Left = std::min(SelectionAnchor.X, SelectionCorner.X);
        Shape1.Top = std::min(SelectionAnchor.Y, SelectionCorner.Y);
        Shape1.Width = Shape1.Height = 2 * SelectionHalfSize;
        break;
      case 'C':
        Shape1.Left = std::min(SelectionAnchor.X, SelectionCorner.X);
        Shape1.Top = std::min(SelectionAnchor.Y, SelectionCorner.Y);
        Shape1.Width = std::abs(SelectionCorner.X - SelectionAnchor.X);
        Shape1.Height = std::abs(SelectionCorner.Y - SelectionAnchor.Y);
        break;
    }
  }
  PanelPicture->update();
}

void TFormMain::PanelPictureMouseUp(const void* sender, Qt::MouseButton, int x, int y) {
  if (WorkPictureBitmap.Empty()) return;
  const ViewAndPicture p = Convert(*this, sender, x, y);
  Dragging = false;
  SelectionHalfSize = HalfSizeFor(*this, p);
  Shape1.Hint = std::to_string(2 * SelectionHalfSize);
  if (SelectionMode == 'B') {
    SnapSquare(*this);
    SelectionCenter = {std::min(SelectionAnchor.X, SelectionCorner.X) + SelectionHalfSize - ImagePicture.Left,
                       std::min(SelectionAnchor.Y, SelectionCorner.Y) + SelectionHalfSize - ImagePicture.Top};
  } else if (SelectionMode == 'C') {
    SelectionCenter = {
        std::min(SelectionAnchor.X, SelectionCorner.X) + std::abs((SelectionCorner.X - SelectionAnchor.X) / 2) -
            ImagePicture.Left,
        std::min(SelectionAnchor.Y, SelectionCorner.Y) + std::abs((SelectionCorner.Y - SelectionAnchor.Y) / 2) -
            ImagePicture.Top};
  }
  const int vw = PanelPicture->width(), vh = PanelPicture->height();
  if (SelectionHalfSize >= 12) {
    Shape1.Visible = true;
    if (SelectionMode == 'C') {
      Shape1.Left = RoundHalfAway((long double)vw / 2 - std::abs((SelectionCorner.X - SelectionAnchor.X) / 2));
      Shape1.Top = RoundHalfAway((long double)vh / 2 - std::abs((SelectionCorner.Y - SelectionAnchor.Y) / 2));
      Shape1.Width = std::abs(SelectionCorner.X - SelectionAnchor.X);
      Shape1.Height = std::abs(SelectionCorner.Y - SelectionAnchor.Y);
    } else {
      Shape1.Left = RoundHalfAway((long double)vw / 2 - SelectionHalfSize);
      Shape1.Top = RoundHalfAway((long double)vh / 2 - SelectionHalfSize);
      Shape1.Width = Shape1.Height = 2 * SelectionHalfSize;
    }
  }
  ImagePicture.Left = RoundHalfAway((long double)vw / 2 - SelectionCenter.X);
  ImagePicture.Top = RoundHalfAway((long double)vh / 2 - SelectionCenter.Y);
  if (SelectionHalfSize < 12) ResetOutline();
  PanelPicture->update();
}

void TFormMain::CropToSelection() {
  if (WorkPictureBitmap.Empty() || SelectionHalfSize < 12) return;
  // A box without area (an ellipse spanned along one line) would leave no
  // picture: the crop then does nothing, as for a too small selection.
  const int W = Shape1.Width, H = Shape1.Height;
  if (W <= 0 || H <= 0) return;
  const int undoLeft = ImagePicture.Left, undoTop = ImagePicture.Top;
  imaging::Bitmap T(W, H, imaging::PixelFormat::pf24bit);
  T.GetCanvas().brush = imaging::Brush{0x00FFFFFF, false};
  T.GetCanvas().FillRect({0, 0, W, H});
  // The (W - 1) x (H - 1) block under the outline; parts beyond the picture
  // stay white.
  const int sx = Shape1.Left - ImagePicture.Left, sy = Shape1.Top - ImagePicture.Top;
  imaging::Bitmap block(W - 1 > 0 ? W - 1 : 0, H - 1 > 0 ? H - 1 : 0, imaging::PixelFormat::pf24bit);
  if (!block.Empty()) {
    block.GetCanvas().brush = imaging::Brush{0x00FFFFFF, false};
    block.GetCanvas().FillRect({0, 0, block.Width(), block.Height()});
    block.GetCanvas().Draw(-sx, -sy, ImagePicture.Pic());
    T.GetCanvas().Draw(0, 0, block);
  }
  Dial().NudgeKeyColour(T, 0x000000);
  // The outline of the ellipse in the box (0, 0)-(W - 1, H - 1), right and
  // bottom excluded.
  EllipseOutline(T, W - 2, H - 2);
  FloodFillToBlack(T, 0, 0);
  FloodFillToBlack(T, 0, H - 1);
  FloodFillToBlack(T, W - 1, 0);
  FloodFillToBlack(T, W - 1, H - 1);
  // The cut is made from the picture shown: the work picture itself becomes
  // the undo state, moved rather than copied.
  KeepBackground(UndoPictureBitmap);
  UndoPictureBitmap = std::move(WorkPictureBitmap);
  MenuEU->setEnabled(true);
  UndoPictureLeft = undoLeft;
  UndoPictureTop = undoTop;
  WorkPictureBitmap = std::move(T);
  ShowWorkPicture();
  ImagePicture.Left = RoundHalfAway((long double)(PanelPicture->width() - W) / 2);
  ImagePicture.Top = RoundHalfAway((long double)(PanelPicture->height() - H) / 2);
  ResetOutline();
}

}  // namespace maker
