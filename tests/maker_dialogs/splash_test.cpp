// The splash window and its picture resource.
#include <gtest/gtest.h>

#include <QImage>
#include <QLabel>

#include "imaging/picture_io.h"
#include "maker/dialogs/form_splash.h"
#include "platform/resources.h"

TEST(Splash, ShowsTheSplashPictureCentredOnBlack) {
  const std::vector<uint8_t> jpeg = platform::LoadResource("SPLASH", 1);
  const imaging::Bitmap picture = imaging::ReadJpeg(jpeg.data(), jpeg.size());
  EXPECT_EQ(picture.Width(), 192);
  EXPECT_EQ(picture.Height(), 138);

  maker::TFormSplash splash;
  EXPECT_EQ(splash.size(), QSize(192, 138));
  EXPECT_TRUE(splash.windowFlags() & Qt::FramelessWindowHint);
  splash.ShowAndPaint();
  EXPECT_TRUE(splash.isVisible());
  EXPECT_EQ(splash.Image1->geometry(), QRect(0, 0, 192, 138));
  const QImage shown = splash.grab().toImage();
  const QImage expected = picture.ToQImage();
  for (QPoint p : {QPoint(52, 69), QPoint(120, 50), QPoint(5, 5)}) EXPECT_EQ(shown.pixel(p), expected.pixel(p));
}
