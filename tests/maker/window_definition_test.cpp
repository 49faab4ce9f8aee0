// The main window as defined: captions, menus, ranges, defaults and the
// settings of its dialogs, as the user meets them after start-up.
#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTabBar>
#include <QToolButton>
#include <gtest/gtest.h>

#include "maker_fixture.h"

namespace {

using makertest::MakerFixture;

std::string S(const QString& q) { return q.toStdString(); }

std::vector<std::string> TabCaptions(maker::TPageControl* pc) {
  std::vector<std::string> out;
  const QTabBar* bar = pc->findChild<QTabBar*>(QString(), Qt::FindDirectChildrenOnly);
  if (!bar) return out;
  for (int i = 0; i < bar->count(); ++i) out.push_back(S(bar->tabText(i)));
  return out;
}

TEST(WindowDefinition, TabsAndTheirControls) {
  MakerFixture f;
  maker::TFormMain& w = f.Open();
  EXPECT_EQ(w.width(), 654);
  EXPECT_EQ(w.height(), 516);
  EXPECT_EQ(TabCaptions(w.PageControl2), (std::vector<std::string>{"画像", "時計"}));
  EXPECT_EQ(TabCaptions(w.PageControl1), (std::vector<std::string>{"枠", "文字１", "文字２", "針", "設定"}));
  EXPECT_EQ(w.PageControl1->ActivePage(), w.TabSheet1);

  struct Check {
    QAbstractButton* button;
    const char* caption;
    bool checked;
  } checks[] = {
      {w.CheckBoxFG, "ジャギー軽減", false},       {w.CheckBoxAutoColor, "", true},
      {w.CheckBoxPP1, "楕円", false},              {w.CheckBoxHR, "ジャギー軽減", false},
      {w.CheckBoxPP2, "楕円", false},              {w.RadioButtonMJ20, "なし", true},
      {w.RadioButtonMJ21, "ｱﾗﾋﾞｱ数字 (正立)", false}, {w.RadioButtonMJ22, "ﾛｰﾏ数字 (正立)", false},
      {w.RadioButtonMJ23, "漢数字 (正立)", false},  {w.RadioButtonMJ2A, "ｱﾗﾋﾞｱ数字 (放射)", false},
      {w.RadioButtonMJ2B, "ﾛｰﾏ数字 (放射)", false}, {w.RadioButtonMJ2C, "漢数字 (放射)", false},
      {w.RadioButtonMJ2D, "任意 (放射)", false},    {w.CheckBoxPP3, "楕円", false},
      {w.CheckBoxDate, "日付 表示", false},         {w.CheckBoxTime, "時刻 表示", false},
      {w.RadioButtonSS, "ｽﾓｰﾙ", true},             {w.RadioButtonSL, "ﾗｰｼﾞ", false},
      {w.RadioButtonCW, "白", true},               {w.RadioButtonCB, "黒", false},
  };
  for (const auto& c : checks) {
    if (*c.caption) {
      EXPECT_EQ(S(c.button->text()), c.caption);
    }
    EXPECT_EQ(c.button->isChecked(), c.checked) << c.caption;
  }
  struct Titled {
    std::string actual;
    const char* expected;
  } titles[] = {{S(w.Label2->text()), "調整"},          {S(w.Label3->text()), "調整"},
                {S(w.Label5->text()), "調整"},          {S(w.Label1->text()), "Copyright (c)"},
                {S(w.Label4->text()), "URL"},           {S(w.GroupBox1->title()), "時針･分針 ｶﾗｰ"},
                {S(w.GroupBox2->title()), "秒針 ｶﾗｰ"},  {S(w.GroupBox3->title()), "ﾃﾞｼﾞﾀﾙ表示"},
                {S(w.GroupBox4->title()), "ｻｲｽﾞ"},      {S(w.GroupBox5->title()), "文字色"},
                {S(w.GroupBoxDate->title()), "日付 位置"}, {S(w.GroupBoxTime->title()), "時刻 位置"},
                {S(w.SpeedButtonURL->toolTip()), "URLへ接続します"}};
  for (const auto& t : titles) EXPECT_EQ(t.actual, t.expected);

  EXPECT_EQ(w.SpinEditFG->minimum(), 0);
  EXPECT_EQ(w.SpinEditFG->maximum(), 20);
  EXPECT_EQ(S(w.SpinEditFG->toolTip()), "0 ～ 20");
  // The preview layout replaces the lower limit of the two margins (and the
  // hint) by one that fits the background: 5 - 128 / 2 = -59.
  for (QSpinBox* s : {w.SpinEditFG, w.SpinEditHR1, w.SpinEditHR2}) EXPECT_EQ(s->value(), 0);
  for (QSpinBox* s : {w.SpinEditHR1, w.SpinEditHR2}) {
    EXPECT_EQ(s->maximum(), 20);
    EXPECT_EQ(S(s->toolTip()), std::to_string(s->minimum()) + " ～ 20");
  }
  EXPECT_EQ(w.TrackBar1->minimum(), 5);
  EXPECT_EQ(w.TrackBar1->maximum(), 20);
  EXPECT_EQ(w.TrackBar1->value(), 16);
  EXPECT_EQ(w.TrackBar1->pageStep(), 4);
  EXPECT_EQ(w.TrackBar1->tickPosition(), QSlider::NoTicks);
  EXPECT_EQ(w.EditCPY->maxLength(), 255);
  EXPECT_EQ(w.EditURL->maxLength(), 255);
  EXPECT_EQ(S(w.EditMJ2D->text()), "|");
  EXPECT_EQ(w.PanelCol1->Color(), 0x000000FFu);  // red
  EXPECT_EQ(w.PanelCol2->Color(), 0x00FF0000u);  // blue
  EXPECT_EQ(w.PanelColorSample->Color(), 0x00FFFFFFu);
  EXPECT_EQ(w.PanelClockRight->Color, 0x00A4A0A0u);  // medium grey
  for (QToolButton* b : {w.SB_DU, w.SB_DD, w.SB_DL, w.SB_DR, w.SB_TU, w.SB_TD, w.SB_TL, w.SB_TR})
    EXPECT_FALSE(b->isEnabled());
  // The three lists.
  for (maker::TStringGrid* g : {w.StringGridFG, w.StringGridHR, w.StringGridHand}) {
    EXPECT_EQ(g->DefaultColWidth, 128);
    EXPECT_EQ(g->GridLineWidth, 3);
    EXPECT_EQ(g->FixedColor, 0u);
  }
  EXPECT_EQ(w.StringGridFG->DefaultRowHeight, 128);
  EXPECT_EQ(w.StringGridHR->DefaultRowHeight, 128);
  EXPECT_EQ(w.StringGridHand->DefaultRowHeight, 64);
  EXPECT_EQ(w.StringGridFG->width(), 153);
  EXPECT_EQ(w.StringGridHand->width(), 153);
  EXPECT_EQ(w.PanelClockLeft->width(), 196);
}

TEST(WindowDefinition, Menus) {
  MakerFixture f;
  maker::TFormMain& w = f.Open();
  struct Item {
    QAction* action;
    const char* caption;  // "-": a separator line
  } items[] = {
      {w.MenuF, "ﾌｧｲﾙ(&F)"},       {w.MenuFR, "画像読込(&R)"},   {w.MenuFS, "画像保存(&S)"},
      {w.MenuFQ, "画像消去(&Q)"},   {w.MenuFL, "画像一覧(&L)"},   {w.N4, "-"},
      {w.MenuFH, "針の再読込(&H)"}, {w.N3, "-"},                  {w.MenuFC, "ｸﾛｯｸ作成(&C)"},
      {w.N1, "-"},                  {w.MenuFX, "終了(&X)"},       {w.MenuE, "編集(&E)"},
      {w.MenuEU, "取消(&U)"},       {w.N6, "-"},                  {w.MenuEO, "右ﾎﾞﾀﾝで楕円(&O)"},
      {w.N5, "-"},                  {w.MenuED, "ﾑｰﾌﾞﾒﾝﾄ更新(&M)"}, {w.MenuI, "ｲﾒｰｼﾞ(&I)"},
      {w.MenuIS, "ﾘｻｲｽﾞ(&S)"},      {w.MenuIR, "回転(&R)"},       {w.MenuIC, "クロップ(&C)"},
      {w.MenuH, "ﾍﾙﾌﾟ(&H)"},        {w.MenuHV, "ﾊﾞｰｼﾞｮﾝ(&V)"},    {w.PM_S, "画像のｻｲｽﾞを制限する(&S)"},
      {w.N2, "-"},                  {w.PM_W, "背景色=白(&W)"},    {w.PM_G, "背景色=灰(&G)"},
      {w.PM_B, "背景色=黒(&B)"},
  };
  for (const auto& i : items) {
    ASSERT_NE(i.action, nullptr) << i.caption;
    if (std::string(i.caption) == "-")
      EXPECT_TRUE(i.action->isSeparator());
    else
      EXPECT_EQ(S(i.action->text()), i.caption);
  }
  EXPECT_FALSE(w.MenuEU->isEnabled());
  EXPECT_FALSE(w.MenuED->isVisible());
  EXPECT_TRUE(w.PM_S->isChecked());
  EXPECT_TRUE(w.PM_G->isChecked());
  EXPECT_FALSE(w.PM_W->isChecked());
  EXPECT_FALSE(w.PM_B->isChecked());
}

TEST(WindowDefinition, Dialogs) {
  MakerFixture f;
  maker::TFormMain& w = f.Open();
  EXPECT_EQ(w.SaveDialog1.DefaultExt, ".exe");
  EXPECT_EQ(w.SaveDialog1.FileName, "DoRedoz");
  EXPECT_EQ(w.SaveDialog1.Filter, "Desktop clock (*.EXE)|*.exe");
  EXPECT_TRUE(w.SaveDialog1.PromptOverwrite);
  EXPECT_EQ(w.OpenPictureDialog1.DefaultExt, ".BMP");
  EXPECT_EQ(w.OpenPictureDialog1.FileName, "");
  EXPECT_EQ(w.OpenPictureDialog1.Filter,
            "All (*.jpg;*.jpeg;*.bmp;*.gif;*.png)|*.jpg;*.jpeg;*.bmp;*.gif;*.png|Bitmap (*.bmp)|*.bmp|"
            "Jpeg (*.jpg,*.jpeg)|*.jpg;*.jpeg|GIF(*.gif)|*.gif|PNG(*.png)|*.png");
  EXPECT_EQ(w.OpenDialog1.DefaultExt, "*.dat");
  EXPECT_EQ(w.OpenDialog1.FileName, "Hands*.dat");
  EXPECT_EQ(w.OpenDialog1.Filter, "DAT Files (*.DAT)|*.dat|All Files (*.*)|*.*");
  EXPECT_EQ(w.OpenDialog1.InitialDir, w.ProgramFolder);
  EXPECT_EQ(w.SavePictureDialog1.DefaultExt, ".bmp");
  EXPECT_EQ(w.SavePictureDialog1.FileName, "DoRedoz");
  EXPECT_EQ(w.SavePictureDialog1.Filter,
            "すべてのファイル (*.*)|*.*|ビットマップ (*.bmp)|*.bmp|JPEG イメージファイル (*.jpg)|*.jpg|"
            "JPEG イメージファイル (*.jpeg)|*.jpeg");
  EXPECT_EQ(w.SavePictureDialog1.FilterIndex, 2);
  EXPECT_TRUE(w.SavePictureDialog1.PromptOverwrite);
}

}  // namespace
