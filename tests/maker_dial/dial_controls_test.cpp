#include "maker/dial/dial_controls.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

using imaging::Bitmap;
using namespace maker;

TEST(DialControls, WhatEachControlRendersAgain) {
  struct Case {
    DialControl c;
    bool autoColour;
    const char* want;  // L layout, F frame, R ring, N numerals, P preview refresh
  } cases[] = {
      {DialControl::FrameGrid, false, "F"},          {DialControl::FrameSmooth, false, "F"},
      {DialControl::AutoColour, true, "F"},          {DialControl::ManualColourChosen, false, "F"},
      {DialControl::ManualColourChosen, true, ""},   {DialControl::FrameMargin, false, "LFP"},
      {DialControl::RingGrid, false, "R"},           {DialControl::RingSmooth, false, "R"},
      {DialControl::RingMargin, false, "LRP"},       {DialControl::EllipseBox, false, "LFRP"},
      {DialControl::NumeralStyle, false, "N"},       {DialControl::NumeralFontChosen, false, "N"},
      {DialControl::NumeralMargin, false, "LNP"},    {DialControl::PreviewBackground, true, "F"},
      // The preview background reaches the frame only through the automatic
      // edge colour: with a manual colour the frame is not rendered again.
      {DialControl::PreviewBackground, false, ""},
  };
  for (const auto& c : cases) {
    const DialReaction r = ReactionTo(c.c, c.autoColour);
    std::string got;
    if (r.Layout) got += 'L';
    if (r.Frame) got += 'F';
    if (r.Ring) got += 'R';
    if (r.Numerals) got += 'N';
    if (r.PreviewRefresh) got += 'P';
    EXPECT_EQ(got, c.want) << int(c.c);
  }
}

TEST(TabSwitch, PictureTabStopsThePreview) {
  Bitmap work(100, 100);
  const TabSwitchPlan p = PlanTabSwitch(0, true, &work);
  EXPECT_FALSE(p.ClockTab);
  EXPECT_FALSE(p.AttachPopupMenu);
  EXPECT_TRUE(p.StopTimer);
  EXPECT_FALSE(p.RenderAll);
  EXPECT_FALSE(p.ShowSizeMessage);
}

TEST(TabSwitch, ClockTabAppliesTheSizeLimit) {
  struct Case {
    int w, h;  // 0 x 0: no picture loaded
    bool limit;
    bool message, shows, stop;
    int bgW, bgH;
  } cases[] = {
      {300, 200, true, true, false, false, 128, 128},   // too large: empty background, timer runs
      {256, 256, true, false, true, false, 256, 256},   // passes
      {100, 257, true, true, false, false, 128, 128},
      {300, 200, false, false, true, true, 300, 200},   // no limit: shown, still preview
      {0, 0, true, false, false, false, 128, 128},      // nothing loaded
  };
  for (const auto& c : cases) {
    Bitmap work(c.w, c.h);
    const TabSwitchPlan p = PlanTabSwitch(1, c.limit, &work);
    EXPECT_TRUE(p.ClockTab);
    EXPECT_TRUE(p.AttachPopupMenu);
    EXPECT_TRUE(p.RenderAll);
    EXPECT_EQ(p.ShowSizeMessage, c.message) << c.w << "x" << c.h;
    EXPECT_EQ(p.BackgroundShowsPicture, c.shows) << c.w << "x" << c.h;
    EXPECT_EQ(p.StopTimer, c.stop) << c.w << "x" << c.h;
    EXPECT_EQ(p.BackgroundWidth, c.bgW);
    EXPECT_EQ(p.BackgroundHeight, c.bgH);
  }
  Bitmap large(300, 200);
  EXPECT_EQ(PlanTabSwitch(1, true, &large).SizeMessage, "300 x 200, 画像サイズが大きすぎます");
  EXPECT_FALSE(PlanTabSwitch(1, true, nullptr).ShowSizeMessage);
}

TEST(PictureListCell, DrawsUnscaledClippedAndFramesTheSelectedRow) {
  QImage canvas(20, 20, QImage::Format_RGB32);
  Bitmap pic(12, 12);
  for (int y = 0; y < 12; ++y)
    for (int x = 0; x < 12; ++x) pic.SetPixelColour(x, y, 0x00FF0000);  // blue
  for (bool selected : {false, true}) {
    canvas.fill(Qt::white);
    {
      QPainter p(&canvas);
      DrawPictureListCell(p, QRect(2, 3, 8, 8), &pic, selected);
      DrawPictureListCell(p, QRect(12, 12, 8, 8), nullptr, true);  // a row beyond the list
    }
    EXPECT_EQ(canvas.pixel(5, 6), qRgb(0, 0, 255));
    EXPECT_EQ(canvas.pixel(10, 6), qRgb(255, 255, 255)) << "clipped to the cell";
    EXPECT_EQ(canvas.pixel(15, 15), qRgb(255, 255, 255));
    const QRgb edge = selected ? qRgb(255, 0, 0) : qRgb(0, 0, 255);
    EXPECT_EQ(canvas.pixel(2, 3), edge);
    EXPECT_EQ(canvas.pixel(9, 10), edge);
    EXPECT_EQ(canvas.pixel(3, 4), qRgb(0, 0, 255)) << "the frame is one pixel wide";
  }
}
