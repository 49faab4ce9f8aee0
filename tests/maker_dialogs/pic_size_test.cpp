// The resize and rotate dialogs, driven through their components.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFocusEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <cstring>

#include "fake_host.h"
#include "imaging/bitmap_ops.h"
#include "maker/dialogs/form_pic_size.h"
#include "maker/dialogs/form_rotate.h"
#include "platform/message_box.h"

using dialogtest::FakeHost;
using maker::TFormPicSize;
using maker::TFormRotate;

namespace {

imaging::Bitmap Pattern(int w, int h) {
  imaging::Bitmap b(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) b.SetPixelColour(x, y, imaging::RGB(uint8_t(x * 37), uint8_t(y * 59), uint8_t(x * y)));
  return b;
}

bool SamePixels(const imaging::Bitmap& a, const imaging::Bitmap& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height()) return false;
  for (int y = 0; y < a.Height(); ++y)
    if (std::memcmp(a.ScanLine(y), b.ScanLine(y), size_t(a.Width()) * 3) != 0) return false;
  return true;
}

void LoseFocus(QWidget* w) {
  QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
  QApplication::sendEvent(w, &out);
}

class PicSizeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    oldHook_ = platform::SetMessageHook([this](const platform::MessageRecord& r) {
      messages_.push_back(r);
      return platform::ModalResult::OK;
    });
  }
  void TearDown() override { platform::SetMessageHook(oldHook_); }

  // Opens the dialog as the main window's resize command does.
  void Open(TFormPicSize& f) {
    f.SpinEditNewW->SetValue(host_.work.Width());
    f.SpinEditNewH->SetValue(host_.work.Height());
    f.show();
  }

  FakeHost host_;
  std::vector<platform::MessageRecord> messages_;
  platform::MessageHook oldHook_;
};

struct AspectCase {
  int w, h;        // work picture
  bool widthBox;   // which box is typed in and left
  int typed;
  int expected;    // the other box afterwards
};

TEST_F(PicSizeTest, LeavingABoxKeepsTheAspectRatioRoundingHalvesAwayFromZero) {
  const AspectCase cases[] = {
      {400, 300, true, 200, 150},  {400, 300, false, 301, 401},  // 401.33
      {3, 2, true, 1, 1},          {3, 2, false, 1, 2},          // 0.667 and 1.5 (not 2 by halves-to-even)
      {2, 5, true, 1, 3},          {5, 2, false, 1, 3},          // 2.5 gives 3
      {100, 1, true, 10000, 100},  {1, 100, false, 10000, 100},
  };
  for (const AspectCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.w << "x" << c.h << (c.widthBox ? " width " : " height ") << c.typed);
    host_.work = imaging::Bitmap(c.w, c.h);
    TFormPicSize f(host_);
    Open(f);
    auto* typedBox = c.widthBox ? f.SpinEditNewW : f.SpinEditNewH;
    auto* otherBox = c.widthBox ? f.SpinEditNewH : f.SpinEditNewW;
    typedBox->Edit()->setText(QString::number(c.typed));
    LoseFocus(typedBox);  // the box's exit handler, as the focus leaves it
    EXPECT_EQ(otherBox->Value(), c.expected);
    EXPECT_EQ(typedBox->Value(), c.typed);
  }
}

TEST_F(PicSizeTest, UnreadableTextReadsAsZeroAndAnEmptyPictureLeavesTheOtherBox) {
  host_.work = imaging::Bitmap(400, 300);
  TFormPicSize f(host_);
  Open(f);
  f.SpinEditNewW->Edit()->setText(QString());
  LoseFocus(f.SpinEditNewW);
  EXPECT_EQ(f.SpinEditNewW->Value(), 0);
  EXPECT_EQ(f.SpinEditNewH->Value(), 0);

  host_.work = imaging::Bitmap();  // no picture: the division fails and is ignored
  f.SpinEditNewW->SetValue(50);
  f.SpinEditNewH->SetValue(70);
  f.SpinEditNewWExit();
  f.SpinEditNewHExit();
  EXPECT_EQ(f.SpinEditNewW->Value(), 50);
  EXPECT_EQ(f.SpinEditNewH->Value(), 70);
}

