// The designer's own small controls, with the behaviour its window relies on:
// a one-column grid of drawn cells, a spin edit that keeps a typed number
// until it loses the focus, and a picture component drawn through a canvas.
#pragma once

#include <QAbstractScrollArea>
#include <QAbstractSpinBox>
#include <QWidget>

#include <functional>

#include "imaging/bitmap.h"

class QMenu;

namespace designer {

// A grid of one column whose cells the owner draws. Selecting a row (by
// mouse, keyboard or from the program) raises OnClick.
class TStringGrid : public QAbstractScrollArea {
  Q_OBJECT
 public:
  explicit TStringGrid(QWidget* parent = nullptr);

  int DefaultColWidth = 128;
  int DefaultRowHeight = 64;
  static constexpr int GridLineWidth = 1;

  int RowCount() const { return rowCount_; }
  // At least one row; a selected row beyond the new count moves to the last
  // row without raising OnClick.
  void SetRowCount(int rows);
  int Row() const { return row_; }
  // Selects row (held inside the rows); OnClick when the row changes.
  void SetRow(int row);
  int TopRow() const;
  // The cell's rectangle in the grid's client area (right and bottom
  // exclusive, grid lines not included).
  imaging::Rect CellRect(int col, int row) const;
  // Repaints the cell of row.
  void InvalidateRow(int row);
  // The client area as the grid paints it.
  imaging::Bitmap Render();

  std::function<void()> OnClick;
  std::function<void(int col, int row, const imaging::Rect& rect, imaging::Canvas& canvas)> OnDrawCell;
  QMenu* PopupMenu = nullptr;

 protected:
  void paintEvent(QPaintEvent*) override;
  void mousePressEvent(QMouseEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void contextMenuEvent(QContextMenuEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void scrollContentsBy(int dx, int dy) override;

 private:
  int RowPitch() const { return DefaultRowHeight + GridLineWidth; }
  int VisibleRows() const;
  QSize ClientSize() const;
  void UpdateScrollBar();
  void MakeVisible(int row);
  int rowCount_ = 1;
  int row_ = 0;
};

// A spin edit: Value reads the text (a text that is not a whole number reads
// as MinValue); SetValue holds the number inside MinValue..MaxValue unless the
// two are equal; changing MaxValue leaves the text alone. OnChange follows
// every change of the text. A typed number stays as typed until the control
// loses the focus, which then holds it inside the range.
class TSpinEdit : public QAbstractSpinBox {
  Q_OBJECT
 public:
  explicit TSpinEdit(QWidget* parent = nullptr);

  int MinValue() const { return min_; }
  int MaxValue() const { return max_; }
  void SetMinValue(int v) { min_ = v; }
  void SetMaxValue(int v) { max_ = v; }
  int Value() const;
  void SetValue(int v);
  QString Text() const;
  void SetText(const QString& text);  // as if typed

  std::function<void()> OnChange;

  void stepBy(int steps) override;
  QValidator::State validate(QString& input, int& pos) const override;
  void fixup(QString&) const override {}

 protected:
  StepEnabled stepEnabled() const override { return StepUpEnabled | StepDownEnabled; }
  void focusOutEvent(QFocusEvent* e) override;

 private:
  int Checked(int v) const;
  int min_ = 0, max_ = 0;
  QString lastText_;
};

// A picture on the window: the owner draws on Picture's canvas and calls
// update(); a right click opens PopupMenu.
class TImage : public QWidget {
  Q_OBJECT
 public:
  TImage(int width, int height, QWidget* parent = nullptr);
  imaging::Bitmap Picture;
  imaging::Canvas& Canvas() { return Picture.GetCanvas(); }
  QMenu* PopupMenu = nullptr;

 protected:
  void paintEvent(QPaintEvent*) override;
  void contextMenuEvent(QContextMenuEvent* e) override;
};

}  // namespace designer
