// The lower limit of the ring and numeral offsets follows the background's
// size; a margin below a new, higher limit is raised to it before anything is
// placed with it.
#include <QSpinBox>
#include <gtest/gtest.h>

#include "maker_fixture.h"

namespace {

using makertest::MakerFixture;

TEST(MarginLimit, ASmallerBackgroundRaisesTheMarginsBeforeTheLayout) {
  MakerFixture f;
  f.WriteBmp(f.root + "/small.bmp", makertest::Solid(20, 20, 0x336699));
  maker::TFormMain& w = f.Open();
  w.PageControl2->SelectTab(1);
  w.SpinEditHR1->setValue(-59);
  w.SpinEditHR2->setValue(-59);
  ASSERT_EQ(w.RingMargin, -59);
  ASSERT_EQ(w.ImageMJ2.Width, 128 - 118);
  w.PageControl2->SelectTab(0);
  w.LoadPictureFile(f.root + "/small.bmp");
  w.PageControl2->SelectTab(1);
  // 20 x 20: the limit is 5 - 10 = -5.
  EXPECT_EQ(w.SpinEditHR1->minimum(), -5);
  EXPECT_EQ(w.SpinEditHR1->toolTip().toStdString(), "-5 ～ 20");
  EXPECT_EQ(w.RingMargin, -5);
  EXPECT_EQ(w.NumeralMargin, -5);
  EXPECT_EQ(w.ImageMJ1.Width, 10);
  EXPECT_EQ(w.ImageMJ2.Width, 10);
  EXPECT_EQ(w.ImageMJ2.Left, w.ImageBG.Left + 5);
}

}  // namespace
