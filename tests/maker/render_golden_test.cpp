// The preview and the picture view pixel for pixel: a digest of every dial
// layer and of the composed panels after each step of a session, held to the
// digests the plain renders gave. Faster rendering must not move a pixel; a
// deliberate change of the pictures updates the table (the test prints the
// new one).
#include <QApplication>
#include <QCheckBox>
#include <QPaintEvent>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>

#include "maker_fixture.h"

namespace {

using makertest::MakerFixture;
using makertest::Pattern;
using makertest::Solid;

uint64_t Mix(uint64_t h, uint32_t v) {
  for (int i = 0; i < 4; ++i) h = (h ^ ((v >> (8 * i)) & 0xFF)) * 0x100000001B3ull;
  return h;
}

std::string Digest(const imaging::Bitmap& b) {
  uint64_t h = 0xCBF29CE484222325ull;
  h = Mix(Mix(h, uint32_t(b.Width())), uint32_t(b.Height()));
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x) h = Mix(h, b.PixelColour(x, y) & 0xFFFFFF);
  char s[20];
  std::snprintf(s, sizeof s, "%016llx", (unsigned long long)h);
  return s;
}

std::string Digest(const QImage& img) { return Digest(imaging::Bitmap::FromQImage(img)); }

// A frame or ring picture: coloured rings on a white (transparent) ground.
imaging::Bitmap Rings(int size, imaging::Colour a, imaging::Colour b) {
  imaging::Bitmap r = Solid(size, size, 0xFFFFFF);
  imaging::Canvas& c = r.GetCanvas();
  c.brush.Clear = true;
  for (int i = 0; i < 6; ++i) {
    c.pen.Color = i % 2 ? a : b;
    c.Ellipse({2 + i, 2 + i, size - 2 - i, size - 2 - i});
  }
  return r;
}

class Session {
 public:
  explicit Session(MakerFixture& f, maker::TFormMain& w) : f_(f), w_(w) {}
  void Step(const std::string& name) {
    out_ << name << ": bg " << Digest(w_.ImageBG.Picture) << " fg " << Digest(w_.ImageFG.Picture) << " mj1 "
         << Digest(w_.ImageMJ1.Picture) << " mj2 " << Digest(w_.ImageMJ2.Picture) << " h "
         << Digest(w_.ImageH.Picture) << " m " << Digest(w_.ImageM.Picture) << " s " << Digest(w_.ImageS.Picture)
         << " time " << Digest(w_.ImageTime.Picture) << " date " << Digest(w_.ImageDate.Picture) << " panel " << Digest(w_.PanelClockRight->Render()) << "\n";
  }
  void PictureStep(const std::string& name) { out_ << name << ": view " << Digest(w_.PanelPicture->Render()) << "\n"; }
  std::string Text() const { return out_.str(); }

 private:
  MakerFixture& f_;
  maker::TFormMain& w_;
  std::ostringstream out_;
};

void WriteSamples(MakerFixture& f) {
  makertest::WriteText(f.Prog("Hands.dat"),
                       "[Hand0X]\r\nCP=0.07\r\nH0=0,0.5\r\nH1=0.25,0.125\r\nH2=-0.25,0.125\r\n"
                       "M0=0,0.9\r\nM1=3.5,0.25\r\nM2=6,0.5\r\nS0=0.5,0.95\r\nS1=3,0.2\r\n");
  f.WriteBmp(f.Prog("FG/frame.bmp"), Rings(96, 0x2040A0, 0x30C060));
  f.WriteBmp(f.Prog("HR/ring.bmp"), Rings(80, 0x802020, 0x101010));
}