TEST_F(PicSizeTest, FilterFollowsTheCheckedButtonAndDefaultsToBicubic) {
  host_.work = Pattern(7, 5);
  TFormPicSize f(host_);
  EXPECT_TRUE(f.RadioButtonBicubic->isChecked());
  const std::pair<QRadioButton*, int> buttons[] = {
      {f.RadioButtonNearest, 0}, {f.RadioButtonBilinear, 1}, {f.RadioButtonBicubic, 2},
      {f.RadioButtonLagrange, 3}, {f.RadioButtonBSpline, 4}, {f.RadioButtonMitchell, 5},
  };
  for (auto [button, filter] : buttons) {
    button->setChecked(true);
    EXPECT_EQ(f.ChosenFilter(), filter);
  }
  for (auto [button, filter] : buttons) {
    button->setAutoExclusive(false);
    button->setChecked(false);
  }
  EXPECT_EQ(f.ChosenFilter(), 1);  // none checked
}

TEST_F(PicSizeTest, OkResamplesWithTheChosenFilterAndKeepsTheOldPictureForUndo) {
  host_.work = Pattern(7, 5);
  const imaging::Bitmap original = host_.work;
  TFormPicSize f(host_);
  Open(f);
  f.SpinEditNewW->SetValue(13);
  f.SpinEditNewH->SetValue(9);
  f.ButtonOK->click();  // bicubic untouched

  imaging::Bitmap expected = original;
  ASSERT_TRUE(imaging::ResampleBitmap(expected, 13, 9, imaging::rfBicubic));
  EXPECT_TRUE(SamePixels(host_.work, expected));
  EXPECT_TRUE(SamePixels(host_.undo, original));
  EXPECT_TRUE(host_.undoEnabled);
  EXPECT_FALSE(f.isVisible());
  EXPECT_EQ(f.result(), QDialog::Accepted);
  EXPECT_EQ(f.SpinEditNewW->Value(), 13);  // the caller reads the new size back
  EXPECT_EQ(f.SpinEditNewH->Value(), 9);
  EXPECT_TRUE(messages_.empty());

  // The filter choice is kept for the next opening.
  f.RadioButtonNearest->setChecked(true);
  Open(f);
  f.SpinEditNewW->SetValue(4);
  f.SpinEditNewH->SetValue(3);
  f.ButtonOK->click();
  imaging::Bitmap nearest = expected;
  ASSERT_TRUE(imaging::ResampleBitmap(nearest, 4, 3, imaging::rfNearest));
  EXPECT_TRUE(SamePixels(host_.work, nearest));
}

TEST_F(PicSizeTest, ZeroSizeReportsTheErrorAndChangesNothing) {
  host_.work = Pattern(6, 4);
  host_.undo = Pattern(2, 2);  // the undo state of an earlier edit
  const imaging::Bitmap work = host_.work, undo = host_.undo;
  TFormPicSize f(host_);
  for (auto [w, h] : {std::pair{0, 4}, std::pair{6, 0}}) {
    messages_.clear();
    Open(f);
    f.SpinEditNewW->SetValue(w);
    f.SpinEditNewH->SetValue(h);
    f.ButtonOK->click();
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].type, platform::MsgType::Error);
    EXPECT_TRUE(f.isVisible());  // the dialog stays open
    EXPECT_TRUE(SamePixels(host_.work, work));
    EXPECT_TRUE(SamePixels(host_.undo, undo));
    EXPECT_FALSE(host_.undoEnabled);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);  // busy cursor restored
  }
}

TEST_F(PicSizeTest, AClickThatArrivesWhileOkRunsIsIgnored) {
  host_.work = Pattern(7, 5);
  const imaging::Bitmap original = host_.work;
  imaging::Bitmap expected = original;
  ASSERT_TRUE(imaging::ResampleBitmap(expected, 13, 9, imaging::rfBicubic));
  TFormPicSize f(host_);
  for (QPushButton* second : {f.ButtonOK, f.ButtonCAN}) {
    SCOPED_TRACE(second->text().toStdString());
    host_.work = original;
    host_.undo = imaging::Bitmap();
    Open(f);
    f.SpinEditNewW->SetValue(13);
    f.SpinEditNewH->SetValue(9);
    // Waiting in the queue when OK lets pending messages through.
    QMetaObject::invokeMethod(second, "click", Qt::QueuedConnection);
    f.ButtonOK->click();
    QApplication::processEvents();
    EXPECT_TRUE(SamePixels(host_.work, expected));  // resampled once
    EXPECT_TRUE(SamePixels(host_.undo, original));  // the undo copy is the original
    EXPECT_EQ(f.result(), QDialog::Accepted);
    EXPECT_EQ(f.SpinEditNewW->Value(), 13);
    EXPECT_EQ(f.SpinEditNewH->Value(), 9);
    EXPECT_TRUE(messages_.empty());
  }
}

