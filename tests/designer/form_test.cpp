// The designer window driven through its components: start-up, selection,
// point editing, set and hand commands, views and saving.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QFocusEvent>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QToolButton>

#include <filesystem>

#include "designer_fixture.h"
#include "handdesigner/plotting.h"

using designer_test::DesignerFixture;
using engine::HandPolygon;

namespace {

constexpr imaging::Colour kWhite = imaging::RGB(255, 255, 255);

// Every pixel white, within the first width x height pixels when given.
bool AllWhite(const imaging::Bitmap& b, int width = 0, int height = 0) {
  for (int y = 0; y < (height ? height : b.Height()); ++y)
    for (int x = 0; x < (width ? width : b.Width()); ++x)
      if (b.PixelColour(x, y) != kWhite) return false;
  return true;
}

void ExpectPoint(const engine::HandPoint& p, double angle, double length) {
  EXPECT_NEAR(p.Angle, angle, 1e-12);
  EXPECT_NEAR(p.Length, length, 1e-12);
}

// Three sets told apart by their centre sizes 0.1, 0.2 and 0.3; the minute
// hands have two points that the sliders show exactly.
void WriteThreeSets(const DesignerFixture& f) {
  f.WriteHands({"[Hand0]", "CP=0.1", "H0=0,1", "H1=0.3,0.1", "M0=0,1", "M1=0.3,0.1", "S0=0,1", "S1=0.3,0.1",
                "[Hand1]", "CP=0.2", "H0=0,1", "M0=0,1", "M1=0.3,0.1", "S0=0,1",
                "[Hand2X]", "CP=0.3", "H0=0,1", "M0=0,1", "M1=0.3,0.1", "S0=0,1"});
}

std::vector<double> CenterSizes(const designer::TFormMain& w) {
  std::vector<double> out;
  for (const auto& s : w.HandSets) out.push_back(s.CenterSize);
  return out;
}

}  // namespace

TEST(DesignerWindow, StartsEmptyWithoutAHandsFile) {
  DesignerFixture f;
  auto w = f.Open();
  EXPECT_EQ(w->windowTitle(), "Spirrel");
  EXPECT_EQ(w->Panel1->size(), QSize(585, 481));
  EXPECT_EQ(w->LabelVer2->text(), "version 0.20");
  EXPECT_EQ(w->StringGridHand->height(), 376);
  EXPECT_EQ(w->ProgramFolder, f.Folder());
  EXPECT_TRUE(w->HandSets.empty());
  EXPECT_EQ(w->StringGridHand->RowCount(), 1);
  for (QWidget* c : std::initializer_list<QWidget*>{w->GroupBox1, w->ButtonNewP, w->ButtonDelP, w->SpinEditPoint,
                                                     w->SpinEditCenter, w->CB_Sym, w->SpeedButtonCTR, w->TrackBarV,
                                                     w->TrackBarH, w->ButtonDelH})
    EXPECT_FALSE(c->isEnabled());
  EXPECT_TRUE(w->ButtonNewH->isEnabled());
  EXPECT_TRUE(AllWhite(w->Image1->Picture));
  EXPECT_TRUE(AllWhite(w->Image2->Picture));
  EXPECT_TRUE(AllWhite(w->StringGridHand->Render(), 128, 64));
  // The commands that need a set do nothing.
  w->PM1CClick();
  w->PM1XClick();
  w->PM2XClick();
  w->PM2VClick();
  w->ButtonDelHClick();
  EXPECT_TRUE(w->HandSets.empty());
}

