#include "maker/dialogs/form_thumb.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "imaging/picture_loader.h"
#include "maker/dialogs/dialog_support.h"
#include "maker/dialogs/maker_host.h"
#include "platform/file_dialogs.h"
#include "platform/system.h"

namespace maker {

namespace {

QColor QColourOf(uint32_t c) { return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF)); }

const QColor kGridLineColour(0xC0, 0xC0, 0xC0);
const char* const kReadingIdle = "Reading 000/000  ";
constexpr int kDesignWidth = 566, kDesignHeight = 257;  // outer size

}  // namespace

// ---------------------------------------------------------------- the grid

TThumbGrid::TThumbGrid(QWidget* parent) : QAbstractScrollArea(parent) {
  setFrameShape(QFrame::NoFrame);
  viewport()->setMouseTracking(true);
  viewport()->setAutoFillBackground(false);
  // The paint covers every pixel, so scrolling can move what is shown and
  // repaint only the uncovered strip.
  viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
  setFocusPolicy(Qt::StrongFocus);
}

void TThumbGrid::SetDefaultColWidth(int w) {
  colWidth_ = std::max(1, w);
  UpdateScrollBars();
}
void TThumbGrid::SetDefaultRowHeight(int h) {
  rowHeight_ = std::max(1, h);
  UpdateScrollBars();
}
void TThumbGrid::SetGridLineWidth(int w) {
  gridLine_ = std::max(0, w);
  UpdateScrollBars();
}
void TThumbGrid::SetColCount(int n) {
  cols_ = std::max(0, n);
  col_ = std::min(col_, std::max(0, cols_ - 1));
  UpdateScrollBars();
}
void TThumbGrid::SetRowCount(int n) {
  rows_ = std::max(0, n);
  row_ = std::min(row_, std::max(0, rows_ - 1));
  UpdateScrollBars();
}
void TThumbGrid::SetCurrent(int col, int row) {
  if (col < 0 || row < 0 || col >= cols_ || row >= rows_) return;
  col_ = col;
  row_ = row;
}

void TThumbGrid::DisableAlign() { ++alignLock_; }
void TThumbGrid::EnableAlign() {
  if (alignLock_ > 0 && --alignLock_ == 0) UpdateScrollBars();
}

int TThumbGrid::ClientWidth() const { return viewport()->width(); }
int TThumbGrid::ClientHeight() const { return viewport()->height(); }

void TThumbGrid::UpdateScrollBars() {
  if (alignLock_ > 0) return;
  const int contentW = cols_ * (colWidth_ + gridLine_);
  const int contentH = rows_ * (rowHeight_ + gridLine_);
  horizontalScrollBar()->setRange(0, std::max(0, contentW - viewport()->width()));
  horizontalScrollBar()->setPageStep(viewport()->width());
  horizontalScrollBar()->setSingleStep(colWidth_ + gridLine_);
  verticalScrollBar()->setRange(0, std::max(0, contentH - viewport()->height()));
  verticalScrollBar()->setPageStep(viewport()->height());
  verticalScrollBar()->setSingleStep(rowHeight_ + gridLine_);
  viewport()->update();
}

void TThumbGrid::MouseToCell(int x, int y, int& col, int& row) const {
  const int ax = x + horizontalScrollBar()->value();
  const int ay = y + verticalScrollBar()->value();
  col = ax < 0 ? -1 : ax / (colWidth_ + gridLine_);
  row = ay < 0 ? -1 : ay / (rowHeight_ + gridLine_);
  if (col >= cols_) col = -1;
  if (row >= rows_) row = -1;
}

QRect TThumbGrid::CellRect(int col, int row) const {
  return QRect(col * (colWidth_ + gridLine_) - horizontalScrollBar()->value(),
               row * (rowHeight_ + gridLine_) - verticalScrollBar()->value(), colWidth_, rowHeight_);
}

void TThumbGrid::RepaintCell(int col, int row) {
  const QRect r = CellRect(col, row).intersected(viewport()->rect());
  if (!r.isEmpty() && viewport()->isVisible()) viewport()->repaint(r);
}

