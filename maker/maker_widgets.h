// The components of the maker's main window that Qt has no exact match for:
// an image that shows a picture transparently, the panel that paints such
// images in order, an owner-drawn one-column grid, a colour panel, the
// picture view with its selection outline, and a page control whose tabs sit
// on the right and whose pages are placed by the window itself.
#pragma once

#include <QImage>
#include <QRect>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "imaging/bitmap.h"
#include "maker/layer_picture.h"

class QPainter;
class QScrollBar;
class QTabBar;

namespace maker {

// The busy cursor for the life of a command, also when it fails.
class BusyCursor {
 public:
  BusyCursor();
  ~BusyCursor();
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;
};

// An image component: a rectangle holding a picture, drawn unscaled from
// its top-left corner (or centred) and clipped to the rectangle. Transparent
// images leave out the colour of the picture's bottom-left pixel.
//
// The views keep the part of the picture they show converted for the screen
// and convert it again only when the picture changes: whoever changes
// Picture other than through Canvas() or Clear() calls Changed().
struct TImage {
  int Left = 0, Top = 0, Width = 128, Height = 128;
  bool Visible = true;
  bool Transparent = true;
  bool Center = false;
  LayerPicture Picture;  // empty: no picture
  // The picture when it is held as one bitmap (its own or one shown without
  // a copy); an empty bitmap when it is packed.
  const imaging::Bitmap& Pic() const;

  // The picture's canvas; an image without a picture gets a 24-bit bitmap of
  // its own size first. Counts as a change of the picture.
  imaging::Canvas& Canvas();
  void Clear() {
    Picture = LayerPicture();
    Changed();
  }
  void SetBounds(int l, int t, int w, int h) { Left = l, Top = t, Width = w, Height = h; }
  // The picture has changed: what the views converted is dropped.
  void Changed() { ++version_; }
  // The rectangle the picture covers on its view, before clipping.
  QRect PictureRect() const;
  // The picture as the screen shows it (32-bit RGB, or ARGB with the
  // transparent colour left out), converted at least inside `area` (picture
  // coordinates, inside the picture); `origin` is the picture pixel at the
  // image's (0, 0).
  const QImage& Shown(const QRect& area, QPoint& origin) const;

 private:
  uint64_t version_ = 0;
  struct Converted {
    uint64_t version = ~uint64_t(0);
    const void* pixels = nullptr;
    int width = 0, height = 0;
    bool transparent = false;
    QRect area;
    QImage image;
  };
  mutable Converted shown_;
};

// Paints a coloured ground and its images from the first to the last.
class TImagePanel : public QWidget {
 public:
  explicit TImagePanel(QWidget* parent = nullptr);
  imaging::Colour Color = 0x00808080;
  std::vector<TImage*> Images;
  // The panel as drawn, at its size.
  QImage Render() const;
  // Repaints the rectangles of these images only (their pictures changed).
  void UpdateImages(std::initializer_list<const TImage*> images);

 protected:
  void paintEvent(QPaintEvent*) override;
};

// A plain panel showing a colour (the colour samples of the window).
class TColorPanel : public QWidget {
 public:
  explicit TColorPanel(QWidget* parent = nullptr) : QWidget(parent) {}
  imaging::Colour Color() const { return color_; }
  void SetColor(imaging::Colour c);

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  imaging::Colour color_ = 0x00C0C0C0;
};

// A one-column grid whose cells the program draws on the grid's canvas.
class TStringGrid : public QWidget {
 public:
  explicit TStringGrid(QWidget* parent = nullptr);
  int DefaultColWidth = 128, DefaultRowHeight = 128, GridLineWidth = 3;
  imaging::Colour FixedColor = 0;  // the grid lines
  std::function<void(int col, int row, const imaging::Rect& rect)> OnDrawCell;
  std::function<void()> OnClick;

  int RowCount() const { return rowCount_; }
  void SetRowCount(int n);
  int Row() const { return row_; }
  void SetRow(int r);  // current row, scrolled into view; no click
  int TopRow() const { return topRow_; }
  // The cell's rectangle on the canvas; empty when the row is not visible.
  imaging::Rect CellRect(int col, int row) const;
  // The canvas the cells are drawn on (the grid's client area).
  imaging::Canvas& Canvas() { return canvas_.GetCanvas(); }
  const imaging::Bitmap& CanvasBitmap() const { return canvas_; }
  // Redraws every visible cell at once (what a repaint of the grid does).
  void Repaint();
  // What a mouse click on a row does: it becomes the current row, then
  // OnClick.
  void ClickRow(int row);

 protected:
  void paintEvent(QPaintEvent*) override;
  void resizeEvent(QResizeEvent*) override;
  void mousePressEvent(QMouseEvent*) override;
  void wheelEvent(QWheelEvent*) override;
  void keyPressEvent(QKeyEvent*) override;

 private:
  int VisibleRows() const;
  void UpdateScrollBar();
  int rowCount_ = 1, row_ = 0, topRow_ = 0;
  imaging::Bitmap canvas_;
  QScrollBar* bar_ = nullptr;
  bool painting_ = false;
  bool dirty_ = true;  // the canvas no longer shows the rows as they are
};

// The selection outline over the picture.
struct TShape {
  int Left = 0, Top = 0, Width = 0, Height = 0;
  bool Visible = false;
  bool Circle = true;  // circle in the largest centred square, else ellipse
  std::string Hint;
};

// The picture view: the picture at its offset and the outline over it. The
// mouse goes to the handlers with the control under it (outline, picture or
// panel) and coordinates relative to that control; during a drag the control
// that saw the press keeps the mouse.
class TPicturePanel : public QWidget {
 public:
  explicit TPicturePanel(QWidget* parent = nullptr);
  TImage* Picture = nullptr;
  TShape* Shape = nullptr;
  std::function<void(const void* sender, Qt::MouseButton b, int x, int y)> OnMouseDown, OnMouseUp;
  std::function<void(const void* sender, int x, int y)> OnMouseMove;
  QImage Render() const;

 protected:
  void paintEvent(QPaintEvent*) override;
  void mousePressEvent(QMouseEvent*) override;
  void mouseMoveEvent(QMouseEvent*) override;
  void mouseReleaseEvent(QMouseEvent*) override;

 private:
  // Draws the part inside `area` on a painter over the whole panel.
  void Compose(QPainter& p, const QRect& area) const;
  const void* ControlAt(int x, int y) const;
  void ToLocal(const void* c, int& x, int& y) const;
  const void* captured_ = nullptr;
};

// Pages with their tabs on the right. The owner places the pages; the
// change handler runs only when the user picks a tab.
class TPageControl : public QWidget {
 public:
  explicit TPageControl(QWidget* parent = nullptr);
  QWidget* AddPage(const QString& caption);
  int PageCount() const { return int(pages_.size()); }
  QWidget* Page(int i) const { return pages_[size_t(i)]; }
  QWidget* ActivePage() const;
  int ActivePageIndex() const { return active_; }
  // Shows the page without running the change handler.
  void SetActivePage(QWidget* page);
  // What a click on a tab does: shows the page, then the change handler.
  void SelectTab(int index);
  std::function<void()> OnChange;
  // The rectangle pages fill.
  QRect PageRect() const;
  // Places the tab bar and the pages for the current size.
  void Arrange();

 protected:
  void resizeEvent(QResizeEvent*) override;

 private:
  QTabBar* bar_ = nullptr;
  std::vector<QWidget*> pages_;
  int active_ = 0;
  bool programmatic_ = false;
};

}  // namespace maker