TEST(DesignerWindow, ComponentsStandWhereTheWindowDefinesThem) {
  DesignerFixture f;
  auto w = f.Open();
  struct Place {
    const char* name;
    QWidget* widget;
    int left, top, width, height;  // 0: the size is the component's own
  };
  const Place places[] = {
      {"StringGridHand", w->StringGridHand, 12, 16, 153, 376},
      {"Image1", w->Image1, 208, 24, 256, 128},
      {"Image2", w->Image2, 208, 168, 256, 128},
      {"TrackBarH", w->TrackBarH, 200, 304, 273, 25},
      {"TrackBarV", w->TrackBarV, 472, 160, 25, 145},
      {"SpeedButtonCTR", w->SpeedButtonCTR, 504, 224, 23, 22},
      {"GroupBox1", w->GroupBox1, 472, 24, 81, 129},
      {"LabelPoint", w->LabelPoint, 208, 336, 0, 0},
      {"CB_Sym", w->CB_Sym, 400, 336, 0, 0},
      {"Label1", w->Label1, 208, 360, 0, 0},
      {"SpinEditPoint", w->SpinEditPoint, 288, 360, 57, 26},
      {"Label2", w->Label2, 368, 360, 0, 0},
      {"SpinEditCenter", w->SpinEditCenter, 416, 360, 49, 26},
      {"ButtonNewP", w->ButtonNewP, 208, 408, 137, 25},
      {"ButtonDelP", w->ButtonDelP, 208, 440, 137, 25},
      {"ButtonNewH", w->ButtonNewH, 16, 408, 137, 25},
      {"ButtonDelH", w->ButtonDelH, 16, 440, 137, 25},
      {"LabelVer2", w->LabelVer2, 455, 456, 0, 0},
  };
  for (const auto& p : places) {
    EXPECT_EQ(p.widget->parentWidget(), w->Panel1) << p.name;
    EXPECT_EQ(p.widget->pos(), QPoint(p.left, p.top)) << p.name;
    if (p.width) {
      EXPECT_EQ(p.widget->size(), QSize(p.width, p.height)) << p.name;
    }
  }
  // Labels show their text from their top edge, one line high.
  for (QLabel* label : {w->LabelPoint, w->Label1, w->Label2, w->LabelVer1, w->LabelVer2}) {
    EXPECT_TRUE(label->alignment() & Qt::AlignTop) << label->text().toStdString();
    EXPECT_LE(label->height(), 16) << label->text().toStdString();
  }
  // The about line ends where the version line ends, both inside the window.
  EXPECT_EQ(w->LabelVer1->y(), 440);
  EXPECT_EQ(w->LabelVer1->geometry().right(), w->LabelVer2->geometry().right());
  EXPECT_LE(w->LabelVer2->geometry().right(), 585);
  EXPECT_TRUE(w->LabelVer1->alignment() & Qt::AlignRight);

  EXPECT_EQ(w->GroupBox1->title(), "Hands");
  const QRadioButton* radios[] = {w->RB_M, w->RB_H, w->RB_S};
  const char* radioTexts[] = {"Minute", "Hour", "Second"};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(radios[i]->parentWidget(), w->GroupBox1);
    EXPECT_EQ(radios[i]->text(), radioTexts[i]);
    if (i > 0) {
      EXPECT_GT(radios[i]->y(), radios[i - 1]->y());
    }
  }
  EXPECT_TRUE(w->RB_M->isChecked());
  EXPECT_EQ(w->LabelPoint->text(), "Radian 0.000 ; Length 0.000%");
  EXPECT_EQ(w->CB_Sym->text(), "Symmetrical");
  EXPECT_TRUE(w->CB_Sym->isChecked());
  EXPECT_EQ(w->Label1->text(), "Point number");
  EXPECT_EQ(w->Label2->text(), "Center");
  EXPECT_EQ(w->ButtonNewP->text(), "Insert new point");
  EXPECT_EQ(w->ButtonDelP->text(), "Delete point");
  EXPECT_EQ(w->ButtonNewH->text(), "Insert new hands");
  EXPECT_EQ(w->ButtonDelH->text(), "Delete hands");
  EXPECT_EQ(w->SpeedButtonCTR->text(), "0");
  EXPECT_TRUE(w->SpeedButtonCTR->font().bold());
  EXPECT_FALSE(w->SpeedButtonCTR->autoRaise());  // a raised speed button, not a flat one

  EXPECT_EQ(w->TrackBarH->minimum(), 0);
  EXPECT_EQ(w->TrackBarH->maximum(), 255);
  EXPECT_EQ(w->TrackBarV->minimum(), 0);
  EXPECT_EQ(w->TrackBarV->maximum(), 127);
  EXPECT_TRUE(w->TrackBarV->invertedAppearance());  // 0 at the top
  EXPECT_EQ(w->TrackBarH->pageStep(), 10);
  EXPECT_EQ(w->TrackBarV->pageStep(), 10);
  EXPECT_EQ(w->SpinEditPoint->MinValue(), 0);
  EXPECT_EQ(w->SpinEditPoint->MaxValue(), 1);
  EXPECT_EQ(w->SpinEditPoint->Text(), "0");
  EXPECT_EQ(w->SpinEditCenter->MinValue(), 0);
  EXPECT_EQ(w->SpinEditCenter->MaxValue(), 100);
  EXPECT_EQ(w->SpinEditCenter->Text(), "0");
  EXPECT_EQ(w->StringGridHand->DefaultColWidth, 128);
  EXPECT_EQ(w->StringGridHand->DefaultRowHeight, 64);

  EXPECT_EQ(w->MenuF->title(), "File(&F)");
  ASSERT_EQ(w->MenuF->actions().size(), 3);
  EXPECT_EQ(w->MenuF->actions()[0], w->MenuFS);
  EXPECT_EQ(w->MenuFS->text(), "Save(&S)");
  EXPECT_TRUE(w->MenuF->actions()[1]->isSeparator());
  EXPECT_EQ(w->MenuFX->text(), "Exit(&X)");
  for (const QMenu* menu : {w->PopupMenu1, w->PopupMenu2}) {
    ASSERT_EQ(menu->actions().size(), 3);
    EXPECT_EQ(menu->actions()[0]->text(), "Cut(&X)");
    EXPECT_EQ(menu->actions()[1]->text(), "Copy(&C)");
    EXPECT_EQ(menu->actions()[2]->text(), "Paste(&V)");
  }
  EXPECT_EQ(w->StringGridHand->PopupMenu, w->PopupMenu1);
  EXPECT_EQ(w->Image2->PopupMenu, w->PopupMenu2);

  // Shown, the panel fills the client area below the menu: 585 x 481.
  w->show();
  QApplication::processEvents();
  EXPECT_EQ(w->Panel1->geometry(), QRect(0, w->MainMenu1->height(), 585, 481));
  EXPECT_EQ(w->size(), QSize(585, w->MainMenu1->height() + 481));
}

