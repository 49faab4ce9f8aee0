#include "maker/maker_widgets.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTabBar>
#include <QWheelEvent>

#include <algorithm>

namespace maker {

namespace {

QColor ToQColor(imaging::Colour c) { return QColor(imaging::RedOf(c), imaging::GreenOf(c), imaging::BlueOf(c)); }

// Draws the part of the image inside `area` (view coordinates). The part
// inside `view` is converted for the screen, once per change of the picture.
// The picture view does not clip its picture to the image's rectangle.
void PaintImage(QPainter& p, const TImage& im, const QRect& area, const QRect& view, bool clip = true) {
  if (!im.Visible || im.Picture.Empty()) return;
  const QRect pic = im.PictureRect();
  const QRect bounds = clip ? pic.intersected(QRect(im.Left, im.Top, im.Width, im.Height)) : pic;
  const QRect part = bounds.intersected(area);
  if (part.isEmpty()) return;
  QPoint origin;
  const QImage& img = im.Shown(bounds.intersected(view.united(area)).translated(-pic.topLeft()), origin);
  p.drawImage(part.topLeft(), img, QRect(part.topLeft() - pic.topLeft() - origin, part.size()));
}

void PaintBevel(QPainter& p, const QRect& r) {
  p.setPen(QColor(128, 128, 128));
  p.drawLine(r.topLeft(), r.topRight());
  p.drawLine(r.topLeft(), r.bottomLeft());
  p.setPen(QColor(255, 255, 255));
  p.drawLine(r.bottomLeft(), r.bottomRight());
  p.drawLine(r.topRight(), r.bottomRight());
}

}  // namespace

BusyCursor::BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
BusyCursor::~BusyCursor() { QApplication::restoreOverrideCursor(); }

imaging::Canvas& TImage::Canvas() {
  if (Picture.Empty()) Picture = imaging::Bitmap(std::max(Width, 1), std::max(Height, 1), imaging::PixelFormat::pf24bit);
  Changed();
  return Picture.Own().GetCanvas();
}

const imaging::Bitmap& TImage::Pic() const {
  static const imaging::Bitmap none;
  const imaging::Bitmap* b = Picture.Solid();
  return b ? *b : none;
}

QRect TImage::PictureRect() const {
  int x = Left, y = Top;
  if (Center) {
    x += (Width - Picture.Width()) / 2;
    y += (Height - Picture.Height()) / 2;
  }
  return QRect(x, y, Picture.Width(), Picture.Height());
}

const QImage& TImage::Shown(const QRect& area, QPoint& origin) const {
  Converted& c = shown_;
  const LayerPicture& pic = Picture;
  const bool same = c.version == version_ && c.pixels == pic.Identity() && c.width == pic.Width() &&
                    c.height == pic.Height() && c.transparent == Transparent;
  if (!same || !c.area.contains(area)) {
    const QRect keep = same ? c.area.united(area) : area;
    // Every pixel is opaque or wholly transparent (0), so the premultiplied
    // format holds the same bytes and is drawn without a conversion.
    // Every pixel is written below, so the previous image's memory serves
    // again when the size and format stay (the preview's hands change every
    // second; fresh memory costs a page fault per 4 KiB).
    const QImage::Format format = Transparent ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32;
    QImage img = c.image.size() == keep.size() && c.image.format() == format ? std::move(c.image)
                                                                             : imaging::NewPixelImage(keep.width(), keep.height(), format);
    const bool bgr = pic.GetPixelFormat() == imaging::PixelFormat::pf24bit;
    // Transparent: the colour of the bottom-left pixel is left out. (Read
    // only then: of a picture still being decoded it is the last row in.)
    const imaging::Colour k = Transparent ? pic.PixelColour(0, pic.Height() - 1) : 0;
    const QRgb key = qRgb(imaging::RedOf(k), imaging::GreenOf(k), imaging::BlueOf(k)) & 0x00FFFFFF;
    for (int y = 0; y < keep.height(); ++y) {
      auto* d = reinterpret_cast<QRgb*>(img.scanLine(y));
      if (bgr) {
        // The common case as tight loops over runs of the row's bytes.
        for (int x = 0; x < keep.width();) {
          int n = 0;
          const uint8_t* s = pic.Row(keep.left() + x, keep.top() + y, n);
          n = std::min(n, keep.width() - x);
          QRgb* o = d + x;
          if (Transparent) {
            for (int i = 0; i < n; ++i, s += 3) {
              const QRgb v = qRgb(s[2], s[1], s[0]);
              o[i] = (v & 0x00FFFFFF) == key ? 0 : v;
            }
          } else {
            for (int i = 0; i < n; ++i, s += 3) o[i] = qRgb(s[2], s[1], s[0]);
          }
          x += n;
        }
        continue;
      }
      for (int x = 0; x < keep.width(); ++x) {
        const imaging::Colour c = pic.PixelColour(keep.left() + x, keep.top() + y);
        const QRgb v = qRgb(imaging::RedOf(c), imaging::GreenOf(c), imaging::BlueOf(c));
        d[x] = Transparent && (v & 0x00FFFFFF) == key ? 0 : v;
      }
    }
    c.version = version_;
    c.pixels = pic.Identity();
    c.width = pic.Width();
    c.height = pic.Height();
    c.transparent = Transparent;
    c.area = keep;
    c.image = std::move(img);
  }
  origin = c.area.topLeft();
  return c.image;
}

TImagePanel::TImagePanel(QWidget* parent) : QWidget(parent) { setAttribute(Qt::WA_OpaquePaintEvent); }

QImage TImagePanel::Render() const {
  QImage out(std::max(width(), 1), std::max(height(), 1), QImage::Format_RGB32);
  out.fill(ToQColor(Color));
  QPainter p(&out);
  for (const TImage* im : Images) PaintImage(p, *im, out.rect(), out.rect());
  PaintBevel(p, out.rect().adjusted(0, 0, -1, -1));
  return out;
}

void TImagePanel::UpdateImages(std::initializer_list<const TImage*> images) {
  for (const TImage* im : images) update(QRect(im->Left, im->Top, im->Width, im->Height));
}

void TImagePanel::paintEvent(QPaintEvent* e) {
  // Only the part to repaint is composed, as Render composes the whole.
  const QRect r = e->rect().intersected(rect());
  if (r.isEmpty()) return;
  QPainter p(this);
  p.setClipRect(r);
  p.fillRect(r, ToQColor(Color));
  for (const TImage* im : Images) PaintImage(p, *im, r, rect());
  PaintBevel(p, rect().adjusted(0, 0, -1, -1));
}

void TColorPanel::SetColor(imaging::Colour c) {
  color_ = c & 0x00FFFFFF;
  update();
}

void TColorPanel::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), ToQColor(color_));
  PaintBevel(p, rect().adjusted(0, 0, -1, -1));
}

