// The dialogs' window definitions: captions, sizes, places, ranges, defaults
// and tab order.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>

#include <algorithm>

#include "fake_host.h"
#include "maker/dialogs/form_pic_size.h"
#include "maker/dialogs/form_rotate.h"
#include "maker/dialogs/form_shortcut.h"
#include "maker/dialogs/form_thumb.h"

using dialogtest::FakeHost;

namespace {

// The given widgets in the order the focus chain of their window visits them.
std::vector<QWidget*> TabOrder(const std::vector<QWidget*>& widgets) {
  std::vector<QWidget*> order;
  QWidget* w = widgets.front();
  do {
    if (std::find(widgets.begin(), widgets.end(), w) != widgets.end() &&
        std::find(order.begin(), order.end(), w) == order.end())
      order.push_back(w);
    w = w->nextInFocusChain();
  } while (w != widgets.front());
  return order;
}

QRect Screen() { return QGuiApplication::primaryScreen()->geometry(); }

}  // namespace

TEST(WindowDefinitions, ResizeDialog) {
  FakeHost host;
  maker::TFormPicSize f(host);
  EXPECT_EQ(f.windowTitle(), "リサイズ");
  EXPECT_EQ(f.size() + QSize(8, 27), QSize(171, 285));  // outer size with the frame
  EXPECT_EQ(f.pos(), QPoint(529, 352));
  EXPECT_EQ(f.font().pixelSize(), 12);
  EXPECT_EQ(f.Label8->text(), "幅");
  EXPECT_EQ(f.Label9->text(), "高さ");
  for (maker::PicSizeSpinEdit* box : {f.SpinEditNewW, f.SpinEditNewH}) {
    EXPECT_EQ(box->minimum(), 0);
    EXPECT_EQ(box->maximum(), 10000);
    EXPECT_EQ(box->Value(), 0);
  }
  EXPECT_EQ(f.GroupBox12->title(), "種別");
  const std::pair<QRadioButton*, const char*> radios[] = {
      {f.RadioButtonNearest, "最近傍法"},   {f.RadioButtonBilinear, "バイリニア"}, {f.RadioButtonBicubic, "バイキュービック"},
      {f.RadioButtonLagrange, "ラグランジェ"}, {f.RadioButtonBSpline, "Bスプライン"}, {f.RadioButtonMitchell, "ミッチェル"},
  };
  for (auto [button, caption] : radios) {
    EXPECT_EQ(button->text(), QString::fromUtf8(caption));
    EXPECT_EQ(button->parentWidget(), f.GroupBox12);
    EXPECT_EQ(button->isChecked(), button == f.RadioButtonBicubic);
  }
  EXPECT_EQ(f.ButtonOK->text(), "リサイズ");
  EXPECT_EQ(f.ButtonCAN->text(), "キャンセル");
  const std::vector<QWidget*> order = {f.SpinEditNewW,        f.SpinEditNewH,       f.RadioButtonNearest,
                                       f.RadioButtonBilinear, f.RadioButtonBicubic, f.RadioButtonLagrange,
                                       f.RadioButtonBSpline,  f.RadioButtonMitchell, f.ButtonOK,
                                       f.ButtonCAN};
  EXPECT_EQ(TabOrder(order), order);
}