TEST(DesignerWindow, StartsOnTheFirstSetAndQuantisesWhatItSelects) {
  DesignerFixture f;
  f.WriteHands({"[Hand0]", "CP=0.125", "M0=0,1.2", "M1=0,1.3", "[Hand1X]", "CP=0.5", "M0=0,1"});
  auto w = f.Open();
  ASSERT_EQ(w->HandSets.size(), 2u);
  EXPECT_EQ(w->StringGridHand->RowCount(), 2);
  EXPECT_EQ(w->StringGridHand->Row(), 0);
  EXPECT_TRUE(w->RB_M->isChecked());
  EXPECT_TRUE(w->ButtonDelH->isEnabled());
  EXPECT_EQ(w->SpinEditPoint->Value(), 1);
  EXPECT_EQ(w->SpinEditPoint->MaxValue(), 2);
  EXPECT_EQ(w->SpinEditCenter->Value(), 12);  // Round(12.5) = 12
  EXPECT_DOUBLE_EQ(w->HandSets[0].CenterSize, 0.12);
  // Length 1.2 lies beyond the slider: it ends at 255 and stores 1.054.
  EXPECT_EQ(w->TrackBarH->value(), 255);
  EXPECT_EQ(w->TrackBarV->value(), 64);
  ExpectPoint(w->HandSets[0].Minute[0], 0, 1.054);
  // Point 2 would also go beyond the end: the sliders do not move, no
  // change event runs, and the point keeps its value.
  w->SpinEditPoint->SetValue(2);
  ExpectPoint(w->HandSets[0].Minute[1], 0, 1.3);
  // The second set is untouched until it is selected.
  EXPECT_DOUBLE_EQ(w->HandSets[1].CenterSize, 0.5);
}

TEST(DesignerWindow, SlidersStoreThePointAndShowIt) {
  DesignerFixture f;
  WriteThreeSets(f);
  auto w = f.Open();
  ExpectPoint(w->HandSets[0].Minute[0], 0, 1);
  EXPECT_EQ(w->LabelPoint->text(), "Radian0.0000; Length 100.00%");
  w->TrackBarH->setValue(180);
  w->TrackBarV->setValue(14);
  ExpectPoint(w->HandSets[0].Minute[0], 0.4636, 0.674);
  EXPECT_EQ(w->LabelPoint->text(), "Radian0.4636; Length 67.40%");
  w->SpeedButtonCTR->click();
  EXPECT_EQ(w->TrackBarV->value(), 64);
  ExpectPoint(w->HandSets[0].Minute[0], 0, 0.602);
  // The hour hand is chosen with its radio button; its first point is shown.
  w->RB_H->click();
  EXPECT_EQ(w->TrackBarH->value(), 246);
  w->TrackBarH->setValue(200);
  ExpectPoint(w->HandSets[0].Hour[0], 0, 0.723);
  ExpectPoint(w->HandSets[0].Minute[0], 0, 0.602);
}

TEST(DesignerWindow, SelectingASetKeepsItsOwnFlagsAndPoints) {
  DesignerFixture f;
  f.WriteHands({"[Hand0]", "CP=0.1", "M0=0,1", "[Hand1X]", "CP=0.3", "M0=1.5708,0.3"});
  auto w = f.Open();
  w->TrackBarH->setValue(180);
  w->TrackBarV->setValue(14);
  w->StringGridHand->SetRow(1);
  EXPECT_FALSE(w->HandSets[1].Symmetrical);
  EXPECT_FALSE(w->CB_Sym->isChecked());
  EXPECT_DOUBLE_EQ(w->HandSets[1].CenterSize, 0.3);
  ExpectPoint(w->HandSets[1].Minute[0], 1.5708, 0.301);
  EXPECT_TRUE(w->HandSets[0].Symmetrical);
  ExpectPoint(w->HandSets[0].Minute[0], 0.4636, 0.674);
  // The check box and the centre size change the current set.
  w->CB_Sym->setChecked(true);
  w->SpinEditCenter->SetText("25");
  EXPECT_TRUE(w->HandSets[1].Symmetrical);
  EXPECT_DOUBLE_EQ(w->HandSets[1].CenterSize, 0.25);
  EXPECT_DOUBLE_EQ(w->HandSets[0].CenterSize, 0.1);
  // A size typed beyond 100 holds until the control loses the focus.
  w->SpinEditCenter->SetText("250");
  EXPECT_DOUBLE_EQ(w->HandSets[1].CenterSize, 2.5);
  EXPECT_EQ(w->SpinEditCenter->Text(), "250");
  QFocusEvent out(QEvent::FocusOut);
  QApplication::sendEvent(w->SpinEditCenter, &out);
  EXPECT_EQ(w->SpinEditCenter->Text(), "100");
  EXPECT_DOUBLE_EQ(w->HandSets[1].CenterSize, 1);
  // Text that is no number reads as 0.
  w->SpinEditCenter->SetText("");
  EXPECT_DOUBLE_EQ(w->HandSets[1].CenterSize, 0);
}

