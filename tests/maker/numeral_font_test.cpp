// The numerals' font dialog, shown for real: it opens on the numerals' own
// font and colour, and an OK without a change leaves the preview as it was.
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontDialog>
#include <QImage>
#include <QPushButton>
#include <QRadioButton>
#include <gtest/gtest.h>

#include "../modal_driver.h"
#include "maker_fixture.h"

namespace {

using makertest::MakerFixture;

TEST(NumeralFont, TheDialogOpensOnTheNumeralFontAndAnUnchangedOkChangesNoPixel) {
  MakerFixture f;
  f.WriteBmp(f.root + "/p.bmp", makertest::Pattern(200, 160));
  maker::TFormMain& w = f.Open();
  w.show();
  w.LoadPictureFile(f.root + "/p.bmp");
  w.PageControl2->SelectTab(1);
  w.RadioButtonMJ21->click();
  ASSERT_FALSE(w.ImageMJ2.Picture.Empty());
  const imaging::Bitmap numerals = w.ImageMJ2.Picture;
  const QImage before = w.PanelClockRight->grab().toImage();
  const platform::FontChoice font = w.NumeralFont;

  const auto oldHook = platform::SetDialogHook({});
  std::string family;
  uint colour = 1;
  testsupport::ModalDriver driver([&](QWidget* m) {
    if (auto* chooser = m->findChild<QFontDialog*>()) family = chooser->currentFont().family().toStdString();
    if (auto* colours = m->findChild<QComboBox*>(QString(), Qt::FindDirectChildrenOnly))
      colour = colours->currentData().toUInt();
    if (auto* box = m->findChild<QDialogButtonBox*>(QString(), Qt::FindDirectChildrenOnly))
      box->button(QDialogButtonBox::Ok)->click();
  });
  w.RunCommand([&] { w.SpeedButtonFontClick(); });
  platform::SetDialogHook(oldHook);

  // The installed font the numerals are drawn in, and the colour they take.
  EXPECT_EQ(family, "IPAPGothic");
  EXPECT_EQ(colour, 0u);
  EXPECT_EQ(driver.leftOpen, 0);
  EXPECT_TRUE(w.NumeralFont == font);
  EXPECT_TRUE(makertest::SamePixels(w.ImageMJ2.Picture, numerals));
  const QImage after = w.PanelClockRight->grab().toImage();
  ASSERT_EQ(after.size(), before.size());
  int changed = 0;
  for (int y = 0; y < after.height(); ++y)
    for (int x = 0; x < after.width(); ++x) changed += after.pixel(x, y) != before.pixel(x, y);
  EXPECT_EQ(changed, 0);
}

}  // namespace