TStringGrid::TStringGrid(QWidget* parent) : QWidget(parent) {
  bar_ = new QScrollBar(Qt::Vertical, this);
  connect(bar_, &QScrollBar::valueChanged, this, [this](int v) {
    topRow_ = v;
    Repaint();
  });
  setFocusPolicy(Qt::StrongFocus);
}

void TStringGrid::SetRowCount(int n) {
  rowCount_ = std::max(1, n);
  if (row_ >= rowCount_) row_ = rowCount_ - 1;
  if (topRow_ > rowCount_ - 1) topRow_ = std::max(0, rowCount_ - VisibleRows());
  UpdateScrollBar();
  dirty_ = true;
  update();
}

void TStringGrid::SetRow(int r) {
  row_ = std::clamp(r, 0, rowCount_ - 1);
  const int vis = std::max(1, VisibleRows());
  if (row_ < topRow_) topRow_ = row_;
  if (row_ >= topRow_ + vis) topRow_ = row_ - vis + 1;
  UpdateScrollBar();
  dirty_ = true;
  update();
}

int TStringGrid::VisibleRows() const {
  const int step = DefaultRowHeight + GridLineWidth;
  return step > 0 ? std::max(1, height() / step) : 1;
}

void TStringGrid::UpdateScrollBar() {
  const QSignalBlocker block(bar_);
  bar_->setRange(0, std::max(0, rowCount_ - VisibleRows()));
  bar_->setPageStep(VisibleRows());
  bar_->setValue(topRow_);
}

imaging::Rect TStringGrid::CellRect(int col, int row) const {
  if (col != 0 || row < topRow_ || row >= rowCount_) return {};
  const int top = (row - topRow_) * (DefaultRowHeight + GridLineWidth);
  if (top >= std::max(height(), 1)) return {};
  return imaging::Rect{0, top, DefaultColWidth, top + DefaultRowHeight};
}