TEST(DesignerWindow, TheSuppressionFlagSwallowsOnlyTheEventsOfTheSelectionItself) {
  DesignerFixture f;
  // Same centre size and symmetry: selecting set 1 changes neither control,
  // so no event is swallowed and the one slider move (246 -> 163) must reach
  // the handler.
  f.WriteHands({"[Hand0X]", "CP=0.1", "M0=0,1", "M1=0.3,0.1", "[Hand1X]", "CP=0.1", "M0=0,0.5", "M1=0.3,0.1"});
  auto w = f.Open();
  EXPECT_EQ(w->LabelPoint->text(), "Radian0.0000; Length 100.00%");
  w->StringGridHand->SetRow(1);
  EXPECT_FALSE(w->SuppressNextChange);
  EXPECT_EQ(w->TrackBarH->value(), 163);
  EXPECT_EQ(w->LabelPoint->text(), "Radian0.0000; Length 50.00%");
  EXPECT_EQ(w->Image2->Picture.PixelColour(163, 64), 0u);  // set 1's tip
  EXPECT_EQ(w->Image2->Picture.PixelColour(246, 64), kWhite);
  // Changed controls: their events are swallowed, the later ones are not.
  w->StringGridHand->SetRow(0);
  w->HandSets[1].CenterSize = 0.2;
  w->HandSets[1].Symmetrical = true;
  w->StringGridHand->SetRow(1);
  EXPECT_FALSE(w->SuppressNextChange);
  EXPECT_EQ(w->SpinEditCenter->Value(), 20);
  EXPECT_TRUE(w->CB_Sym->isChecked());
  EXPECT_EQ(w->LabelPoint->text(), "Radian0.0000; Length 50.00%");
  ExpectPoint(w->HandSets[1].Minute[0], 0, 0.5);
  EXPECT_DOUBLE_EQ(w->HandSets[0].CenterSize, 0.1);
  EXPECT_FALSE(w->HandSets[0].Symmetrical);
}

TEST(DesignerWindow, InsertsAndDeletesPoints) {
  DesignerFixture f;
  f.WriteHands({"[Hand0]", "CP=0", "M0=0,1", "M1=0.3,0.5", "M2=0.6,0.25"});
  auto w = f.Open();
  w->SpinEditPoint->SetValue(2);
  w->ButtonNewP->click();
  HandPolygon& minute = w->HandSets[0].Minute;
  ASSERT_EQ(minute.size(), 4u);
  ExpectPoint(minute[2], 0, 0);
  ExpectPoint(minute[3], 0.6, 0.25);
  EXPECT_EQ(w->SpinEditPoint->Value(), 3);
  EXPECT_EQ(w->SpinEditPoint->MaxValue(), 4);
  EXPECT_EQ(w->TrackBarH->value(), 80);
  EXPECT_EQ(w->TrackBarV->value(), 64);

  w->SpinEditPoint->SetValue(1);
  w->ButtonDelP->click();
  ASSERT_EQ(f.messages.size(), 1u);
  EXPECT_EQ(f.messages[0].text, "Point not removable.");
  EXPECT_EQ(f.messages[0].caption, "情報");
  EXPECT_EQ(f.messages[0].buttons, unsigned(platform::mbOK));
  EXPECT_EQ(minute.size(), 4u);

  w->SpinEditPoint->SetValue(4);
  w->ButtonDelP->click();
  ASSERT_EQ(minute.size(), 3u);
  EXPECT_EQ(w->SpinEditPoint->Value(), 3);
  EXPECT_EQ(w->SpinEditPoint->MaxValue(), 3);
  ExpectPoint(minute[2], 0, 0);

  // Inserting with point number 0 puts the new point first.
  w->RB_S->click();
  ASSERT_TRUE(w->HandSets[0].Second.empty());
}

TEST(DesignerWindow, PointCommandsWithTypedPointNumbers) {
  DesignerFixture f;
  f.WriteHands({"[Hand0]", "CP=0", "M0=0,1", "M1=0.3,0.5", "M2=0.6,0.25"});
  auto w = f.Open();
  HandPolygon& minute = w->HandSets[0].Minute;
  const HandPolygon before = minute;  // point 1 (0, 1) already lies on the slider grid
  // Number 0 (typed) shows no point: the sliders go to (0, 0), nothing is stored.
  w->SpinEditPoint->SetText("0");
  EXPECT_EQ(w->TrackBarH->value(), 0);
  EXPECT_EQ(w->TrackBarV->value(), 0);
  for (size_t i = 0; i < 3; ++i) ExpectPoint(minute[i], before[i].Angle, before[i].Length);
  // Inserting with number 0 puts the new point first and shows it as point 1.
  w->ButtonNewP->click();
  ASSERT_EQ(minute.size(), 4u);
  ExpectPoint(minute[0], 0, 0);
  ExpectPoint(minute[1], 0, 1);
  EXPECT_EQ(w->SpinEditPoint->Value(), 1);
  // A number beyond the points (only typing gives one) inserts nothing ...
  w->SpinEditPoint->SetText("7");
  w->ButtonNewP->click();
  EXPECT_EQ(minute.size(), 4u);
  EXPECT_EQ(w->SpinEditPoint->Text(), "7");
  // ... and deletes the last point; the number then falls to the new last
  // one, (0.3, 0.5), which the sliders show at (159, 39): l = 79, v = 25
  // store Angle 0.3065 and Length Round(82.861 / 166 x 1000) / 1000 = 0.499.
  w->ButtonDelP->click();
  ASSERT_EQ(minute.size(), 3u);
  EXPECT_EQ(w->TrackBarH->value(), 159);
  EXPECT_EQ(w->TrackBarV->value(), 39);
  ExpectPoint(minute[2], 0.3065, 0.499);
  EXPECT_EQ(w->SpinEditPoint->MaxValue(), 3);
  EXPECT_EQ(w->SpinEditPoint->Value(), 3);
  EXPECT_TRUE(f.messages.empty());
}