TEST_F(PicSizeTest, OkWithoutAPictureDoesNothing) {
  TFormPicSize f(host_);
  f.show();
  f.SpinEditNewW->SetValue(10);
  f.SpinEditNewH->SetValue(10);
  f.ButtonOKClick();
  EXPECT_TRUE(f.isVisible());
  EXPECT_TRUE(host_.work.Empty());
  EXPECT_TRUE(messages_.empty());
}

TEST_F(PicSizeTest, CancelEscapeAndCloseLeaveThePictureAndZeroBothBoxes) {
  host_.work = Pattern(6, 4);
  host_.undo = Pattern(3, 3);
  const imaging::Bitmap work = host_.work, undo = host_.undo;
  TFormPicSize f(host_);
  const std::function<void()> ways[] = {
      [&] { f.ButtonCAN->click(); },
      [&] {
        QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(&f, &esc);
      },
      [&] { f.close(); },
  };
  for (const auto& cancel : ways) {
    Open(f);
    f.SpinEditNewW->SetValue(20);
    cancel();
    EXPECT_FALSE(f.isVisible());
    EXPECT_EQ(f.SpinEditNewW->Value(), 0);
    EXPECT_EQ(f.SpinEditNewH->Value(), 0);
    EXPECT_TRUE(SamePixels(host_.work, work));
    EXPECT_TRUE(SamePixels(host_.undo, undo));
    EXPECT_FALSE(host_.undoEnabled);
  }
}

TEST(RotateDialog, StartsWithRightQuarterTurnAndButtonsFormOneGroup) {
  TFormRotate f;
  EXPECT_TRUE(f.RadioButtonR90->isChecked());
  EXPECT_EQ(f.EditR->text(), "0");
  EXPECT_EQ(f.EditL->text(), "0");
  f.RadioButtonFlipTB->setChecked(true);
  for (QRadioButton* b : {f.RadioButtonR90, f.RadioButtonL90, f.RadioButtonFreeR, f.RadioButtonFreeL,
                          f.RadioButtonFlipLR})
    EXPECT_FALSE(b->isChecked());
}

TEST(RotateDialog, OkKeepsTheChoiceForTheCaller) {
  TFormRotate f;
  f.show();
  f.RadioButtonFreeL->setChecked(true);
  f.EditL->setText("45");
  f.ButtonOK->click();
  EXPECT_FALSE(f.isVisible());
  EXPECT_TRUE(f.RadioButtonFreeL->isChecked());
  EXPECT_EQ(f.EditL->text(), "45");
  // Kept for the next opening.
  f.show();
  EXPECT_TRUE(f.RadioButtonFreeL->isChecked());
}

TEST(RotateDialog, CancelEscapeAndCloseLeaveAFreeTurnByZero) {
  TFormRotate f;
  const std::function<void()> ways[] = {
      [&] { f.ButtonCAN->click(); },
      [&] {
        QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(&f, &esc);
      },
      [&] { f.close(); },
  };
  for (const auto& cancel : ways) {
    f.show();
    f.RadioButtonFlipLR->setChecked(true);
    f.EditR->setText("30");
    f.EditL->setText("15");
    cancel();
    EXPECT_FALSE(f.isVisible());
    EXPECT_TRUE(f.RadioButtonFreeR->isChecked());
    EXPECT_FALSE(f.RadioButtonFlipLR->isChecked());
    EXPECT_EQ(f.EditR->text(), "0");
    EXPECT_EQ(f.EditL->text(), "15");  // the left angle keeps its text
  }
}

}  // namespace