// Limit off: the still preview over a picture larger than 256 pixels.
TEST(RenderGolden, StillPreviewOverALargePicture) {
  MakerFixture f;
  WriteSamples(f);
  f.WriteBmp(f.root + "/pic.bmp", Pattern(300, 220));
  maker::TFormMain& w = f.Open();
  Session s(f, w);
  w.LoadPictureFile(f.root + "/pic.bmp");
  s.PictureStep("loaded");
  w.FormKeyDown(Qt::Key_C);
  s.PictureStep("key C");
  w.PM_SClick();  // the limit off
  w.PageControl2->SelectTab(1);
  s.Step("clock tab");
  w.StringGridFG->ClickRow(1);
  s.Step("frame");
  w.CheckBoxFG->click();
  s.Step("frame smooth");
  w.StringGridHR->ClickRow(1);
  s.Step("ring");
  w.CheckBoxHR->click();
  s.Step("ring smooth");
  w.RadioButtonMJ21->click();
  s.Step("arabic upright");
  w.RadioButtonMJ23->click();
  s.Step("kanji upright");
  w.RadioButtonMJ2A->click();
  s.Step("arabic radial");
  w.RadioButtonMJ2C->click();
  s.Step("kanji radial");
  w.EditMJ2D->setText(QStringLiteral("A,BB,C"));
  w.RadioButtonMJ2D->click();
  s.Step("custom radial");
  w.StringGridHand->ClickRow(0);
  s.Step("hand set");
  w.CheckBoxPP1->click();
  w.CheckBoxPP2->click();
  w.CheckBoxPP3->click();
  s.Step("ellipses");
  w.CheckBoxDate->click();
  w.CheckBoxTime->click();
  w.SB_TRClick();
  w.SB_DDClick();
  w.PreviewRefresh();
  s.Step("displays");
  w.PM_BClick();
  s.Step("black background");
  w.SpinEditFG->setValue(6);
  s.Step("frame margin");
  const std::string want =
      "loaded: view a6e208364203be87\n"
      "key C: view a6e208364203be87\n"
      "clock tab: bg 330b373668c4f8d2 fg a8c7f832281a39c5 mj1 a8c7f832281a39c5 mj2 a8c7f832281a39c5 h 5917ae92ee93cba5 m f96e1d25ef73d7ea s 892e7e266dae4ccc time a8c7f832281a39c5 date a8c7f832281a39c5 panel 118fcd1ad134c620\n"
      "frame: bg 330b373668c4f8d2 fg e5f0cfbe65abd8a5 mj1 a8c7f832281a39c5 mj2 a8c7f832281a39c5 h 5917ae92ee93cba5 m f96e1d25ef73d7ea s 892e7e266dae4ccc time a8c7f832281a39c5 date a8c7f832281a39c5 panel c90004be25a5754c\n"
      "frame smooth: bg 330b373668c4f8d2 fg 50354ad027dd7673 mj1 a8c7f832281a39c5 mj2 a8c7f832281a39c5 h 5917ae92ee93cba5 m f96e1d25ef73d7ea s 892e7e266dae4ccc time a8c7f832281a39c5 date a8c7f832281a39c5 panel 0c37c4db80c3958f\n"
      "ring: bg 330b373668c4f8d2 fg 50354ad027dd7673 mj1 43b4ab4c224c5d35 mj2 a8c7f832281a39c5 h 5917ae92ee93cba5 m f96e1d25ef73d7ea s 892e7e266dae4ccc time a8c7f832281a39c5 date a8c7f832281a39c5 panel 4abdbf7c8f562e51\n"
      "ring smooth: bg 330b373668c4f8d2 fg 50354ad027dd7673 mj1 6164dae70ee5d503 mj2 a8c7f832281a39c5 h 5917ae92ee93cba5 m f96e1d25ef73d7ea s 892e7e266dae4ccc time a8c7f832281a39c5 date a8c7f832281a39c5 panel 3273b4f1cb4d8dfe\n"
      "arabic upright: bg 330b373668c4f8d2 fg 50354ad027dd7673 mj1 6164dae70ee5d503 mj2 50f795ea79c4b08d h 5917ae92ee93cba5 m f96e1d25ef73d7ea s 892e7e266dae4ccc time a8c7f832281a39c5 date a8c7f832281a39c5 panel ee7c79f9978d290e\n"
      "kanji upright: bg 330b373668c4f8d2 fg 50354ad027dd7673 mj1 6164dae70ee5d503 mj2 e1c9570e5d9d0fa2 h 5917ae92ee93cba5 m f96e1d25ef73d7ea s 892e7e266dae4ccc time a8c7f832281a39c5 date a8c7f832281a39c5 panel e8ab8059777b02c9\n"
      "arabic radial: bg 330b373668c4f8d2 fg 50354ad027dd7673 mj1 6164dae70ee5d503 mj2 02e097d3b2ebc952 h 5917ae92ee93cba5 m f96e1d25ef73d7ea s 892e7e266dae4ccc time a8c7f832281a39c5 date a8c7f832281a39c5 panel 00c300c00a184c2d\n"
      "kanji radial: bg 330b373668c4f8d2 fg 50354ad027dd7673 mj1 6164dae70ee5d503 mj2 4224bb9c2d694c26 h 5917ae92ee93cba5 m f96e1d25ef73d7ea s 892e7e266dae4ccc time a8c7f832281a39c5 date a8c7f832281a39c5 panel 7037ec0d20458579\n"
      "custom radial: bg 330b373668c4f8d2 fg 50354ad027dd7673 mj1 6164dae70ee5d503 mj2 2d2b66db67561245 h 5917ae92ee93cba5 m f96e1d25ef73d7ea s 892e7e266dae4ccc time a8c7f832281a39c5 date a8c7f832281a39c5 panel af5cad5c3928d592\n"
      "hand set: bg 330b373668c4f8d2 fg 50354ad027dd7673 mj1 6164dae70ee5d503 mj2 2d2b66db67561245 h 5917ae92ee93cba5 m f96e1d25ef73d7ea s 892e7e266dae4ccc time a8c7f832281a39c5 date a8c7f832281a39c5 panel af5cad5c3928d592\n"
      "ellipses: bg 330b373668c4f8d2 fg be9e0c0e0eb950c3 mj1 d16feb02df75f59e mj2 2d2b66db67561245 h bff30f2d32d73392 m 74be178bd202273e s 49b7bcc86fb2042f time a8c7f832281a39c5 date a8c7f832281a39c5 panel b87261775995f240\n"
      "displays: bg 330b373668c4f8d2 fg be9e0c0e0eb950c3 mj1 d16feb02df75f59e mj2 2d2b66db67561245 h bff30f2d32d73392 m 74be178bd202273e s 49b7bcc86fb2042f time a8c7f832281a39c5 date a8c7f832281a39c5 panel b87261775995f240\n"
      "black background: bg 330b373668c4f8d2 fg be9e0c0e0eb950c3 mj1 d16feb02df75f59e mj2 2d2b66db67561245 h bff30f2d32d73392 m 74be178bd202273e s 49b7bcc86fb2042f time a8c7f832281a39c5 date a8c7f832281a39c5 panel b5177bcd5b1fe7f8\n"
      "frame margin: bg 330b373668c4f8d2 fg a913fe123727367a mj1 d16feb02df75f59e mj2 2d2b66db67561245 h bff30f2d32d73392 m 74be178bd202273e s 49b7bcc86fb2042f time 9b6e499e26e56c9c date a8c7f832281a39c5 panel 47a146d3aa908ac7\n";
  EXPECT_EQ(s.Text(), want);
}