TEST(DesignerWindow, PointNumbersTypedAtTheEndsOfTheIntegerRange) {
  DesignerFixture f;
  f.WriteHands({"[Hand0]", "CP=0", "M0=0,1", "M1=0.3,0.5"});
  auto w = f.Open();
  const HandPolygon before = w->HandSets[0].Minute;
  for (const char* typed : {"-2147483648", "2147483647"}) {
    SCOPED_TRACE(typed);
    w->SpinEditPoint->SetText(QString::fromLatin1(typed));
    EXPECT_EQ(w->TrackBarH->value(), 0);
    EXPECT_EQ(w->TrackBarV->value(), 0);
    w->ButtonNewP->click();
    w->ButtonDelP->click();
    w->PM2X->trigger();
    w->PM2V->trigger();
  }
  // Only the delete at the largest number acted (on the last point), and
  // cut and paste of the hand put back what was cut.
  ASSERT_EQ(w->HandSets[0].Minute.size(), 1u);
  ExpectPoint(w->HandSets[0].Minute[0], before[0].Angle, before[0].Length);
}

TEST(DesignerWindow, AHandWithoutPointsIsShownButNeverWritten) {
  DesignerFixture f;
  f.WriteHands({"[Hand0]", "CP=0.2", "H0=0,1"});
  auto w = f.Open();
  EXPECT_TRUE(w->HandSets[0].Minute.empty());
  EXPECT_EQ(w->SpinEditPoint->MaxValue(), 0);
  // The first selection (while loading) set the number to 1, the second one
  // (at the end of the start-up) found 1 beyond the maximum and set it to 0.
  EXPECT_EQ(w->SpinEditPoint->Value(), 0);
  EXPECT_EQ(w->TrackBarH->value(), 0);
  EXPECT_EQ(w->TrackBarV->value(), 0);
  EXPECT_TRUE(w->HandSets[0].Minute.empty());
  EXPECT_DOUBLE_EQ(w->HandSets[0].CenterSize, 0.2);
  // Inserting a point with number 0 gives the hand its first point.
  w->SpinEditPoint->SetValue(0);
  w->ButtonNewP->click();
  ASSERT_EQ(w->HandSets[0].Minute.size(), 1u);
  EXPECT_EQ(w->SpinEditPoint->Value(), 1);
  // The hour hand still has its point.
  w->RB_H->click();
  ExpectPoint(w->HandSets[0].Hour[0], 0, 1);
}

TEST(DesignerWindow, InsertsAndDeletesSetsAtTheSelectedRow) {
  DesignerFixture f;
  WriteThreeSets(f);
  auto w = f.Open();
  w->StringGridHand->SetRow(1);
  w->ButtonNewH->click();
  EXPECT_EQ(CenterSizes(*w), (std::vector<double>{0.1, 0, 0.2, 0.3}));
  EXPECT_EQ(w->StringGridHand->Row(), 1);
  EXPECT_EQ(w->StringGridHand->RowCount(), 4);
  const engine::HandSet& fresh = w->HandSets[1];
  EXPECT_TRUE(fresh.Symmetrical);
  for (const HandPolygon* hand : {&fresh.Hour, &fresh.Minute, &fresh.Second}) {
    ASSERT_EQ(hand->size(), 1u);
    ExpectPoint((*hand)[0], 0, 1);
  }

  w->StringGridHand->SetRow(3);
  w->ButtonDelH->click();
  EXPECT_EQ(CenterSizes(*w), (std::vector<double>{0.1, 0, 0.2}));
  EXPECT_EQ(w->StringGridHand->Row(), 2);
  w->StringGridHand->SetRow(0);
  w->ButtonDelH->click();
  EXPECT_EQ(CenterSizes(*w), (std::vector<double>{0, 0.2}));
  EXPECT_EQ(w->StringGridHand->Row(), 0);
  EXPECT_EQ(w->StringGridHand->RowCount(), 2);
}