void TThumbGrid::paintEvent(QPaintEvent* event) {
  const QRect dirty = event->rect();
  QImage buffer;
  QPainter screen(viewport());
  QPainter offscreen;
  QPainter* p = &screen;
  if (doubleBuffered_) {
    buffer = QImage(dirty.size(), QImage::Format_RGB32);
    offscreen.begin(&buffer);
    offscreen.translate(-dirty.topLeft());
    p = &offscreen;
  }
  p->setClipRect(dirty);
  // Ground beyond the cells, and the grid lines between them.
  p->fillRect(dirty, palette().color(QPalette::Base));
  const int step = colWidth_ + gridLine_, vstep = rowHeight_ + gridLine_;
  const QRect cells(-horizontalScrollBar()->value(), -verticalScrollBar()->value(), cols_ * step, rows_ * vstep);
  p->fillRect(cells.intersected(dirty), kGridLineColour);
  if (step > 0 && vstep > 0 && cols_ > 0 && rows_ > 0) {
    const QRect d = dirty.translated(horizontalScrollBar()->value(), verticalScrollBar()->value());
    const int c0 = std::max(0, d.left() / step), c1 = std::min(cols_ - 1, d.right() / step);
    const int r0 = std::max(0, d.top() / vstep), r1 = std::min(rows_ - 1, d.bottom() / vstep);
    for (int r = r0; r <= r1; ++r)
      for (int c = c0; c <= c1; ++c) {
        const QRect rect = CellRect(c, r);
        if (!rect.intersects(dirty) || !OnDrawCell) continue;
        p->save();
        p->setClipRect(rect.intersected(dirty));
        canvas_ = p;
        // A cell that cannot be drawn (no memory for its picture) keeps the
        // ground; an error must not leave the paint event, and the other
        // cells are still drawn.
        try {
          OnDrawCell(c, r, rect);
        } catch (const std::exception&) {
        }
        canvas_ = nullptr;
        p->restore();
      }
  }
  if (doubleBuffered_) {
    offscreen.end();
    screen.drawImage(dirty.topLeft(), buffer);
  }
}

void TThumbGrid::mousePressEvent(QMouseEvent* event) {
  // The current cell looks like any other, so nothing is repainted.
  int c, r;
  MouseToCell(int(event->position().x()), int(event->position().y()), c, r);
  SetCurrent(c, r);
  QAbstractScrollArea::mousePressEvent(event);
}

void TThumbGrid::mouseMoveEvent(QMouseEvent* event) {
  if (OnMouseMove) OnMouseMove(int(event->position().x()), int(event->position().y()));
}

void TThumbGrid::mouseDoubleClickEvent(QMouseEvent* event) {
  int c, r;
  MouseToCell(int(event->position().x()), int(event->position().y()), c, r);
  SetCurrent(c, r);
  if (OnDblClick) OnDblClick();
}

void TThumbGrid::scrollContentsBy(int dx, int dy) {
  // Moves the cells already drawn; only the uncovered cells are painted.
  viewport()->scroll(dx, dy);
}

void TThumbGrid::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  UpdateScrollBars();
}

// ---------------------------------------------------------------- the window

TFormThumb::TFormThumb(MakerHost& host, QWidget* parent) : QWidget(parent, Qt::Window), host_(host) {
  // 566 x 257 with the frame.
  resize(kDesignWidth - dialogs::kFrameWidth, kDesignHeight - dialogs::kFrameHeight);
  setFont(dialogs::DialogFont());

  StringGridThumb = new TThumbGrid(this);
  StringGridThumb->SetGridLineWidth(3);

  LabelRead = new QLabel(QString::fromUtf8(kReadingIdle), this);
  QFont f = LabelRead->font();
  f.setPixelSize(16);
  f.setBold(true);
  f.setItalic(true);
  LabelRead->setFont(f);
  // Opaque, so a new progress text repaints the label alone and not the
  // thumbnails beneath it (each of those would decode its picture again).
  LabelRead->setAutoFillBackground(true);
  LabelRead->adjustSize();

  PMenu1 = new QMenu(this);
  PMenuR = PMenu1->addAction(QStringLiteral("再読込(&R)"));
  N1 = PMenu1->addSeparator();
  PMenuS = PMenu1->addAction(QStringLiteral("ｽﾓｰﾙ(&S)"));
  PMenuM = PMenu1->addAction(QStringLiteral("ﾐﾃﾞｨｱﾑ(&M)"));
  PMenuL = PMenu1->addAction(QStringLiteral("ﾗｰｼﾞ(&L)"));
  N2 = PMenu1->addSeparator();
  PMenuF = PMenu1->addAction(QStringLiteral("ちらつき防止(&F)"));
  for (QAction* a : {PMenuS, PMenuM, PMenuL, PMenuF}) a->setCheckable(true);

  ProcessMessages = [] { QApplication::processEvents(); };

  StringGridThumb->OnDrawCell = [this](int c, int r, const QRect& rect) { StringGridThumbDrawCell(c, r, rect); };
  StringGridThumb->OnMouseMove = [this](int x, int y) { StringGridThumbMouseMove(x, y); };
  StringGridThumb->OnDblClick = [this] { dialogs::Guarded([this] { StringGridThumbDblClick(); }); };
  // Qt toggles a checkable item before it reports the click; the handlers
  // set the check marks themselves, so the toggle is undone first.
  auto item = [this](QAction* a, void (TFormThumb::*handler)()) {
    connect(a, &QAction::triggered, this, [this, a, handler] {
      if (a->isCheckable()) a->setChecked(!a->isChecked());
      dialogs::Guarded([this, handler] { (this->*handler)(); });
    });
  };
  item(PMenuR, &TFormThumb::PMenuRClick);
  item(PMenuS, &TFormThumb::PMenuSClick);
  item(PMenuM, &TFormThumb::PMenuMClick);
  item(PMenuL, &TFormThumb::PMenuLClick);
  item(PMenuF, &TFormThumb::PMenuFClick);

  FormCreate();
}