// A picture larger than the views: only part of each layer is on screen.
TEST(RenderGolden, PictureLargerThanTheViews) {
  MakerFixture f;
  WriteSamples(f);
  f.WriteBmp(f.root + "/pic.bmp", Pattern(900, 700));
  maker::TFormMain& w = f.Open();
  Session s(f, w);
  w.LoadPictureFile(f.root + "/pic.bmp");
  s.PictureStep("loaded");
  w.PM_SClick();
  w.PageControl2->SelectTab(1);
  ASSERT_GT(w.ImageBG.Width, w.PanelClockRight->width());
  w.StringGridFG->ClickRow(1);
  w.CheckBoxHR->click();
  w.StringGridHR->ClickRow(1);
  s.Step("frame and ring");
  w.RadioButtonMJ2C->click();
  s.Step("kanji radial");
  w.CheckBoxPP3->click();
  s.Step("elliptic hands");
  const std::string want =
      "loaded: view f542fe4f18d7199b\n"
      "frame and ring: bg 3351d713d482f572 fg f830ca513c3eb715 mj1 cce28268ad1d5351 mj2 a8c7f832281a39c5 h 7b535ca4a78238e3 m ab0fa917d0f89b5b s 54b0c53ddd7ccfbc time a8c7f832281a39c5 date a8c7f832281a39c5 panel 4a3c2b66d5d3cb61\n"
      "kanji radial: bg 3351d713d482f572 fg f830ca513c3eb715 mj1 cce28268ad1d5351 mj2 7a54492e753e34d1 h 7b535ca4a78238e3 m ab0fa917d0f89b5b s 54b0c53ddd7ccfbc time a8c7f832281a39c5 date a8c7f832281a39c5 panel 4a3c2b66d5d3cb61\n"
      "elliptic hands: bg 3351d713d482f572 fg f830ca513c3eb715 mj1 cce28268ad1d5351 mj2 7a54492e753e34d1 h 88f362ef8483bf7d m d3fb08c808616c1a s 9c53c8859a8a6c3f time a8c7f832281a39c5 date a8c7f832281a39c5 panel c1d7e1f1061aaf35\n";
  EXPECT_EQ(s.Text(), want);
}