TEST(DesignerWindow, DeletingTheLastSetDisablesEditingUntilANewOne) {
  DesignerFixture f;
  f.WriteHands({"[Hand0]", "CP=0.1", "M0=0,1", "M1=0.3,0.1"});
  auto w = f.Open();
  EXPECT_FALSE(AllWhite(w->Image2->Picture));
  w->ButtonDelH->click();
  EXPECT_TRUE(w->HandSets.empty());
  EXPECT_EQ(w->StringGridHand->RowCount(), 1);
  EXPECT_FALSE(w->TrackBarH->isEnabled());
  EXPECT_FALSE(w->ButtonDelH->isEnabled());
  EXPECT_TRUE(AllWhite(w->Image1->Picture));
  EXPECT_TRUE(AllWhite(w->Image2->Picture));
  EXPECT_TRUE(AllWhite(w->StringGridHand->Render(), 128, 64));
  w->ButtonNewH->click();
  ASSERT_EQ(w->HandSets.size(), 1u);
  EXPECT_TRUE(w->TrackBarH->isEnabled());
  EXPECT_EQ(w->TrackBarH->value(), 246);
}

TEST(DesignerWindow, PastingASetBeforeAnyCopyGivesAnUnsymmetricalDefault) {
  DesignerFixture f;
  auto w = f.Open();
  w->PM1V->trigger();
  ASSERT_EQ(w->HandSets.size(), 1u);
  EXPECT_FALSE(w->HandSets[0].Symmetrical);
  EXPECT_FALSE(w->CB_Sym->isChecked());
  EXPECT_DOUBLE_EQ(w->HandSets[0].CenterSize, 0);
  EXPECT_EQ(w->HandSets[0].Second.size(), 1u);
  EXPECT_TRUE(w->ButtonDelH->isEnabled());
}

TEST(DesignerWindow, CutAndPasteOfSets) {
  DesignerFixture f;
  WriteThreeSets(f);
  auto w = f.Open();
  // Cut and paste of a middle set puts it back at its row.
  w->StringGridHand->SetRow(1);
  w->PM1X->trigger();
  EXPECT_EQ(CenterSizes(*w), (std::vector<double>{0.1, 0.3}));
  w->PM1V->trigger();
  EXPECT_EQ(CenterSizes(*w), (std::vector<double>{0.1, 0.2, 0.3}));
  EXPECT_EQ(w->HandSets[1].Minute.size(), 2u);
  EXPECT_TRUE(w->HandSets[1].Symmetrical);
  // Cut and paste of the last set puts it in front of the one before it.
  w->StringGridHand->SetRow(2);
  w->PM1X->trigger();
  EXPECT_EQ(w->StringGridHand->Row(), 1);
  w->PM1V->trigger();
  EXPECT_EQ(CenterSizes(*w), (std::vector<double>{0.1, 0.3, 0.2}));
  EXPECT_EQ(w->StringGridHand->Row(), 1);
  EXPECT_FALSE(w->HandSets[1].Symmetrical);
  // Pasting twice gives two independent copies.
  w->PM1V->trigger();
  w->HandSets[1].Minute[0].Length = 0.5;
  EXPECT_DOUBLE_EQ(w->HandSets[2].Minute[0].Length, 1);
  EXPECT_DOUBLE_EQ(w->SetClipboard.Minute[0].Length, 1);
}

TEST(DesignerWindow, PastedSetKeepsTheDefaultForAnEmptyHandAndRoundsItsCentre) {
  DesignerFixture f;
  f.WriteHands({"[Hand0]", "CP=0.1", "H0=0,1", "M0=0,1"});
  auto w = f.Open();
  w->HandSets[0].CenterSize = 0.1234;  // as if read and never selected
  w->PM1C->trigger();
  w->PM1V->trigger();
  ASSERT_EQ(w->HandSets.size(), 2u);
  ASSERT_EQ(w->HandSets[0].Second.size(), 1u);
  ExpectPoint(w->HandSets[0].Second[0], 0, 1);
  EXPECT_DOUBLE_EQ(w->HandSets[0].CenterSize, 0.12);
}

TEST(DesignerWindow, CutAndPasteOfHandPoints) {
  DesignerFixture f;
  f.WriteHands({"[Hand0]", "CP=0", "M0=0,1", "M1=0.3,0.5", "M2=0.6,0.25", "M3=1,0.1", "H0=0,0.5"});
  auto w = f.Open();
  w->SpinEditPoint->SetValue(4);
  const HandPolygon before = w->HandSets[0].Minute;
  w->PM2X->trigger();
  ASSERT_EQ(w->HandSets[0].Minute.size(), 1u);
  ExpectPoint(w->HandSets[0].Minute[0], 0, 1);
  EXPECT_EQ(w->SpinEditPoint->Value(), 1);
  EXPECT_EQ(w->SpinEditPoint->MaxValue(), 1);
  w->PM2V->trigger();
  ASSERT_EQ(w->HandSets[0].Minute.size(), 4u);
  for (size_t i = 0; i < 4; ++i) ExpectPoint(w->HandSets[0].Minute[i], before[i].Angle, before[i].Length);
  EXPECT_EQ(w->SpinEditPoint->MaxValue(), 4);
  // A hand pastes into another hand as well.
  w->RB_H->click();
  w->PM2V->trigger();
  EXPECT_EQ(w->HandSets[0].Hour.size(), 4u);
}

