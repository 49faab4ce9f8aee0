// Picture loading and editing, the selection with the mouse and the crop,
// and the digital display controls.
#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "imaging/bitmap_ops.h"
#include "imaging/picture_io.h"
#include "imaging/picture_loader.h"
#include "maker_fixture.h"
#include "platform/shell.h"

namespace {

using makertest::MakerFixture;
using makertest::Pattern;
using makertest::SamePixels;
using makertest::Solid;



class PictureCommands : public ::testing::Test {
 protected:
  MakerFixture f;
  maker::TFormMain* w = nullptr;
  std::string pic;
  void SetUp() override {
    pic = f.root + "/sky.bmp";
    f.WriteBmp(pic, Pattern(60, 40));
    w = &f.Open();
    w->LoadPictureFile(pic);
  }
  int ViewW() const { return w->PanelPicture->width(); }
  int ViewH() const { return w->PanelPicture->height(); }
};

TEST_F(PictureCommands, LoadingCentresThePictureOnItsMiddle) {
  EXPECT_EQ(w->windowTitle().toStdString(), "[Velmora] sky.bmp (60x40)");
  EXPECT_EQ(w->SelectionCenter.X, 30);
  EXPECT_EQ(w->ImagePicture.Left, maker::RoundHalfAway(ViewW() / 2.0L - 30));
  EXPECT_EQ(w->ImagePicture.Top, maker::RoundHalfAway(ViewH() / 2.0L - 20));
  EXPECT_FALSE(w->Shape1.Visible);
  EXPECT_EQ(w->SavePictureDialog1.InitialDir, f.root + "/");
  // A file that is no picture keeps everything and names the file.
  makertest::WriteText(f.root + "/note.txt", "hello, this is not a picture at all");
  w->LoadPictureFile(f.root + "/note.txt");
  ASSERT_EQ(f.messages.size(), 1u);
  EXPECT_EQ(f.messages[0].text, "画像ファイルが読めません (note.txt)");
  EXPECT_EQ(f.messages[0].type, platform::MsgType::Confirmation);
  EXPECT_EQ(w->WorkPictureBitmap.Width(), 60);
  EXPECT_EQ(w->windowTitle().toStdString(), "[Velmora] sky.bmp (60x40)");
  EXPECT_EQ(w->PictureFileName, f.root + "/note.txt");
}

// Image editors write BMP files with 108- and 124-byte information headers
// by default: they load as work picture, thumbnail, frame and numeral ring.
TEST(PictureFormats, BmpFilesWithLongerInfoHeadersLoadEverywhere) {
  for (const uint32_t infoSize : {108u, 124u}) {
    MakerFixture f;
    const imaging::Bitmap frame = Pattern(128, 128), ring = Pattern(128, 128), picture = Pattern(70, 50);
    makertest::WriteBytes(f.Prog("FG/frame.bmp"), makertest::BmpWithInfoHeader(frame, infoSize));
    makertest::WriteBytes(f.Prog("HR/ring.bmp"), makertest::BmpWithInfoHeader(ring, infoSize));
    const std::string pic = f.root + "/photo.bmp", plain = f.root + "/plain.bmp";
    makertest::WriteBytes(pic, makertest::BmpWithInfoHeader(picture, infoSize));
    f.WriteBmp(plain, picture);
    maker::TFormMain& w = f.Open();
    ASSERT_EQ(w.FramePictures.size(), 2u) << infoSize;
    EXPECT_TRUE(SamePixels(w.FramePictures[1], frame)) << infoSize;
    ASSERT_EQ(w.NumeralRingPictures.size(), 2u) << infoSize;
    EXPECT_TRUE(SamePixels(w.NumeralRingPictures[1], ring)) << infoSize;
    w.LoadPictureFile(pic);
    EXPECT_TRUE(f.messages.empty()) << infoSize;
    EXPECT_TRUE(SamePixels(w.WorkPictureBitmap, picture)) << infoSize;
    const auto cell = imaging::DrawThumbnailCell(pic, 64, 64, 0xCDFAFF, true);
    const auto plainCell = imaging::DrawThumbnailCell(plain, 64, 64, 0xCDFAFF, true);
    EXPECT_TRUE(SamePixels(*cell, *plainCell)) << infoSize;
  }
}

// A photo is back once the rows the view shows are in, the rest following:
// the view at once, a crop of the whole, a copy and a second load straight
// after it all see the whole picture as the reader gives it.
TEST(PictureFormats, ALargePhotoIsWholeWhereverItIsUsed) {
  MakerFixture f;
  const std::string photo = f.root + "/photo.jpg", small = f.root + "/small.bmp";
  const std::vector<uint8_t> jpeg = imaging::WriteJpeg(Pattern(1500, 1100));
  makertest::WriteBytes(photo, jpeg);
  f.WriteBmp(small, Pattern(60, 40));
  const imaging::Bitmap want = imaging::ReadJpeg(jpeg.data(), jpeg.size());
  maker::TFormMain& w = f.Open();
  w.LoadPictureFile(photo);
  // The view's middle is the picture's middle.
  const QImage view = w.PanelPicture->Render();
  const QPoint mid(w.PanelPicture->width() / 2, w.PanelPicture->height() / 2);
  const imaging::Colour c = want.PixelColour(mid.x() - w.ImagePicture.Left, mid.y() - w.ImagePicture.Top);
  EXPECT_EQ(view.pixel(mid), qRgb(imaging::RedOf(c), imaging::GreenOf(c), imaging::BlueOf(c)));
  w.FormKeyDown(Qt::Key_C);
  w.CropToSelection();
  EXPECT_TRUE(SamePixels(w.WorkPictureBitmap, want));
  w.LoadPictureFile(photo);
  const imaging::Bitmap copy = w.WorkPictureBitmap;
  w.LoadPictureFile(photo);
  w.LoadPictureFile(small);
  EXPECT_TRUE(SamePixels(copy, want));
  EXPECT_TRUE(SamePixels(w.WorkPictureBitmap, Pattern(60, 40)));
  w.LoadPictureFile(photo);  // closed with the rest still on its way
  EXPECT_TRUE(f.messages.empty());
}

// A named pipe with a picture name (dropped or chosen) is refused at once
// with the usual message: opening it would wait for a writer for ever.
TEST_F(PictureCommands, NamedPipeIsRefusedWithoutWaiting) {
  const std::string pipe = f.root + "/pipe.jpg";
  ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
  w->LoadPictureFile(pipe);
  ASSERT_EQ(f.messages.size(), 1u);
  EXPECT_EQ(f.messages[0].text, "画像ファイルが読めません (pipe.jpg)");
  EXPECT_EQ(w->windowTitle().toStdString(), "[Velmora] sky.bmp (60x40)");
}

// A free turn whose result is too large to hold (a long thin strip turned
// by 45 degrees would need some 15 GB) reports the lack of memory and
// changes nothing: not the picture, not the undo copy of the edit before.
TEST_F(PictureCommands, ATurnTooLargeToHoldChangesNeitherPictureNorUndo) {
  const std::string strip = f.root + "/strip.bmp";
  f.WriteBmp(strip, Pattern(100000, 1));
  w->LoadPictureFile(strip);
  f.dialogs->rotate = {maker::RotateChoice::FlipLR, "0", "0"};
  w->MenuIRClick();
  const imaging::Bitmap flipped = w->WorkPictureBitmap;
  f.dialogs->rotate = {maker::RotateChoice::FreeR, "45", "0"};
  w->RunCommand([&] { w->MenuIRClick(); });
  ASSERT_EQ(f.messages.size(), 1u);
  EXPECT_EQ(f.messages[0].text, "メモリが不足しています");
  EXPECT_EQ(f.messages[0].type, platform::MsgType::Error);
  EXPECT_TRUE(SamePixels(w->WorkPictureBitmap, flipped));
  EXPECT_TRUE(w->MenuEU->isEnabled());
  w->MenuEUClick();
  EXPECT_TRUE(SamePixels(w->WorkPictureBitmap, Pattern(100000, 1)));
}

TEST_F(PictureCommands, FreeAnglesAreReducedByWholeTurns) {
  struct Case {
    maker::RotateChoice::Kind kind;
    const char* text;
    float angle;  // 0: nothing happens
  } cases[] = {{maker::RotateChoice::FreeR, "370", 10},   {maker::RotateChoice::FreeR, "720", 360},
               {maker::RotateChoice::FreeR, "-360", -360}, {maker::RotateChoice::FreeR, "0", 0},
               {maker::RotateChoice::FreeR, "abc", 0},     {maker::RotateChoice::FreeR, "", 0},
               {maker::RotateChoice::FreeL, "90", -90}};
  for (const auto& c : cases) {
    w->LoadPictureFile(pic);
    w->MenuEU->setEnabled(false);
    f.dialogs->rotate = {c.kind, c.kind == maker::RotateChoice::FreeR ? c.text : "0",
                         c.kind == maker::RotateChoice::FreeL ? c.text : "0"};
    w->MenuIRClick();
    imaging::Bitmap expected = Pattern(60, 40);
    if (c.angle != 0) imaging::RotateBitmapFree(expected, 0, c.angle);
    EXPECT_TRUE(SamePixels(w->WorkPictureBitmap, expected)) << c.text;
    EXPECT_EQ(w->MenuEU->isEnabled(), c.angle != 0) << c.text;
  }
}

TEST_F(PictureCommands, UndoRestoresThePictureAndItsPlaceOnce) {
  const int left = w->ImagePicture.Left, top = w->ImagePicture.Top;
  f.dialogs->rotate = {maker::RotateChoice::R90, "0", "0"};
  w->MenuIRClick();
  EXPECT_EQ(w->WorkPictureBitmap.Width(), 40);
  EXPECT_EQ(w->windowTitle().toStdString(), "[Velmora] sky.bmp (40x60)");
  w->MenuEUClick();
  EXPECT_TRUE(SamePixels(w->WorkPictureBitmap, Pattern(60, 40)));
  EXPECT_EQ(w->ImagePicture.Left, left);
  EXPECT_EQ(w->ImagePicture.Top, top);
  EXPECT_FALSE(w->MenuEU->isEnabled());
  w->MenuEUClick();
  EXPECT_TRUE(SamePixels(w->WorkPictureBitmap, Pattern(60, 40)));
  // Flips.
  f.dialogs->rotate = {maker::RotateChoice::FlipTB, "0", "0"};
  w->MenuIRClick();
  EXPECT_EQ(w->WorkPictureBitmap.PixelColour(0, 0), Pattern(60, 40).PixelColour(0, 39));
}

TEST_F(PictureCommands, ResizeRefreshesTheViewOnlyAfterOk) {
  w->MenuISClick();  // the fake dialog cancels: both boxes 0
  EXPECT_EQ(f.log.back(), "picsize 60x40");
  f.dialogs->picSize = [this](int& nw, int& nh) {
    nw = 30;
    nh = 20;
    w->UndoPicture() = w->WorkPicture();
    imaging::ResampleBitmap(w->WorkPicture(), 30, 20, 2);
  };
  w->MenuISClick();
  EXPECT_EQ(w->ImagePicture.Width, 30);
  EXPECT_EQ(w->ImagePicture.Left, maker::RoundHalfAway((ViewW() - 30) / 2.0L));
  EXPECT_EQ(w->windowTitle().toStdString(), "[Velmora] sky.bmp (30x20)");
}

TEST_F(PictureCommands, SavingPicksTheFormatByExtension) {
  for (const char* name : {"a.jpeg", "b.JPG", "c.png", "d.bmp"}) {
    f.ChooseFile(f.root + "/" + name);
    w->MenuFSClick();
    const auto b = makertest::ReadBytes(f.root + "/" + name);
    ASSERT_GE(b.size(), 2u) << name;
    const bool jpeg = b[0] == 0xFF && b[1] == 0xD8;
    const bool bmp = b[0] == 'B' && b[1] == 'M';
    const std::string n = name;
    EXPECT_EQ(jpeg, n == "a.jpeg" || n == "b.JPG") << name;
    EXPECT_EQ(bmp, !jpeg) << name;
  }
}

TEST_F(PictureCommands, ClearingEmptiesPictureAndPreview) {
  w->PageControl2->SelectTab(1);
  w->MenuFQClick();
  EXPECT_EQ(w->windowTitle().toStdString(), "[Velmora]");
  EXPECT_TRUE(w->WorkPictureBitmap.Empty());
  EXPECT_TRUE(w->ImageBG.Picture.Empty());
  EXPECT_EQ(w->ImageBG.Width, 128);
  EXPECT_TRUE(w->Timer1->isActive());
  EXPECT_TRUE(w->PictureFileName.empty());
}

TEST_F(PictureCommands, SizeLimitOption) {
  f.WriteBmp(f.root + "/wide.bmp", Solid(257, 10, 0x00FF00));
  w->LoadPictureFile(f.root + "/wide.bmp");
  w->PM_SClick();  // off
  EXPECT_TRUE(f.messages.empty());
  w->PM_SClick();  // on again
  ASSERT_EQ(f.messages.size(), 1u);
  EXPECT_EQ(f.messages[0].text, "257 x 10, 画像サイズが大きすぎます");
  EXPECT_FALSE(w->WorkPictureBitmap.Empty());
}

TEST_F(PictureCommands, PreviewBackgroundColours) {
  struct Case {
    void (maker::TFormMain::*click)();
    imaging::Colour colour;
    bool w, g, b;
  } cases[] = {{&maker::TFormMain::PM_BClick, 0x000000, false, false, true},
               {&maker::TFormMain::PM_WClick, 0xFFFFFF, true, false, false},
               {&maker::TFormMain::PM_GClick, 0xA4A0A0, false, true, false}};
  for (const auto& c : cases) {
    (w->*c.click)();
    EXPECT_EQ(w->PanelClockRight->Color, c.colour);
    EXPECT_EQ(w->PM_W->isChecked(), c.w);
    EXPECT_EQ(w->PM_G->isChecked(), c.g);
    EXPECT_EQ(w->PM_B->isChecked(), c.b);
  }
}

TEST_F(PictureCommands, HandsReloadReplacesTheSets) {
  makertest::WriteText(f.root + "/Hands2.dat", "[Hand0]\r\nCP=0.1\r\n[Hand1]\r\nCP=0.2\r\n[Hand2]\r\nCP=0.3\r\n");
  f.ChooseFile(f.root + "/Hands2.dat");
  w->MenuFHClick();
  EXPECT_EQ(w->OpenDialog1.InitialDir, w->ProgramFolder);
  EXPECT_EQ(w->HandSets.LastIndex(), 3);
  EXPECT_EQ(w->StringGridHand->RowCount(), 3);
  // A chosen file that does not exist changes nothing.
  f.ChooseFile(f.root + "/gone.dat");
  w->MenuFHClick();
  EXPECT_EQ(w->HandSets.LastIndex(), 3);
}

TEST_F(PictureCommands, PictureListCommandShowsTheBrowser) {
  f.dialogAnswers.push_back([this](platform::DialogRequest& r) {
    *r.folder = f.root;
    return true;
  });
  w->MenuFLClick();
  EXPECT_EQ(w->PictureDirPath, f.root);
  EXPECT_EQ(w->OpenPictureDialog1.InitialDir, f.root);
  EXPECT_EQ(f.log.back(), "thumbs " + f.root);
}

// ---- Selection ----

TEST_F(PictureCommands, LeftDragDrawsACircleAroundThePressPoint) {
  const void* img = &w->ImagePicture;
  w->PanelPictureMouseDown(img, Qt::LeftButton, 20, 20);
  w->PanelPictureMouseMove(img, 23, 24);
  EXPECT_EQ(w->SelectionHalfSize, 5);
  EXPECT_EQ(w->Shape1.Hint, "10");
  EXPECT_FALSE(w->Shape1.Visible);
  w->PanelPictureMouseMove(img, 20, 32);
  EXPECT_EQ(w->SelectionHalfSize, 12);
  EXPECT_TRUE(w->Shape1.Visible);
  w->PanelPictureMouseMove(img, 20, 31);
  EXPECT_FALSE(w->Shape1.Visible);
  w->PanelPictureMouseMove(img, 29, 32);
  EXPECT_EQ(w->SelectionHalfSize, 15);
  EXPECT_EQ(w->Shape1.Left, w->ImagePicture.Left + 20 - 15);
  EXPECT_EQ(w->Shape1.Width, 30);
  w->PanelPictureMouseUp(img, Qt::LeftButton, 29, 32);
  EXPECT_FALSE(w->Dragging);
  EXPECT_EQ(w->Shape1.Left, maker::RoundHalfAway(ViewW() / 2.0L - 15));
  EXPECT_EQ(w->ImagePicture.Left, maker::RoundHalfAway(ViewW() / 2.0L - 20));
}

TEST_F(PictureCommands, RightDragSnapsToASquareOrSpansAnEllipse) {
  const void* panel = w->PanelPicture;
  w->PanelPictureMouseDown(panel, Qt::RightButton, 50, 50);
  w->PanelPictureMouseMove(panel, 20, 70);
  EXPECT_EQ(w->SelectionHalfSize, 15);
  EXPECT_EQ(w->Shape1.Left, 20);
  EXPECT_EQ(w->Shape1.Top, 50);
  EXPECT_EQ(w->Shape1.Width, 30);
  EXPECT_TRUE(w->Shape1.Circle);
  const int left0 = w->ImagePicture.Left, top0 = w->ImagePicture.Top;
  w->PanelPictureMouseUp(panel, Qt::RightButton, 20, 70);
  EXPECT_EQ(w->SelectionCenter.X, 20 + 15 - left0);
  EXPECT_EQ(w->SelectionCenter.Y, 50 + 15 - top0);
  EXPECT_EQ(w->ImagePicture.Left, maker::RoundHalfAway(ViewW() / 2.0L - w->SelectionCenter.X));
  // Larger side 23 shows the outline (half 12), 22 does not.
  w->PanelPictureMouseDown(panel, Qt::RightButton, 10, 10);
  w->PanelPictureMouseMove(panel, 33, 12);
  EXPECT_TRUE(w->Shape1.Visible);
  w->PanelPictureMouseMove(panel, 32, 12);
  EXPECT_FALSE(w->Shape1.Visible);
  // With the ellipse option: a 50 x 20 ellipse whose centre becomes (35, 20) in the view.
  w->MenuEOClick();
  const int left = w->ImagePicture.Left, top = w->ImagePicture.Top;
  w->PanelPictureMouseDown(panel, Qt::RightButton, 10, 10);
  w->PanelPictureMouseMove(panel, 60, 30);
  EXPECT_EQ(w->SelectionHalfSize, 25);
  EXPECT_FALSE(w->Shape1.Circle);
  EXPECT_EQ(w->Shape1.Width, 50);
  EXPECT_EQ(w->Shape1.Height, 20);
  w->PanelPictureMouseUp(panel, Qt::RightButton, 60, 30);
  EXPECT_EQ(w->SelectionCenter.X, 35 - left);
  EXPECT_EQ(w->SelectionCenter.Y, 20 - top);
}

TEST_F(PictureCommands, ACropKeepsTheInsideOfTheCircleAndPaintsTheRestBlack) {
  // Pure black inside the picture must survive as not-black.
  imaging::Bitmap p = Pattern(60, 40);
  p.SetPixelColour(30, 20, 0);
  f.WriteBmp(pic, p);
  w->LoadPictureFile(pic);
  const void* img = &w->ImagePicture;
  w->PanelPictureMouseDown(img, Qt::LeftButton, 30, 20);
  w->PanelPictureMouseUp(img, Qt::LeftButton, 30, 40);
  ASSERT_EQ(w->SelectionHalfSize, 20);
  w->MenuICClick();
  const imaging::Bitmap& r = w->WorkPictureBitmap;
  ASSERT_EQ(r.Width(), 40);
  ASSERT_EQ(r.Height(), 40);
  EXPECT_TRUE(w->MenuEU->isEnabled());
  for (const auto& corner : {imaging::Point{0, 0}, {39, 0}, {0, 39}, {39, 39}, {39, 20}, {20, 39}})
    EXPECT_EQ(r.PixelColour(corner.X, corner.Y), 0u) << corner.X << "," << corner.Y;
  EXPECT_EQ(r.PixelColour(20, 20), 0x00010000u);  // the black pixel, nudged
  EXPECT_EQ(r.PixelColour(21, 20), Pattern(60, 40).PixelColour(31, 20));
  EXPECT_EQ(w->windowTitle().toStdString(), "[Velmora] sky.bmp (40x40)");
  EXPECT_EQ(w->ImagePicture.Left, maker::RoundHalfAway((ViewW() - 40) / 2.0L));
  // A selection below 12 does nothing.
  w->MenuEU->setEnabled(false);
  w->SelectionHalfSize = 11;
  w->MenuICClick();
  EXPECT_EQ(w->WorkPictureBitmap.Width(), 40);
  EXPECT_FALSE(w->MenuEU->isEnabled());
}

// ---- Digital display controls ----

TEST(DigitalDisplay, StylesFollowSizeAndColour) {
  MakerFixture f;
  maker::TFormMain& w = f.Open();
  w.RadioButtonCB->click();
  EXPECT_EQ(w.DigitalStyle, 1);
  w.RadioButtonSL->click();
  EXPECT_EQ(w.DigitalStyle, 3);
  w.RadioButtonSS->click();
  EXPECT_EQ(w.DigitalStyle, 1);
  w.RadioButtonCW->click();
  EXPECT_EQ(w.DigitalStyle, 0);
  w.RadioButtonSL->click();
  EXPECT_EQ(w.DigitalStyle, 2);
  EXPECT_EQ(w.LastDrawnDay, 0);
}

TEST(DigitalDisplay, ShownDisplaysKeepTheirMiddleWhenTheSizeChanges) {
  MakerFixture f;
  maker::TFormMain& w = f.Open();
  w.CheckBoxTime->click();
  EXPECT_TRUE(w.SB_TU->isEnabled());
  w.ImageTime.Left = 100;
  w.ImageDate.Left = 50;
  w.RadioButtonSL->click();
  EXPECT_EQ(w.ImageTime.Left, 89);
  EXPECT_EQ(w.ImageDate.Left, 50);  // hidden: unchanged
  w.RadioButtonSS->click();
  EXPECT_EQ(w.ImageTime.Left, 100);
  w.CheckBoxTime->click();
  EXPECT_FALSE(w.SB_TU->isEnabled());
  EXPECT_TRUE(w.ImageTime.Picture.Empty());
  EXPECT_EQ(w.LastDrawnSecond, 99);
}

TEST(DigitalDisplay, MoveButtonsStayInsideThePreview) {
  MakerFixture f;
  maker::TFormMain& w = f.Open();
  w.RadioButtonSL->click();
  const int areaW = w.PanelClockRight->width();
  w.ImageTime.Left = areaW - 62;
  w.SB_TRClick();
  EXPECT_EQ(w.ImageTime.Left, areaW - 62);
  w.ImageTime.Left = areaW - 63;
  w.SB_TRClick();
  EXPECT_EQ(w.ImageTime.Left, areaW - 62);
  w.ImageTime.Top = 0;
  w.SB_TUClick();
  EXPECT_EQ(w.ImageTime.Top, 0);
  w.SB_TDClick();
  EXPECT_EQ(w.ImageTime.Top, 1);
  w.ImageDate.Left = 0;
  w.SB_DLClick();
  EXPECT_EQ(w.ImageDate.Left, 0);
}

TEST(DigitalDisplay, ResetButtons) {
  MakerFixture f;
  maker::TFormMain& w = f.Open();
  w.ImageS.Top = 16;
  w.ImageS.Height = 128;
  w.ButtonTResetClick();
  EXPECT_EQ(w.ImageTime.Top, 111);
  w.ButtonDResetClick();
  EXPECT_EQ(w.ImageDate.Top, 101);
  w.RadioButtonSL->click();
  w.ButtonTResetClick();
  EXPECT_EQ(w.ImageTime.Top, 114);
  EXPECT_EQ(w.ImageTime.Left, w.ImageS.Left + (w.ImageS.Width - 62) / 2);
  w.ButtonDResetClick();
  EXPECT_EQ(w.ImageDate.Top, 101);
}

TEST(DigitalDisplay, HomePageButton) {
  MakerFixture f;
  maker::TFormMain& w = f.Open();
  std::vector<std::string> opened;
  bool result = false;
  platform::SetShellOpenHookForTest([&](const std::string& u) {
    opened.push_back(u);
    return result;
  });
  w.EditURL->setText(QStringLiteral("   "));
  w.SpeedButtonURLClick();
  EXPECT_TRUE(opened.empty());
  w.EditURL->setText(QStringLiteral(" example.org "));
  w.SpeedButtonURLClick();
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0], "example.org");
  ASSERT_EQ(f.messages.size(), 1u);
  EXPECT_EQ(f.messages[0].text, "example.org が開けません");
  EXPECT_EQ(f.messages[0].buttons, unsigned(platform::mbAbort));
  result = true;
  w.SpeedButtonURLClick();
  EXPECT_EQ(f.messages.size(), 1u);
  platform::SetShellOpenHookForTest(nullptr);
}

}  // namespace
