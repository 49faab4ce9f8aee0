// The selection's mouse handling seen from the three controls of the
// picture view: the coordinates each one reports, a plain click, the middle
// button, a release without a press, and real mouse events routed by the
// view to the control under the mouse.
#include <QAction>
#include <QApplication>
#include <QMouseEvent>
#include <gtest/gtest.h>

#include "maker_fixture.h"

namespace {

using makertest::MakerFixture;

class Selection : public ::testing::Test {
 protected:
  MakerFixture f;
  maker::TFormMain* w = nullptr;
  void SetUp() override {
    f.WriteBmp(f.root + "/p.bmp", makertest::Solid(60, 40, 0x336699));
    w = &f.Open();
    w->LoadPictureFile(f.root + "/p.bmp");
  }
  int ViewW() const { return w->PanelPicture->width(); }
  int ViewH() const { return w->PanelPicture->height(); }
  void Send(QEvent::Type type, Qt::MouseButton b, int x, int y) {
    const QPointF p(x, y);
    QMouseEvent e(type, p, w->PanelPicture->mapToGlobal(p), b,
                  type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(b), Qt::NoModifier);
    QApplication::sendEvent(w->PanelPicture, &e);
  }
};

TEST_F(Selection, EachControlReportsItsOwnCoordinates) {
  // Each press at (10, 12) of its control; the outline sits at (5, 6) of the picture.
  struct Case {
    int control;  // 0 picture, 1 outline, 2 view
    imaging::Point picture;
  } cases[] = {{0, {10, 12}}, {1, {15, 18}}, {2, {10, 12}}};
  for (const auto& c : cases) {
    const int L = w->ImagePicture.Left, T = w->ImagePicture.Top;
    w->Shape1.Left = L + 5;
    w->Shape1.Top = T + 6;
    const void* sender = c.control == 0 ? static_cast<const void*>(&w->ImagePicture)
                         : c.control == 1 ? static_cast<const void*>(&w->Shape1)
                                          : static_cast<const void*>(w->PanelPicture);
    const int x = c.control == 2 ? L + 10 : 10, y = c.control == 2 ? T + 12 : 12;
    w->PanelPictureMouseDown(sender, Qt::LeftButton, x, y);
    EXPECT_EQ(w->SelectionCenter.X, c.picture.X) << c.control;
    EXPECT_EQ(w->SelectionCenter.Y, c.picture.Y) << c.control;
    w->PanelPictureMouseUp(sender, Qt::LeftButton, x, y);
  }
  // A right press keeps the view point as the anchor.
  w->PanelPictureMouseDown(&w->ImagePicture, Qt::RightButton, 10, 12);
  EXPECT_EQ(w->SelectionAnchor.X, w->ImagePicture.Left + 10);
  EXPECT_EQ(w->SelectionAnchor.Y, w->ImagePicture.Top + 12);
}

TEST_F(Selection, APlainClickMovesThePointToTheMiddleAndLeavesNoOutline) {
  w->PanelPictureMouseDown(&w->ImagePicture, Qt::LeftButton, 7, 9);
  w->PanelPictureMouseUp(&w->ImagePicture, Qt::LeftButton, 7, 9);
  EXPECT_EQ(w->SelectionHalfSize, 0);
  EXPECT_EQ(w->Shape1.Hint, "0");
  EXPECT_FALSE(w->Shape1.Visible);
  EXPECT_EQ(w->Shape1.Width, 60);
  EXPECT_EQ(w->Shape1.Height, 40);
  EXPECT_EQ(w->ImagePicture.Left, maker::RoundHalfAway(ViewW() / 2.0L - 7));
  EXPECT_EQ(w->ImagePicture.Top, maker::RoundHalfAway(ViewH() / 2.0L - 9));
}

TEST_F(Selection, MiddleButtonOnlyHidesAndAReleaseWithoutAPressGivesNoSelection) {
  w->PanelPictureMouseDown(&w->ImagePicture, Qt::LeftButton, 30, 20);
  w->PanelPictureMouseMove(&w->ImagePicture, 30, 40);
  ASSERT_TRUE(w->Shape1.Visible);
  w->PanelPictureMouseDown(&w->ImagePicture, Qt::MiddleButton, 1, 1);
  EXPECT_FALSE(w->Shape1.Visible);
  EXPECT_EQ(w->SelectionMode, 'A');
  EXPECT_TRUE(w->Dragging);
  EXPECT_EQ(w->SelectionCenter.X, 30);

  // A fresh window: no press ever, so the release has no mode and size 0.
  MakerFixture g;
  g.WriteBmp(g.root + "/p.bmp", makertest::Solid(60, 40, 0x336699));
  maker::TFormMain& v = g.Open();
  v.LoadPictureFile(g.root + "/p.bmp");
  v.PanelPictureMouseMove(&v.ImagePicture, 50, 30);  // not dragging: nothing
  EXPECT_EQ(v.Shape1.Hint, "");
  v.PanelPictureMouseUp(&v.ImagePicture, Qt::LeftButton, 50, 30);
  EXPECT_EQ(v.SelectionHalfSize, 0);
  EXPECT_EQ(v.Shape1.Hint, "0");
  EXPECT_EQ(v.SelectionCenter.X, 30);  // the picture's middle from the load
  EXPECT_EQ(v.ImagePicture.Left, maker::RoundHalfAway(v.PanelPicture->width() / 2.0L - 30));
}

TEST_F(Selection, EmptyPictureIgnoresTheMouse) {
  w->MenuFQClick();
  w->PanelPictureMouseDown(w->PanelPicture, Qt::LeftButton, 100, 100);
  w->PanelPictureMouseMove(w->PanelPicture, 150, 150);
  w->PanelPictureMouseUp(w->PanelPicture, Qt::LeftButton, 150, 150);
  EXPECT_FALSE(w->Dragging);
  EXPECT_EQ(w->SelectionHalfSize, 0);
}

TEST_F(Selection, TheViewRoutesRealMouseEventsToTheControlUnderTheMouse) {
  const int L = w->ImagePicture.Left, T = w->ImagePicture.Top;
  // Press on the picture at its point (10, 12), drag 15 pixels down.
  Send(QEvent::MouseButtonPress, Qt::LeftButton, L + 10, T + 12);
  EXPECT_EQ(w->SelectionCenter.X, 10);
  EXPECT_EQ(w->SelectionCenter.Y, 12);
  Send(QEvent::MouseMove, Qt::LeftButton, L + 10, T + 27);
  EXPECT_EQ(w->SelectionHalfSize, 15);
  EXPECT_TRUE(w->Shape1.Visible);
  Send(QEvent::MouseButtonRelease, Qt::LeftButton, L + 10, T + 27);
  EXPECT_FALSE(w->Dragging);
  EXPECT_EQ(w->Shape1.Left, maker::RoundHalfAway(ViewW() / 2.0L - 15));
  // Now the outline lies in the middle of the view: a right press inside it
  // comes from the outline, a press outside the picture from the view.
  const int sx = w->Shape1.Left + 3, sy = w->Shape1.Top + 4;
  Send(QEvent::MouseButtonPress, Qt::RightButton, sx, sy);
  EXPECT_EQ(w->SelectionAnchor.X, sx);
  EXPECT_EQ(w->SelectionAnchor.Y, sy);
  Send(QEvent::MouseButtonRelease, Qt::RightButton, sx, sy);
  Send(QEvent::MouseButtonPress, Qt::LeftButton, 2, 2);
  EXPECT_EQ(w->SelectionCenter.X, 2 - w->ImagePicture.Left);
  EXPECT_EQ(w->SelectionCenter.Y, 2 - w->ImagePicture.Top);
  Send(QEvent::MouseButtonRelease, Qt::LeftButton, 2, 2);
}

}  // namespace