TEST(DesignerWindow, DrawsTheViewsAndTheSetList) {
  DesignerFixture f;
  WriteThreeSets(f);
  auto w = f.Open();
  // The tip (Angle 0, Length 1) is a vertex, drawn in the outline colour.
  EXPECT_EQ(w->Image2->Picture.PixelColour(246, 64), 0u);
  EXPECT_EQ(w->Image2->Picture.PixelColour(200, 64), designer::kHandFill);  // inside the minute hand
  EXPECT_EQ(w->Image1->Picture.PixelColour(246, 32), 0u);  // minute hand on top
  EXPECT_EQ(w->Image1->Picture.PixelColour(246, 64), 0u);  // hour hand in the middle
  EXPECT_EQ(w->Image1->Picture.PixelColour(200, 96), designer::kSecondFill);
  EXPECT_EQ(w->Image1->Picture.PixelColour(80, 32), designer::kSecondFill);  // disc of 0.1
  EXPECT_EQ(w->Image1->Picture.PixelColour(250, 100), kWhite);
  w->RB_S->click();
  EXPECT_EQ(w->Image2->Picture.PixelColour(200, 64), designer::kSecondFill);

  const imaging::Bitmap grid = w->StringGridHand->Render();
  const imaging::Colour red = imaging::RGB(255, 0, 0);
  EXPECT_EQ(grid.PixelColour(0, 0), red);  // the selected row's frame
  EXPECT_EQ(grid.PixelColour(127, 63), red);
  EXPECT_EQ(grid.PixelColour(121, 16), 0u);      // minute tip at x 38 + 83
  EXPECT_EQ(grid.PixelColour(0, 65), kWhite);    // row 1 carries no frame
  EXPECT_EQ(grid.PixelColour(121, 65 + 16), 0u);
  w->StringGridHand->SetRow(1);
  const imaging::Bitmap moved = w->StringGridHand->Render();
  EXPECT_EQ(moved.PixelColour(0, 0), kWhite);
  EXPECT_EQ(moved.PixelColour(0, 65), red);
}

TEST(DesignerWindow, SavesTheSetsAndTheNextStartReadsThem) {
  DesignerFixture f;
  WriteThreeSets(f);
  const std::string original = DesignerFixture::ReadFile(f.HandsFile());
  auto w = f.Open();
  w->TrackBarH->setValue(180);
  w->TrackBarV->setValue(14);
  w->MenuFS->trigger();
  EXPECT_TRUE(f.messages.empty());
  EXPECT_EQ(DesignerFixture::ReadFile(f.BackupFile()), original);
  const auto sets = w->HandSets;
  w.reset();

  auto again = f.Open();
  ASSERT_EQ(again->HandSets.size(), 3u);
  ExpectPoint(again->HandSets[0].Minute[0], 0.4636, 0.674);
  EXPECT_FALSE(again->HandSets[2].Symmetrical);
  EXPECT_EQ(again->HandSets[1].Minute.size(), sets[1].Minute.size());
}

TEST(DesignerWindow, SaveWritesWhatTheControlsStoredAndLeavesTheRestAsRead) {
  DesignerFixture f;
  // Hand5x: not symmetrical; its minute point is selected at start (and
  // stored as the sliders show it), the hour and second points never are.
  f.WriteHands({"[Hand5x]", "S0=0.00001,2", "M0=0,1.2", "CP=0.125", "H0=0.5,0.25", "[Hand2]", "CP=0.3"});
  auto w = f.Open();
  w->MenuFS->trigger();
  EXPECT_EQ(DesignerFixture::ReadFile(f.HandsFile()),
            "[Hand0X]\r\nCP=0.12\r\nH0=0.5,0.25\r\nM0=0,1.054\r\nS0=1E-5,2\r\n\r\n"
            "[Hand1]\r\nCP=0.3\r\n");
}

TEST(DesignerWindow, ARefusedSaveIsReportedAndKeepsTheSets) {
  DesignerFixture f;
  WriteThreeSets(f);
  auto w = f.Open();
  // A program folder that is gone, and a user data folder that cannot be
  // made.
  std::ofstream(f.Folder() + "file") << "x";
  w->ProgramFolder = f.Folder() + "gone/";
  for (const std::string& folder : {w->ProgramFolder, f.Folder() + "file/clockkit/"}) {
    f.messages.clear();
    w->HandsWriteFolder = folder;
    w->MenuFSClick();
    ASSERT_EQ(f.messages.size(), 1u);
    EXPECT_EQ(f.messages[0].caption, "Spirrel");
    EXPECT_EQ(f.messages[0].type, platform::MsgType::Error);
    EXPECT_EQ(f.messages[0].text, folder + "Hands.dat に書き込めません.");
  }
  EXPECT_FALSE(std::filesystem::exists(f.Folder() + "gone"));
  EXPECT_EQ(w->HandSets.size(), 3u);
}