void TStringGrid::Repaint() {
  if (painting_) return;
  painting_ = true;
  dirty_ = false;
  const int w = std::max(1, width() - bar_->sizeHint().width()), h = std::max(1, height());
  if (canvas_.Width() != w || canvas_.Height() != h) canvas_ = imaging::Bitmap(w, h, imaging::PixelFormat::pf24bit);
  auto& c = canvas_.GetCanvas();
  c.brush = imaging::Brush{};
  c.brush.Color = 0x00FFFFFF;
  c.FillRect({0, 0, w, h});
  c.brush.Color = FixedColor;
  for (int r = topRow_; r < rowCount_; ++r) {
    const imaging::Rect cell = CellRect(0, r);
    if (cell.Bottom <= cell.Top) break;
    c.FillRect({0, cell.Top, std::min(w, DefaultColWidth + GridLineWidth), cell.Bottom + GridLineWidth});
    c.FillRect({DefaultColWidth, cell.Top, DefaultColWidth + GridLineWidth, cell.Bottom});
  }
  for (int r = topRow_; r < rowCount_; ++r) {
    const imaging::Rect cell = CellRect(0, r);
    if (cell.Bottom <= cell.Top) break;
    if (OnDrawCell) OnDrawCell(0, r, cell);
  }
  painting_ = false;
  update();
}

void TStringGrid::ClickRow(int row) {
  SetRow(row);
  if (OnClick) OnClick();
  Repaint();
}

void TStringGrid::paintEvent(QPaintEvent*) {
  if (dirty_ || canvas_.Empty() || canvas_.Width() != std::max(1, width() - bar_->sizeHint().width()) ||
      canvas_.Height() != std::max(1, height()))
    Repaint();
  QPainter p(this);
  p.fillRect(rect(), Qt::white);
  p.drawImage(0, 0, canvas_.ToQImage());
}

void TStringGrid::resizeEvent(QResizeEvent*) {
  const int bw = bar_->sizeHint().width();
  bar_->setGeometry(width() - bw, 0, bw, height());
  UpdateScrollBar();
}

void TStringGrid::mousePressEvent(QMouseEvent* e) {
  const int step = DefaultRowHeight + GridLineWidth;
  const int y = int(e->position().y()), x = int(e->position().x());
  if (step <= 0 || x >= DefaultColWidth) return;
  const int r = topRow_ + y / step;
  if (r < rowCount_) ClickRow(r);
}

void TStringGrid::keyPressEvent(QKeyEvent* e) {
  // The arrow keys move the current row as a click on the row would.
  if (e->key() == Qt::Key_Down && row_ + 1 < rowCount_) ClickRow(row_ + 1);
  else if (e->key() == Qt::Key_Up && row_ > 0) ClickRow(row_ - 1);
  else QWidget::keyPressEvent(e);
}

void TStringGrid::wheelEvent(QWheelEvent* e) {
  bar_->setValue(bar_->value() + (e->angleDelta().y() < 0 ? 1 : -1));
}

TPicturePanel::TPicturePanel(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(false);
}

QImage TPicturePanel::Render() const {
  QImage out(std::max(width(), 1), std::max(height(), 1), QImage::Format_RGB32);
  QPainter p(&out);
  Compose(p, out.rect());
  return out;
}

void TPicturePanel::Compose(QPainter& p, const QRect& area) const {
  const QRect all(0, 0, std::max(width(), 1), std::max(height(), 1));
  p.fillRect(area, palette().color(QPalette::Window));
  if (Picture) PaintImage(p, *Picture, area, all, false);
  if (Shape && Shape->Visible && Shape->Width > 0 && Shape->Height > 0) {
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(Qt::NoBrush);
    QRect r(Shape->Left, Shape->Top, Shape->Width - 1, Shape->Height - 1);
    if (Shape->Circle) {
      const int s = std::min(Shape->Width, Shape->Height);
      r = QRect(Shape->Left + (Shape->Width - s) / 2, Shape->Top + (Shape->Height - s) / 2, s - 1, s - 1);
    }
    p.drawEllipse(r);
  }
  PaintBevel(p, all.adjusted(0, 0, -1, -1));
}