// Limit on: the running preview over a small picture, tick by tick.
TEST(RenderGolden, RunningPreviewTicks) {
  MakerFixture f;
  WriteSamples(f);
  f.WriteBmp(f.root + "/pic.bmp", Pattern(200, 150));
  maker::TFormMain& w = f.Open();
  Session s(f, w);
  w.LoadPictureFile(f.root + "/pic.bmp");
  w.PageControl2->SelectTab(1);
  w.StringGridFG->ClickRow(1);
  w.StringGridHR->ClickRow(1);
  w.RadioButtonMJ2B->click();
  w.StringGridHand->ClickRow(0);
  w.CheckBoxTime->click();
  w.CheckBoxDate->click();
  ASSERT_TRUE(w.Timer1->isActive());
  s.Step("start");
  for (int second : {43, 44, 50, 59}) {
    f.now.Second = uint16_t(second);
    w.Timer1Timer();
    s.Step("second " + std::to_string(second));
  }
  f.now.Minute = 26;
  f.now.Second = 1;
  w.Timer1Timer();
  s.Step("next minute");
  f.now.Day = 11;
  f.now.Second = 2;
  w.Timer1Timer();
  s.Step("next day");
  const std::string want =
      "start: bg daf65c02dfc0e0db fg 7b4d1b179e8b1165 mj1 315213118095c22a mj2 6fe8f64d0fa0888f h 7742ed1d036fddec m 0165ea01c75ae9dd s ed2c50cc03e76de5 time a8c7f832281a39c5 date a8c7f832281a39c5 panel 8e8fd32fc24068ff\n"
      "second 43: bg daf65c02dfc0e0db fg 7b4d1b179e8b1165 mj1 315213118095c22a mj2 6fe8f64d0fa0888f h 7742ed1d036fddec m 0165ea01c75ae9dd s 04e3cec8ce1324e5 time 99b15710c4882ecc date 63b603553e2d32c1 panel d58851eeedc4d5b5\n"
      "second 44: bg daf65c02dfc0e0db fg 7b4d1b179e8b1165 mj1 315213118095c22a mj2 6fe8f64d0fa0888f h 7742ed1d036fddec m 0165ea01c75ae9dd s ec179d64fdf97c45 time 03e7df4345f79d15 date 63b603553e2d32c1 panel 0f5f4bdd1636481f\n"
      "second 50: bg daf65c02dfc0e0db fg 7b4d1b179e8b1165 mj1 315213118095c22a mj2 6fe8f64d0fa0888f h 7742ed1d036fddec m 52e3f464df20049d s c4b9cbccddd69e65 time 76e9dcc3b0fc99bc date 63b603553e2d32c1 panel d9614af8114be267\n"
      "second 59: bg daf65c02dfc0e0db fg 7b4d1b179e8b1165 mj1 315213118095c22a mj2 6fe8f64d0fa0888f h 7742ed1d036fddec m cc2651f27f00c2ce s d9c97e372ba2a3e5 time 0b84f2f94ae09a1c date 63b603553e2d32c1 panel d1952c4768e943b6\n"
      "next minute: bg daf65c02dfc0e0db fg 7b4d1b179e8b1165 mj1 315213118095c22a mj2 6fe8f64d0fa0888f h 7742ed1d036fddec m cc2651f27f00c2ce s bc6dbfe08f3c77e5 time 5bc9918458f9957c date 63b603553e2d32c1 panel f41535bfc7f5e8d4\n"
      "next day: bg daf65c02dfc0e0db fg 7b4d1b179e8b1165 mj1 315213118095c22a mj2 6fe8f64d0fa0888f h 7742ed1d036fddec m cc2651f27f00c2ce s dd2bffdfd303ace5 time 38c94886e1e70c15 date 22c0ee40b7602581 panel 621acb6efe24d415\n";
  EXPECT_EQ(s.Text(), want);
}