TEST(WindowDefinitions, RotateDialog) {
  maker::TFormRotate f;
  EXPECT_EQ(f.windowTitle(), "回転");
  const QSize outer = f.size() + QSize(8, 27);
  EXPECT_EQ(outer, QSize(187, 246));
  EXPECT_EQ(f.pos(), QPoint(Screen().x() + (Screen().width() - 187) / 2, Screen().y() + (Screen().height() - 246) / 2));
  EXPECT_EQ(f.font().pixelSize(), 12);
  const std::pair<QRadioButton*, const char*> radios[] = {
      {f.RadioButtonR90, "右90゜"},           {f.RadioButtonL90, "左90゜"},
      {f.RadioButtonFreeR, "自由回転 (右)"},  {f.RadioButtonFreeL, "自由回転 (左)"},
      {f.RadioButtonFlipLR, "フリップ (左右)"}, {f.RadioButtonFlipTB, "フリップ (上下)"},
  };
  for (auto [button, caption] : radios) {
    EXPECT_EQ(button->text(), QString::fromUtf8(caption));
    EXPECT_EQ(button->parentWidget(), &f);
  }
  EXPECT_EQ(f.ButtonCAN->text(), "キャンセル");
  EXPECT_EQ(f.ButtonOK->text(), "実行");
  const std::vector<QWidget*> order = {f.RadioButtonR90,   f.RadioButtonL90,    f.RadioButtonFreeR, f.RadioButtonFreeL,
                                       f.RadioButtonFlipLR, f.RadioButtonFlipTB, f.ButtonCAN,        f.ButtonOK,
                                       f.EditR,            f.EditL};
  EXPECT_EQ(TabOrder(order), order);
}

TEST(WindowDefinitions, ShortcutDialog) {
  maker::TFormShortcut f;
  EXPECT_EQ(f.windowTitle(), "プログラムの登録");
  EXPECT_EQ(f.size(), QSize(300, 152));  // client size
  EXPECT_EQ(f.font().pixelSize(), 12);
  const std::tuple<QWidget*, QRect, QString> parts[] = {
      {f.CheckBoxStartUp, QRect(40, 16, 233, 17), "パソコン起動時に自動的に実行"},
      {f.CheckBoxStartMenu, QRect(40, 48, 233, 17), "スタートメニューに登録"},
      {f.CheckBoxDesktop, QRect(40, 80, 233, 17), "デスクトップにショートカットを作成"},
      {f.ButtonOK, QRect(184, 112, 75, 25), "実行"},
      {f.ButtonCAN, QRect(88, 112, 75, 25), "キャンセル"},
  };
  for (const auto& [w, geometry, caption] : parts) {
    EXPECT_EQ(w->geometry(), geometry) << caption.toStdString();
    EXPECT_EQ(w->property("text").toString(), caption);
  }
  EXPECT_TRUE(f.ButtonOK->isDefault());
  EXPECT_FALSE(f.ButtonCAN->isDefault());
}

TEST(WindowDefinitions, ThumbnailBrowser) {
  FakeHost host;
  maker::TFormThumb f(host);
  EXPECT_EQ(f.size() + QSize(8, 27), QSize(566, 257));
  // Centred across by its outer width, its outer bottom 48 pixels above the
  // screen's bottom edge.
  EXPECT_EQ(f.pos(), QPoint(Screen().x() + (Screen().width() - 566) / 2, Screen().y() + Screen().height() - 257 - 48));
  EXPECT_EQ(f.StringGridThumb->geometry(), f.rect());
  EXPECT_EQ(f.StringGridThumb->DefaultColWidth(), 80);
  EXPECT_EQ(f.StringGridThumb->DefaultRowHeight(), 80);
  EXPECT_FALSE(f.StringGridThumb->DoubleBuffered());
  EXPECT_EQ(f.LabelRead->font().pixelSize(), 16);
  EXPECT_TRUE(f.LabelRead->font().bold() && f.LabelRead->font().italic());

  std::vector<std::string> menu;
  for (QAction* a : f.PMenu1->actions()) menu.push_back(a->isSeparator() ? "-" : a->text().toStdString());
  EXPECT_EQ(menu, (std::vector<std::string>{"再読込(&R)", "-", "ｽﾓｰﾙ(&S)", "ﾐﾃﾞｨｱﾑ(&M)", "ﾗｰｼﾞ(&L)", "-", "ちらつき防止(&F)"}));
  EXPECT_EQ(f.PMenu1->actions()[1], f.N1);
  EXPECT_EQ(f.PMenu1->actions()[5], f.N2);
}