// Only the part to repaint is composed, straight onto the panel.
void TPicturePanel::paintEvent(QPaintEvent* e) {
  const QRect r = e->rect().intersected(rect());
  if (r.isEmpty()) return;
  QPainter p(this);
  p.setClipRect(r);
  Compose(p, r);
}

const void* TPicturePanel::ControlAt(int x, int y) const {
  if (Shape && Shape->Visible && x >= Shape->Left && y >= Shape->Top && x < Shape->Left + Shape->Width &&
      y < Shape->Top + Shape->Height)
    return Shape;
  if (Picture && !Picture->Picture.Empty() && x >= Picture->Left && y >= Picture->Top &&
      x < Picture->Left + Picture->Picture.Width() && y < Picture->Top + Picture->Picture.Height())
    return Picture;
  return this;
}

void TPicturePanel::ToLocal(const void* c, int& x, int& y) const {
  if (c == Shape) {
    x -= Shape->Left;
    y -= Shape->Top;
  } else if (c == Picture) {
    x -= Picture->Left;
    y -= Picture->Top;
  }
}

void TPicturePanel::mousePressEvent(QMouseEvent* e) {
  int x = int(e->position().x()), y = int(e->position().y());
  captured_ = ControlAt(x, y);
  ToLocal(captured_, x, y);
  if (Shape && captured_ == Shape) setToolTip(QString::fromStdString(Shape->Hint));
  if (OnMouseDown) OnMouseDown(captured_, e->button(), x, y);
  update();
}

void TPicturePanel::mouseMoveEvent(QMouseEvent* e) {
  int x = int(e->position().x()), y = int(e->position().y());
  const void* c = captured_ ? captured_ : ControlAt(x, y);
  ToLocal(c, x, y);
  if (OnMouseMove) OnMouseMove(c, x, y);
  if (Shape) setToolTip(Shape->Visible ? QString::fromStdString(Shape->Hint) : QString());
  update();
}

void TPicturePanel::mouseReleaseEvent(QMouseEvent* e) {
  int x = int(e->position().x()), y = int(e->position().y());
  const void* c = captured_ ? captured_ : ControlAt(x, y);
  captured_ = nullptr;
  ToLocal(c, x, y);
  if (OnMouseUp) OnMouseUp(c, e->button(), x, y);
  update();
}

TPageControl::TPageControl(QWidget* parent) : QWidget(parent) {
  bar_ = new QTabBar(this);
  bar_->setShape(QTabBar::RoundedEast);
  bar_->setExpanding(false);
  connect(bar_, &QTabBar::currentChanged, this, [this](int i) {
    if (programmatic_ || i < 0) return;
    active_ = i;
    Arrange();
    if (OnChange) OnChange();
  });
}

QWidget* TPageControl::AddPage(const QString& caption) {
  auto* page = new QWidget(this);
  pages_.push_back(page);
  programmatic_ = true;
  bar_->addTab(caption);
  bar_->setCurrentIndex(active_);
  programmatic_ = false;
  Arrange();
  return page;
}

QWidget* TPageControl::ActivePage() const { return pages_.empty() ? nullptr : pages_[size_t(active_)]; }

void TPageControl::SetActivePage(QWidget* page) {
  const auto it = std::find(pages_.begin(), pages_.end(), page);
  if (it == pages_.end()) return;
  active_ = int(it - pages_.begin());
  programmatic_ = true;
  bar_->setCurrentIndex(active_);
  programmatic_ = false;
  Arrange();
}

void TPageControl::SelectTab(int index) {
  if (index < 0 || index >= PageCount()) return;
  SetActivePage(pages_[size_t(index)]);
  if (OnChange) OnChange();
}

QRect TPageControl::PageRect() const {
  const int bw = bar_->sizeHint().width();
  return QRect(0, 0, std::max(0, width() - bw), height());
}

void TPageControl::resizeEvent(QResizeEvent*) { Arrange(); }

void TPageControl::Arrange() {
  const QRect r = PageRect();
  bar_->setGeometry(r.width(), 0, width() - r.width(), height());
  for (size_t i = 0; i < pages_.size(); ++i) {
    pages_[i]->setGeometry(r);
    pages_[i]->setVisible(int(i) == active_);
  }
}

}  // namespace maker
