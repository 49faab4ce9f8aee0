#include "handdesigner/controls.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>
#include <climits>

namespace designer {

// ---- TStringGrid ----

namespace {
constexpr imaging::Colour kGridWindow = imaging::RGB(255, 255, 255);
constexpr imaging::Colour kGridLine = imaging::RGB(192, 192, 192);
}  // namespace

TStringGrid::TStringGrid(QWidget* parent) : QAbstractScrollArea(parent) {
  setFocusPolicy(Qt::StrongFocus);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  verticalScrollBar()->setSingleStep(1);
  UpdateScrollBar();
}

void TStringGrid::SetRowCount(int rows) {
  rowCount_ = std::max(1, rows);
  if (row_ >= rowCount_) row_ = rowCount_ - 1;
  UpdateScrollBar();
  viewport()->update();
}

void TStringGrid::SetRow(int row) {
  row = std::clamp(row, 0, rowCount_ - 1);
  if (row == row_) return;
  const int old = row_;
  row_ = row;
  MakeVisible(row_);
  InvalidateRow(old);
  InvalidateRow(row_);
  if (OnClick) OnClick();
}

int TStringGrid::TopRow() const { return verticalScrollBar()->value(); }

QSize TStringGrid::ClientSize() const {
  if (isVisible()) return viewport()->size();
  // Before the grid is first shown its viewport is not laid out yet: take
  // the size from the grid's own.
  const int frame = frameWidth();
  return {std::max(1, width() - 2 * frame - verticalScrollBar()->sizeHint().width()),
          std::max(1, height() - 2 * frame)};
}

int TStringGrid::VisibleRows() const { return std::max(1, ClientSize().height() / RowPitch()); }

void TStringGrid::UpdateScrollBar() {
  QScrollBar* bar = verticalScrollBar();
  bar->setRange(0, std::max(0, rowCount_ - VisibleRows()));
  bar->setPageStep(VisibleRows());
}

void TStringGrid::MakeVisible(int row) {
  QScrollBar* bar = verticalScrollBar();
  if (row < bar->value())
    bar->setValue(row);
  else if (row >= bar->value() + VisibleRows())
    bar->setValue(row - VisibleRows() + 1);
}

imaging::Rect TStringGrid::CellRect(int col, int row) const {
  const int top = (row - TopRow()) * RowPitch();
  const int left = col * (DefaultColWidth + GridLineWidth);
  return {left, top, left + DefaultColWidth, top + DefaultRowHeight};
}

void TStringGrid::InvalidateRow(int row) {
  const imaging::Rect r = CellRect(0, row);
  viewport()->update(QRect(r.Left, r.Top, r.Right - r.Left + GridLineWidth, r.Bottom - r.Top + GridLineWidth));
}

imaging::Bitmap TStringGrid::Render() {
  const int w = ClientSize().width(), h = ClientSize().height();
  imaging::Bitmap out(w, h);
  imaging::Canvas& c = out.GetCanvas();
  c.brush.Color = kGridWindow;
  c.FillRect({0, 0, w, h});
  const int first = TopRow();
  for (int row = first; row < rowCount_; ++row) {
    const imaging::Rect r = CellRect(0, row);
    if (r.Top >= h) break;
    c.brush.Color = kGridLine;
    c.FillRect({r.Right, r.Top, r.Right + GridLineWidth, r.Bottom + GridLineWidth});
    c.FillRect({r.Left, r.Bottom, r.Right + GridLineWidth, r.Bottom + GridLineWidth});
    if (!OnDrawCell) continue;
    // Each cell is drawn on a scratch picture and only its own rectangle is
    // taken over, so a drawing never spills into the neighbouring cells.
    imaging::Bitmap scratch(w, h);
    scratch.GetCanvas().brush.Color = kGridWindow;
    scratch.GetCanvas().FillRect(r);
    OnDrawCell(0, row, r, scratch.GetCanvas());
    const int y0 = std::max(0, r.Top), y1 = std::min(h, r.Bottom);
    const int x0 = std::max(0, r.Left), x1 = std::min(w, r.Right);
    for (int y = y0; y < y1; ++y)
      std::copy(scratch.ScanLine(y) + 3 * x0, scratch.ScanLine(y) + 3 * x1, out.ScanLine(y) + 3 * x0);
  }
  return out;
}

void TStringGrid::paintEvent(QPaintEvent*) {
  imaging::Bitmap picture = Render();
  QPainter p(viewport());
  p.drawImage(0, 0, picture.ToQImage());
}

void TStringGrid::mousePressEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton) return;
  const int row = TopRow() + int(e->position().y()) / RowPitch();
  if (row < 0 || row >= rowCount_) return;
  if (row != row_)
    SetRow(row);
  else if (OnClick)
    OnClick();
}