TFormThumb::~TFormThumb() { FormDestroy(); }

void TFormThumb::FormCreate() {
  ThumbFiles.clear();
  PMenuM->setChecked(true);
  ThumbSize = 80;
  StringGridThumb->SetDefaultColWidth(80);
  StringGridThumb->SetDefaultRowHeight(80);
  StringGridThumb->setGeometry(rect());
  StringGridThumb->SetDoubleBuffered(PMenuF->isChecked());
  LabelRead->setText(QString::fromUtf8(kReadingIdle));
  LabelRead->hide();
  // Centred across, 48 pixels above the screen's bottom edge, by the outer
  // size (frame included).
  const int outerW = width() + dialogs::kFrameWidth, outerH = height() + dialogs::kFrameHeight;
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect s = screen->geometry();
    move(s.x() + (s.width() - outerW) / 2, s.y() + s.height() - outerH - 48);
  }
}

void TFormThumb::FormDestroy() {
  ThumbFiles.clear();
  cells_.clear();
  cellRead_.clear();
}

bool TFormThumb::IsPictureFile(const std::string& path) {
  std::string ext = platform::ExtractFileExt(path);
  for (char& ch : ext)
    if (ch >= 'a' && ch <= 'z') ch = char(ch - 'a' + 'A');
  return ext == ".BMP" || ext == ".JPG" || ext == ".JPEG" || ext == ".GIF" || ext == ".PNG";
}

void TFormThumb::ScanPictureFolder(const std::string& folder) {
  dialogs::BusyCursor busy;
  ThumbFiles.clear();
  const std::string prefix = folder.empty() || folder.back() == '/' ? folder : folder + "/";
  std::error_code ec;
  // Files and folders alike, in the order the file system gives them; a
  // listing that fails part-way keeps what it found.
  for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string path = prefix + it->path().filename().string();
    if (IsPictureFile(path)) ThumbFiles.push_back(path);
  }
  LayoutThumbGrid();
}

void TFormThumb::FormResize() {
  TThumbGrid* g = StringGridThumb;
  g->SetDefaultColWidth(ThumbSize);
  g->SetDefaultRowHeight(ThumbSize);
  const int step = g->DefaultColWidth() + g->GridLineWidth();
  const int n = int(ThumbFiles.size());
  int cols = 5, rows = 2;
  const auto fit = [&](int clientWidth) {
    cols = std::max(5, clientWidth / step);
    rows = std::max(2, (n + cols - 1) / cols);
  };
  // The client width is the grid's width less the vertical scroll bar when
  // the new rows will need one (not the bar the previous layout happened to
  // show).
  const int bar = g->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, g);
  fit(g->width());
  const int clientHeight = g->height() - (cols * step > g->width() ? bar : 0);
  if (rows * (g->DefaultRowHeight() + g->GridLineWidth()) > clientHeight) fit(g->width() - bar);
  g->SetColCount(cols);
  g->SetRowCount(rows);
  LabelRead->move((width() - LabelRead->width()) / 2, (height() - LabelRead->height()) / 2);
}