TEST(DesignerWindow, InstalledItReadsTheSharedSetsAndSavesIntoTheUsersDataFolder) {
  // <prefix>/bin read-only; the sample sets in <prefix>/share/clockkit.
  namespace fs = std::filesystem;
  DesignerFixture f;
  const std::string prefix = f.Folder() + "usr/";
  fs::create_directories(prefix + "bin");
  fs::create_directories(prefix + "share/clockkit");
  std::ofstream(prefix + "share/clockkit/Hands.dat", std::ios::binary) << "[Hand0]\r\nCP=0.1\r\nH0=0,1\r\n";
  fs::permissions(prefix + "bin", fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  platform::SetProgramFileNameForTest(prefix + "bin/spirrel");
  const std::string user = f.Folder() + "data/clockkit/";
  for (const double centre : {0.25, 0.5}) {
    auto w = f.Open();
    ASSERT_EQ(w->HandSets.size(), 1u);
    EXPECT_DOUBLE_EQ(w->HandSets[0].CenterSize, centre == 0.25 ? 0.1 : 0.25);
    w->HandSets[0].CenterSize = centre;
    w->MenuFSClick();
    EXPECT_TRUE(f.messages.empty());
  }
  EXPECT_EQ(DesignerFixture::ReadFile(user + "Hands.dat"), "[Hand0]\r\nCP=0.5\r\nH0=0,1\r\n");
  EXPECT_EQ(DesignerFixture::ReadFile(user + "Hands.da-"), "[Hand0]\r\nCP=0.25\r\nH0=0,1\r\n");
  EXPECT_EQ(DesignerFixture::ReadFile(prefix + "share/clockkit/Hands.dat"), "[Hand0]\r\nCP=0.1\r\nH0=0,1\r\n");
  EXPECT_TRUE(fs::is_empty(prefix + "bin"));
  fs::permissions(prefix + "bin", fs::perms::owner_all);
}

TEST(DesignerWindow, AbsurdNumbersFromTheFileStayInsideTheViews) {
  DesignerFixture f;
  f.WriteHands({"[Hand0]", "CP=1E300", "M0=1E300,1E300", "M1=-1E300,1E-300", "H0=0,-5", "H1=3,1E20",
                "S0=0,1", "S1=1,1"});
  auto w = f.Open();
  ASSERT_EQ(w->HandSets.size(), 1u);
  EXPECT_EQ(w->SpinEditCenter->Value(), 100);
  EXPECT_DOUBLE_EQ(w->HandSets[0].CenterSize, 1);
  EXPECT_GE(w->TrackBarH->value(), 0);
  EXPECT_LE(w->TrackBarH->value(), 255);
  w->RB_H->click();
  w->StringGridHand->Render();
  w->MenuFS->trigger();
  EXPECT_TRUE(f.messages.empty());
  auto again = f.Open();
  EXPECT_EQ(again->HandSets[0].Hour.size(), 2u);
}

TEST(DesignerWindow, AHandsFileThatCannotBeReadIsReported) {
  DesignerFixture f;
  std::filesystem::create_directory(f.HandsFile());
  auto w = f.Open();
  ASSERT_EQ(f.messages.size(), 1u);
  EXPECT_EQ(f.messages[0].text, "Cannot read the hands file " + f.HandsFile() + ".");
  EXPECT_EQ(f.messages[0].caption, "Spirrel");
  EXPECT_TRUE(w->HandSets.empty());
  EXPECT_FALSE(w->ButtonDelH->isEnabled());
}

TEST(DesignerWindow, AHandsFileThatCouldNotBeReadIsNeverMovedAsideOrReplaced) {
  DesignerFixture f;
  std::filesystem::create_directory(f.HandsFile());
  DesignerFixture::Put(f.HandsFile() + "/keep.txt", "user's own");
  auto w = f.Open();
  w->ButtonNewH->click();
  ASSERT_EQ(w->HandSets.size(), 1u);
  const std::string refusal = "Nothing was saved: the hands file " + f.HandsFile() +
                              " could not be read at start, and saving would replace it. Move it away (or make it "
                              "readable and start Spirrel again), then save.";
  for (int save = 0; save < 2; ++save) {
    f.messages.clear();
    w->MenuFSClick();
    ASSERT_EQ(f.messages.size(), 1u) << save;
    EXPECT_EQ(f.messages[0].text, refusal);
    EXPECT_EQ(f.messages[0].type, platform::MsgType::Error);
    EXPECT_EQ(DesignerFixture::ReadFile(f.HandsFile() + "/keep.txt"), "user's own");
    EXPECT_FALSE(std::filesystem::exists(f.BackupFile()));
  }
  // Once the user has moved it away, saving writes the sets as usual.
  std::filesystem::rename(f.HandsFile(), f.Folder() + "moved");
  f.messages.clear();
  w->MenuFSClick();
  EXPECT_TRUE(f.messages.empty());
  EXPECT_EQ(DesignerFixture::ReadFile(f.HandsFile()).rfind("[Hand0", 0), 0u);
  EXPECT_EQ(DesignerFixture::ReadFile(f.Folder() + "moved/keep.txt"), "user's own");
}