void TStringGrid::keyPressEvent(QKeyEvent* e) {
  switch (e->key()) {
    case Qt::Key_Up: SetRow(row_ - 1); break;
    case Qt::Key_Down: SetRow(row_ + 1); break;
    case Qt::Key_PageUp: SetRow(row_ - VisibleRows()); break;
    case Qt::Key_PageDown: SetRow(row_ + VisibleRows()); break;
    case Qt::Key_Home: SetRow(0); break;
    case Qt::Key_End: SetRow(rowCount_ - 1); break;
    default: QAbstractScrollArea::keyPressEvent(e); return;
  }
}

void TStringGrid::contextMenuEvent(QContextMenuEvent* e) {
  if (PopupMenu) PopupMenu->exec(e->globalPos());
}

void TStringGrid::resizeEvent(QResizeEvent* e) {
  QAbstractScrollArea::resizeEvent(e);
  UpdateScrollBar();
}

void TStringGrid::scrollContentsBy(int, int) { viewport()->update(); }

// ---- TSpinEdit ----

TSpinEdit::TSpinEdit(QWidget* parent) : QAbstractSpinBox(parent) {
  setButtonSymbols(QAbstractSpinBox::UpDownArrows);
  setKeyboardTracking(true);
  lineEdit()->setText(QStringLiteral("0"));
  lastText_ = lineEdit()->text();
  connect(lineEdit(), &QLineEdit::textChanged, this, [this](const QString& text) {
    if (text == lastText_) return;
    lastText_ = text;
    if (OnChange) OnChange();
  });
}

int TSpinEdit::Checked(int v) const {
  if (max_ == min_) return v;
  return std::clamp(v, min_, max_);
}

int TSpinEdit::Value() const {
  const QString t = lineEdit()->text().trimmed();
  bool ok = false;
  const int v = t.toInt(&ok);
  return ok ? v : min_;
}

void TSpinEdit::SetValue(int v) {
  // Setting the text it already holds would only move the cursor.
  const QString text = QString::number(Checked(v));
  if (text != lineEdit()->text()) lineEdit()->setText(text);
}

QString TSpinEdit::Text() const { return lineEdit()->text(); }

void TSpinEdit::SetText(const QString& text) { lineEdit()->setText(text); }

void TSpinEdit::stepBy(int steps) {
  const long long v = (long long)Value() + steps;
  SetValue(int(std::clamp<long long>(v, INT_MIN, INT_MAX)));
}

QValidator::State TSpinEdit::validate(QString& input, int&) const {
  for (int i = 0; i < input.size(); ++i) {
    const QChar c = input[i];
    if (c.isDigit() && c.unicode() < 128) continue;
    if ((c == u'-' || c == u'+') && i == 0) continue;
    return QValidator::Invalid;
  }
  return QValidator::Acceptable;
}

void TSpinEdit::focusOutEvent(QFocusEvent* e) {
  QAbstractSpinBox::focusOutEvent(e);
  const int v = Value();
  if (Checked(v) != v) SetValue(v);
}

// ---- TImage ----

TImage::TImage(int width, int height, QWidget* parent) : QWidget(parent), Picture(width, height) {
  setFixedSize(width, height);
  Picture.GetCanvas().brush.Color = imaging::RGB(255, 255, 255);
  Picture.GetCanvas().FillRect({0, 0, width, height});
}

void TImage::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.drawImage(0, 0, Picture.ToQImage());
}

void TImage::contextMenuEvent(QContextMenuEvent* e) {
  if (PopupMenu) PopupMenu->exec(e->globalPos());
}

}  // namespace designer
