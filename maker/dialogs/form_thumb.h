// The thumbnail browser: the picture files of one folder as a grid of
// square thumbnails; a double click loads the picture into the main window.
//
// The main window creates it once (hidden), and for its folder command sets
// the caption to the folder, show()s it and calls ScanPictureFolder(folder).
//
// The reading pass decodes every file once and keeps the cell it drew: later
// paints (scrolling, resizing, uncovering the window) draw the kept cells and
// never decode a file again. The pass repaints the visible cells one by one;
// scrolling moves what is shown and paints only the uncovered cells; the
// progress text and clicks repaint no cell.
#pragma once

#include <QAbstractScrollArea>
#include <QImage>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class QAction;
class QLabel;
class QMenu;
class QPainter;

namespace maker {

class MakerHost;

// A grid of equal cells drawn by its owner, with grid lines between them.
// Cell (c, r) covers x = c * (ColWidth + GridLineWidth) .. + ColWidth - 1,
// likewise for rows, before scrolling. Clicking a cell makes it current.
class TThumbGrid : public QAbstractScrollArea {
 public:
  explicit TThumbGrid(QWidget* parent = nullptr);

  int DefaultColWidth() const { return colWidth_; }
  int DefaultRowHeight() const { return rowHeight_; }
  void SetDefaultColWidth(int w);
  void SetDefaultRowHeight(int h);
  int GridLineWidth() const { return gridLine_; }
  void SetGridLineWidth(int w);
  int ColCount() const { return cols_; }
  int RowCount() const { return rows_; }
  void SetColCount(int n);
  void SetRowCount(int n);
  int Col() const { return col_; }  // the current cell
  int Row() const { return row_; }
  void SetCurrent(int col, int row);
  bool DoubleBuffered() const { return doubleBuffered_; }
  void SetDoubleBuffered(bool on) { doubleBuffered_ = on; }
  // Realignment suspended: size changes do not update the scroll bars.
  void DisableAlign();
  void EnableAlign();

  // Width of the area cells are shown in (without scroll bars).
  int ClientWidth() const;
  int ClientHeight() const;
  // The cell under a viewport point; -1 for a column or row outside every cell.
  void MouseToCell(int x, int y, int& col, int& row) const;
  // The cell's rectangle in viewport coordinates.
  QRect CellRect(int col, int row) const;
  // Paints one cell now (when the grid is on screen).
  void RepaintCell(int col, int row);

  // The painter of the cell being drawn; valid only inside OnDrawCell.
  QPainter* Canvas() const { return canvas_; }

  std::function<void(int col, int row, const QRect& rect)> OnDrawCell;
  std::function<void(int x, int y)> OnMouseMove;
  std::function<void()> OnDblClick;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;

 private:
  void UpdateScrollBars();
  int colWidth_ = 64, rowHeight_ = 64, gridLine_ = 1;
  int cols_ = 5, rows_ = 5;
  int col_ = 0, row_ = 0;
  bool doubleBuffered_ = false;
  int alignLock_ = 0;
  QPainter* canvas_ = nullptr;
};

class TFormThumb : public QWidget {
 public:
  explicit TFormThumb(MakerHost& host, QWidget* parent = nullptr);
  ~TFormThumb() override;

  QLabel* LabelRead;
  TThumbGrid* StringGridThumb;
  QMenu* PMenu1;
  QAction* PMenuR;
  QAction* N1;
  QAction* PMenuS;
  QAction* PMenuM;
  QAction* PMenuL;
  QAction* N2;
  QAction* PMenuF;

  // Full paths of the picture files of the last scanned folder, in the order
  // the folder listed them.
  std::vector<std::string> ThumbFiles;
  int16_t ThumbSize = 80;  // cell size: 48, 80 or 112

  // Lets pending events run during the reading pass; tests replace it.
  std::function<void()> ProcessMessages;

  // Lists the picture files of a folder (not its sub-folders) and draws them.
  void ScanPictureFolder(const std::string& folder);
  // True for the extensions .BMP, .JPG, .JPEG, .GIF and .PNG in any case.
  static bool IsPictureFile(const std::string& path);
  // Sizes the grid and draws every thumbnail once, showing the progress.
  void LayoutThumbGrid();
  // Paints one cell: the light yellow ground and the thumbnail of its file.
  void DrawThumbGridCell(int row, int col);
  void OpenThumbPicture(const std::string& path);

  void FormCreate();
  void FormDestroy();
  void FormResize();
  void StringGridThumbDrawCell(int col, int row, const QRect& rect);
  void StringGridThumbMouseMove(int x, int y);
  void StringGridThumbDblClick();
  void PMenuRClick();
  void PMenuSClick();
  void PMenuMClick();
  void PMenuLClick();
  void PMenuFClick();

  static constexpr uint32_t kCellColour = 0x00CDFAFF;  // 0x00BBGGRR

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  void SetThumbSize(QAction* item, int16_t size);
  // The cell of file `index` at the current size, decoded on first use.
  const QImage& ThumbCell(size_t index);
  MakerHost& host_;
  // The cells drawn by the last reading pass, by file index; a null image is
  // a file that gave no cell.
  std::vector<QImage> cells_;
  std::vector<bool> cellRead_;
};

}  // namespace maker
