// The behaviour of the designer's controls that its handlers rely on.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>

#include "handdesigner/controls.h"

using designer::TSpinEdit;
using designer::TStringGrid;

TEST(SpinEdit, ClampsOnlyWhereTheWindowExpectsIt) {
  TSpinEdit spin;
  int changes = 0;
  spin.OnChange = [&] { ++changes; };
  spin.SetMinValue(0);
  spin.SetMaxValue(5);
  spin.SetValue(9);
  EXPECT_EQ(spin.Value(), 5);
  EXPECT_EQ(changes, 1);
  spin.SetValue(7);  // clamped to 5 again: the text does not change
  EXPECT_EQ(changes, 1);
  spin.SetMaxValue(2);  // a new maximum leaves the value alone
  EXPECT_EQ(spin.Value(), 5);
  spin.SetMaxValue(0);  // with minimum = maximum nothing is clamped
  spin.SetValue(1);
  EXPECT_EQ(spin.Value(), 1);
  EXPECT_EQ(changes, 2);
  spin.SetText("abc");  // not a whole number: reads as the minimum
  EXPECT_EQ(spin.Value(), 0);
  spin.SetMaxValue(5);
  spin.SetValue(4);
  spin.stepBy(3);
  EXPECT_EQ(spin.Value(), 5);
}

TEST(SpinEdit, KeepsATypedNumberUntilItLosesTheFocus) {
  TSpinEdit spin;
  spin.SetMinValue(0);
  spin.SetMaxValue(100);
  spin.SetValue(0);
  int changes = 0;
  spin.OnChange = [&] { ++changes; };
  spin.SetText("250");
  EXPECT_EQ(spin.Value(), 250);
  QFocusEvent out(QEvent::FocusOut);
  QApplication::sendEvent(&spin, &out);
  EXPECT_EQ(spin.Value(), 100);
  EXPECT_EQ(changes, 2);
  // Typing letters is refused.
  QString text = "1x";
  int pos = 2;
  EXPECT_EQ(spin.validate(text, pos), QValidator::Invalid);
  text = "-12";
  EXPECT_EQ(spin.validate(text, pos), QValidator::Acceptable);
}

TEST(StringGrid, SelectingARowRaisesClickOnlyWhenItChanges) {
  TStringGrid grid;
  grid.resize(153, 376);
  int clicks = 0;
  grid.OnClick = [&] { ++clicks; };
  grid.SetRowCount(0);
  EXPECT_EQ(grid.RowCount(), 1);
  grid.SetRowCount(10);
  grid.SetRow(3);
  grid.SetRow(3);
  EXPECT_EQ(clicks, 1);
  QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
  QApplication::sendEvent(&grid, &down);
  EXPECT_EQ(grid.Row(), 4);
  EXPECT_EQ(clicks, 2);
  grid.SetRow(9);  // scrolled into view
  EXPECT_GE(9, grid.TopRow());
  EXPECT_GT(grid.TopRow(), 0);
  grid.SetRowCount(5);  // the row moves up silently
  EXPECT_EQ(grid.Row(), 4);
  EXPECT_EQ(clicks, 3);
}