// The preview's tick repaints only the images it redrew, and a partial
// repaint composes exactly what the whole panel shows there.
class PaintRegions : public QObject {
 public:
  QRegion region;
  int paints = 0;
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::Paint) {
      region += static_cast<QPaintEvent*>(e)->region();
      ++paints;
    }
    return false;
  }
};

TEST(RenderGolden, TickRepaintsOnlyWhatChanged) {
  MakerFixture f;
  WriteSamples(f);
  f.WriteBmp(f.root + "/pic.bmp", Pattern(200, 150));
  maker::TFormMain& w = f.Open();
  w.LoadPictureFile(f.root + "/pic.bmp");
  w.show();
  w.PageControl2->SelectTab(1);
  w.StringGridFG->ClickRow(1);
  w.StringGridHR->ClickRow(1);
  w.RadioButtonMJ2A->click();
  w.CheckBoxTime->click();
  ASSERT_TRUE(w.Timer1->isActive());
  // The still preview's hands first (as while the size limit keeps the
  // timer off), then ticks by hand. At ten past the minute hand stays where
  // the still preview put it, so the second hand's repaint stands alone.
  f.now.Minute = 10;
  w.Timer1->stop();
  w.LastDrawnSecond = 99;
  w.LastMinutePosition = 99.0L;
  w.Timer1Timer();
  w.Timer1->start(1000000);
  QApplication::processEvents();
  PaintRegions seen;
  w.PanelClockRight->installEventFilter(&seen);
  for (int second : {5, 5, 4, 3, 59}) {
    const QImage before = w.PanelClockRight->Render();
    seen.region = QRegion();
    seen.paints = 0;
    f.now.Second = uint16_t(second);
    w.Timer1Timer();
    QApplication::processEvents();
    const QImage after = w.PanelClockRight->Render();
    int changed = 0;
    for (int y = 0; y < after.height(); ++y)
      for (int x = 0; x < after.width(); ++x)
        if (before.pixel(x, y) != after.pixel(x, y)) {
          ++changed;
          ASSERT_TRUE(seen.region.contains(QPoint(x, y))) << second << ": " << x << "," << y;
        }
    if (changed == 0) {
      EXPECT_EQ(seen.paints, 0) << second;
    }
    const QRect panel = w.PanelClockRight->rect();
    EXPECT_FALSE(QRegion(panel).subtracted(seen.region).isEmpty()) << second << ": the whole panel repainted";
    // What the repaint drew there equals the whole panel's composition.
    QImage partial(panel.size(), QImage::Format_RGB32);
    partial.fill(Qt::magenta);
    const QRegion drawn = seen.region.isEmpty() ? QRegion(QRect(40, 30, 90, 70)) : seen.region;
    w.PanelClockRight->render(&partial, drawn.boundingRect().topLeft(), drawn, QWidget::RenderFlags());
    for (const QRect& r : drawn)
      for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
          ASSERT_EQ(partial.pixel(x, y), after.pixel(x, y)) << second << ": " << x << "," << y;
  }
}

}  // namespace