void TFormThumb::LayoutThumbGrid() {
  TThumbGrid* g = StringGridThumb;
  g->DisableAlign();
  // Whatever happens in the pass, the label goes and the grid realigns.
  struct Restore {
    TFormThumb* f;
    ~Restore() {
      f->LabelRead->setText(QString::fromUtf8(kReadingIdle));
      f->LabelRead->hide();
      f->StringGridThumb->EnableAlign();
    }
  } restore{this};
  LabelRead->show();
  LabelRead->raise();
  FormResize();
  const int n = int(ThumbFiles.size());
  const int cols = g->ColCount();
  // A new pass (a new folder or cell size) reads every file afresh.
  cells_.assign(ThumbFiles.size(), QImage());
  cellRead_.assign(ThumbFiles.size(), false);
  for (int k = 1; k <= n; ++k) {
    ThumbCell(size_t(k - 1));
    DrawThumbGridCell((k - 1) / cols, (k - 1) % cols);
    LabelRead->setText(QStringLiteral("Reading %1/%2  ").arg(k).arg(n));
    LabelRead->adjustSize();
    if (ProcessMessages) ProcessMessages();
  }
  // Cells the pass could not reach (off screen, hidden) are drawn when shown.
  g->viewport()->update();
  setWindowState(windowState() & ~Qt::WindowMinimized);
  raise();
}

void TFormThumb::DrawThumbGridCell(int row, int col) {
  QPainter* p = StringGridThumb->Canvas();
  if (!p) {
    // Outside a paint: paint the cell on screen now, which comes back here.
    StringGridThumb->RepaintCell(col, row);
    return;
  }
  const QRect rect = StringGridThumb->CellRect(col, row);
  const size_t index = size_t(row) * size_t(StringGridThumb->ColCount()) + size_t(col);
  p->fillRect(rect, QColourOf(kCellColour));
  if (row < 0 || col < 0 || index >= ThumbFiles.size()) return;
  const QImage& cell = ThumbCell(index);
  if (!cell.isNull()) p->drawImage(rect.topLeft(), cell);
}

const QImage& TFormThumb::ThumbCell(size_t index) {
  if (cells_.size() != ThumbFiles.size()) {
    cells_.assign(ThumbFiles.size(), QImage());
    cellRead_.assign(ThumbFiles.size(), false);
  }
  if (!cellRead_[index]) {
    // Marked first: a file that fails (no memory for its picture) is not
    // tried again at every paint; its cell keeps the ground.
    cellRead_[index] = true;
    try {
      const std::unique_ptr<imaging::Bitmap> cell =
          imaging::DrawThumbnailCell(ThumbFiles[index], ThumbSize, ThumbSize, kCellColour, true);
      if (cell) cells_[index] = cell->ToQImage();
    } catch (const std::bad_alloc&) {
    }
  }
  return cells_[index];
}

void TFormThumb::StringGridThumbDrawCell(int col, int row, const QRect&) { DrawThumbGridCell(row, col); }

void TFormThumb::StringGridThumbMouseMove(int x, int y) {
  int col, row;
  StringGridThumb->MouseToCell(x, y, col, row);
  // Between or beyond the cells the grid names no cell: no file either.
  const long index = col < 0 || row < 0 ? -1 : long(row) * StringGridThumb->ColCount() + col;
  if (index >= 0 && index < long(ThumbFiles.size()))
    setWindowTitle(QString::fromStdString("[" + platform::ExtractFileName(ThumbFiles[size_t(index)]) + "]"));
  else
    setWindowTitle(QString());
}

void TFormThumb::StringGridThumbDblClick() {
  dialogs::BusyCursor busy;
  const long index = long(StringGridThumb->Row()) * StringGridThumb->ColCount() + StringGridThumb->Col();
  std::string caption;
  if (index >= 0 && index < long(ThumbFiles.size())) {
    const std::string path = ThumbFiles[size_t(index)];
    caption = "[" + platform::ExtractFileName(path) + "]";
    OpenThumbPicture(path);
  }
  setWindowTitle(QString::fromStdString(caption));
  host_.FocusMainWindow();
}

void TFormThumb::OpenThumbPicture(const std::string& path) { host_.LoadPictureFile(path); }

void TFormThumb::PMenuRClick() { ScanPictureFolder(host_.PictureDir()); }

void TFormThumb::SetThumbSize(QAction* item, int16_t size) {
  item->setChecked(true);
  ThumbSize = size;
  LayoutThumbGrid();
}

void TFormThumb::PMenuSClick() { SetThumbSize(PMenuS, 48); }
void TFormThumb::PMenuMClick() { SetThumbSize(PMenuM, 80); }
void TFormThumb::PMenuLClick() { SetThumbSize(PMenuL, 112); }

void TFormThumb::PMenuFClick() {
  PMenuF->setChecked(!PMenuF->isChecked());
  StringGridThumb->SetDoubleBuffered(PMenuF->isChecked());
  StringGridThumb->viewport()->update();
}

void TFormThumb::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  StringGridThumb->setGeometry(rect());
  FormResize();
}

void TFormThumb::contextMenuEvent(QContextMenuEvent* event) { PMenu1->exec(event->globalPos()); }

}  // namespace maker
