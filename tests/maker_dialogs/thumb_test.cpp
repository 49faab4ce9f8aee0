// The thumbnail browser over folders of generated pictures.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>
#include <filesystem>
#include <set>

#include <sys/stat.h>

#include "fake_host.h"
#include "imaging/picture_io.h"
#include "maker/dialogs/form_thumb.h"
#include "temp_dir.h"

using dialogtest::FakeHost;
using dialogtest::TempDir;
using maker::TFormThumb;
using maker::TThumbGrid;

namespace {

std::vector<uint8_t> SolidBmp(imaging::Colour c, int w = 40, int h = 30) {
  imaging::Bitmap b(w, h);
  b.GetCanvas().brush.Color = c;
  b.GetCanvas().FillRect({0, 0, w, h});
  return imaging::WriteBmp24(b);
}

// The folder's entries in the order the file system lists them.
std::vector<std::string> Listed(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(folder)) names.push_back(folder + "/" + e.path().filename().string());
  return names;
}

class ThumbTest : public ::testing::Test {
 protected:
  void SetUp() override {
    form_.ProcessMessages = [this] { progress_.emplace_back(form_.LabelRead->text().toStdString(), form_.LabelRead->isVisible()); };
  }

  // n red pictures named p00.bmp ...
  void MakePictures(int n) {
    for (int i = 0; i < n; ++i) dir_.Write("p" + std::string(i < 10 ? "0" : "") + std::to_string(i) + ".bmp", SolidBmp(0x0000FF));
  }

  // Shows the window with the grid's client area `width` wide.
  void ShowWithWidth(int width) {
    form_.resize(width, 257);
    form_.show();
  }

  QColor PixelOfCell(int col, int row) {
    const QImage img = form_.StringGridThumb->viewport()->grab().toImage();
    return img.pixelColor(form_.StringGridThumb->CellRect(col, row).center());
  }

  FakeHost host_;
  TempDir dir_;
  TFormThumb form_{host_};
  std::vector<std::pair<std::string, bool>> progress_;  // label text and visibility at each pause
};

TEST(ThumbPictureFile, ByExtensionInAnyCase) {
  const std::pair<const char*, bool> cases[] = {
      {"/a/Photo.jpg", true}, {"/a/photo.JPEG", true}, {"/a/scan.png", true}, {"/a/anim.GIF", true},
      {"/a/old.bmp", true},   {"/a/note.txt", false},  {"/a/clip.avi", false}, {"/a/x.bmp.txt", false},
      {"/a/noext", false},    {"/a.bmp/noext", false}, {"/a/.png", true},      {"/a/x.jpe", false},
  };
  for (auto [path, ok] : cases) EXPECT_EQ(TFormThumb::IsPictureFile(path), ok) << path;
}

TEST_F(ThumbTest, StartsWithMediumCellsAndTheLabelHidden) {
  EXPECT_EQ(form_.ThumbSize, 80);
  EXPECT_TRUE(form_.PMenuM->isChecked());
  EXPECT_FALSE(form_.PMenuS->isChecked() || form_.PMenuL->isChecked() || form_.PMenuF->isChecked());
  EXPECT_EQ(form_.StringGridThumb->GridLineWidth(), 3);
  EXPECT_EQ(form_.LabelRead->text(), "Reading 000/000  ");
  EXPECT_TRUE(form_.LabelRead->isHidden());
  EXPECT_TRUE(form_.ThumbFiles.empty());
}

TEST_F(ThumbTest, ScanListsPictureFilesOnlyInListingOrderWithoutEnteringFolders) {
  for (const char* name : {"Photo.jpg", "photo.JPEG", "scan.png", "anim.GIF", "note.txt", "clip.avi"})
    dir_.Write(name, {1, 2, 3});
  dir_.Write("old.bmp", SolidBmp(0x00FF00));
  std::filesystem::create_directory(dir_ / "sub");
  dir_.Write("sub/inner.bmp", SolidBmp(0x00FF00));
  std::filesystem::create_directory(dir_ / "folder.png");  // a folder named like a picture is listed too

  form_.ScanPictureFolder(dir_.Path());
  std::vector<std::string> expected;
  for (const std::string& p : Listed(dir_.Path()))
    if (TFormThumb::IsPictureFile(p)) expected.push_back(p);
  EXPECT_EQ(form_.ThumbFiles, expected);
  const std::set<std::string> names(form_.ThumbFiles.begin(), form_.ThumbFiles.end());
  EXPECT_EQ(names, (std::set<std::string>{dir_ / "Photo.jpg", dir_ / "photo.JPEG", dir_ / "scan.png",
                                          dir_ / "anim.GIF", dir_ / "old.bmp", dir_ / "folder.png"}));
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

struct GridCase {
  int width, files, cols, rows;
};

TEST_F(ThumbTest, GridHasAtLeastFiveColumnsAndTwoRows) {
  const GridCase cases[] = {{500, 12, 6, 2}, {300, 12, 5, 3}, {400, 0, 5, 2}, {500, 0, 6, 2}, {800, 1, 9, 2}, {500, 13, 6, 3}};
  for (const GridCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.width << " px, " << c.files << " files");
    form_.ThumbFiles.assign(size_t(c.files), dir_ / "missing.bmp");
    ShowWithWidth(c.width);
    form_.LayoutThumbGrid();
    EXPECT_EQ(form_.StringGridThumb->ColCount(), c.cols);
    EXPECT_EQ(form_.StringGridThumb->RowCount(), c.rows);
  }
}

TEST_F(ThumbTest, ReadingPassShowsProgressDrawsEveryCellAndLeavesNoLabel) {
  MakePictures(12);
  ShowWithWidth(500);
  form_.ScanPictureFolder(dir_.Path());
  ASSERT_EQ(progress_.size(), 12u);
  for (size_t k = 0; k < 12; ++k) {
    EXPECT_EQ(progress_[k].first, "Reading " + std::to_string(k + 1) + "/12  ");
    EXPECT_TRUE(progress_[k].second);
  }
  EXPECT_TRUE(form_.LabelRead->isHidden());
  EXPECT_EQ(form_.LabelRead->text(), "Reading 000/000  ");

  // File 6 is in row 1, column 0: a red thumbnail; the cells after the last
  // file are plain light yellow.
  EXPECT_EQ(PixelOfCell(0, 1), QColor(255, 0, 0));
  EXPECT_EQ(PixelOfCell(5, 1), QColor(255, 0, 0));
  EXPECT_EQ(form_.StringGridThumb->ColCount(), 6);
}

TEST_F(ThumbTest, EmptyOrMissingFolderGivesEmptyLightYellowCells) {
  ShowWithWidth(400);
  for (const std::string& folder : {dir_.Path(), dir_ / "no such folder"}) {
    form_.ScanPictureFolder(folder);
    EXPECT_TRUE(form_.ThumbFiles.empty());
    EXPECT_TRUE(progress_.empty());
    EXPECT_EQ(form_.StringGridThumb->ColCount(), 5);
    EXPECT_EQ(form_.StringGridThumb->RowCount(), 2);
    EXPECT_EQ(PixelOfCell(0, 0), QColor(0xFF, 0xFA, 0xCD));
    EXPECT_EQ(PixelOfCell(4, 1), QColor(0xFF, 0xFA, 0xCD));
  }
}

TEST_F(ThumbTest, UndecodableFileIsDrawnAsAFailedCellAndTheScanGoesOn) {
  dir_.Write("a.jpg", {0xFF, 0xD8, 0, 0, 0});
  dir_.Write("b.bmp", SolidBmp(0x0000FF));
  ShowWithWidth(500);
  form_.ScanPictureFolder(dir_.Path());
  ASSERT_EQ(form_.ThumbFiles.size(), 2u);
  EXPECT_EQ(progress_.size(), 2u);
  const size_t good = form_.ThumbFiles[0] == dir_ / "b.bmp" ? 0 : 1;
  EXPECT_EQ(PixelOfCell(int(good), 0), QColor(255, 0, 0));
  EXPECT_NE(PixelOfCell(int(1 - good), 0), QColor(255, 0, 0));
}

// Entries with a picture name that are no regular files: a named pipe (whose
// opening would wait for a writer for ever), a folder and a dangling link.
// Each is drawn as a failed cell and the scan reaches the picture after them.
TEST_F(ThumbTest, PipesFoldersAndDanglingLinksWithPictureNamesDoNotStopTheScan) {
  ASSERT_EQ(mkfifo((dir_ / "pipe.png").c_str(), 0600), 0);
  std::filesystem::create_directory(dir_ / "folder.jpg");
  std::filesystem::create_symlink(dir_ / "missing.bmp", dir_ / "link.bmp");
  dir_.Write("z.bmp", SolidBmp(0x0000FF));
  ShowWithWidth(500);
  form_.ScanPictureFolder(dir_.Path());
  ASSERT_EQ(form_.ThumbFiles.size(), 4u);
  EXPECT_EQ(progress_.size(), 4u);
  for (int i = 0; i < 4; ++i) {
    const bool picture = form_.ThumbFiles[size_t(i)] == dir_ / "z.bmp";
    EXPECT_EQ(PixelOfCell(i, 0) == QColor(255, 0, 0), picture) << form_.ThumbFiles[size_t(i)];
  }
}

TEST_F(ThumbTest, SizeItemsRedrawFromTheListWithoutReadingTheFolder) {
  MakePictures(3);
  ShowWithWidth(500);
  form_.ScanPictureFolder(dir_.Path());
  dir_.Write("later.bmp", SolidBmp(0x0000FF));
  progress_.clear();

  form_.PMenuS->trigger();  // as the user's click
  EXPECT_TRUE(form_.PMenuS->isChecked());
  EXPECT_TRUE(form_.PMenuM->isChecked());  // the other marks stay
  EXPECT_EQ(form_.ThumbSize, 48);
  EXPECT_EQ(form_.StringGridThumb->DefaultColWidth(), 48);
  EXPECT_EQ(form_.StringGridThumb->ColCount(), 500 / 51);
  EXPECT_EQ(form_.ThumbFiles.size(), 3u);
  EXPECT_EQ(progress_.size(), 3u);  // every thumbnail drawn again
  EXPECT_EQ(PixelOfCell(2, 0), QColor(255, 0, 0));

  form_.PMenuS->trigger();  // choosing it again keeps it checked
  EXPECT_TRUE(form_.PMenuS->isChecked());
  form_.PMenuL->trigger();
  EXPECT_EQ(form_.ThumbSize, 112);
  EXPECT_EQ(form_.StringGridThumb->ColCount(), 5);

  form_.PMenuR->trigger();  // reload reads the main window's folder
  EXPECT_TRUE(form_.ThumbFiles.empty());
  host_.pictureDir = dir_.Path();
  form_.PMenuR->trigger();
  EXPECT_EQ(form_.ThumbFiles.size(), 4u);
}

TEST_F(ThumbTest, FlickerItemTogglesDoubleBufferingAndDrawsTheSame) {
  MakePictures(2);
  ShowWithWidth(500);
  form_.ScanPictureFolder(dir_.Path());
  const QImage before = form_.StringGridThumb->viewport()->grab().toImage();
  form_.PMenuF->trigger();
  EXPECT_TRUE(form_.PMenuF->isChecked());
  EXPECT_TRUE(form_.StringGridThumb->DoubleBuffered());
  EXPECT_EQ(form_.StringGridThumb->viewport()->grab().toImage(), before);
  form_.PMenuFClick();
  EXPECT_FALSE(form_.PMenuF->isChecked());
  EXPECT_FALSE(form_.StringGridThumb->DoubleBuffered());
}

TEST_F(ThumbTest, CaptionNamesTheFileUnderTheMouse) {
  MakePictures(7);
  ShowWithWidth(500);
  form_.ScanPictureFolder(dir_.Path());
  const auto captionAt = [&](QPoint p) {
    QMouseEvent move(QEvent::MouseMove, p, form_.StringGridThumb->viewport()->mapToGlobal(p), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(form_.StringGridThumb->viewport(), &move);
    return form_.windowTitle().toStdString();
  };
  const auto cell = [&](int c, int r) { return form_.StringGridThumb->CellRect(c, r).center(); };
  EXPECT_EQ(captionAt(cell(0, 1)), "[" + std::filesystem::path(form_.ThumbFiles[6]).filename().string() + "]");
  EXPECT_EQ(captionAt(cell(2, 0)), "[" + std::filesystem::path(form_.ThumbFiles[2]).filename().string() + "]");
  EXPECT_EQ(captionAt(cell(1, 1)), "");  // an empty cell
  captionAt(cell(0, 0));
  EXPECT_EQ(captionAt(QPoint(499, 10)), "");  // right of the last column
  EXPECT_EQ(captionAt(QPoint(10, 240)), "");  // below the last row
}

TEST_F(ThumbTest, DoubleClickLoadsTheFileOfTheCellAndFocusesTheMainWindow) {
  MakePictures(7);
  ShowWithWidth(500);
  form_.ScanPictureFolder(dir_.Path());
  const auto dblClick = [&](int c, int r) {
    const QPoint p = form_.StringGridThumb->CellRect(c, r).center();
    const QPoint g = form_.StringGridThumb->viewport()->mapToGlobal(p);
    QMouseEvent press(QEvent::MouseButtonPress, p, g, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QMouseEvent dbl(QEvent::MouseButtonDblClick, p, g, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(form_.StringGridThumb->viewport(), &press);
    QApplication::sendEvent(form_.StringGridThumb->viewport(), &dbl);
  };
  dblClick(0, 1);
  ASSERT_EQ(host_.loaded.size(), 1u);
  EXPECT_EQ(host_.loaded[0], form_.ThumbFiles[6]);
  EXPECT_EQ(form_.windowTitle().toStdString(),
            "[" + std::filesystem::path(form_.ThumbFiles[6]).filename().string() + "]");
  EXPECT_EQ(host_.focused, 1);

  dblClick(3, 1);  // beyond the last file
  EXPECT_EQ(host_.loaded.size(), 1u);
  EXPECT_EQ(form_.windowTitle(), "");
  EXPECT_EQ(host_.focused, 2);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

}  // namespace

namespace {

// Counts the cells the grid paints.
class ThumbCostTest : public ThumbTest {
 protected:
  void SetUp() override {
    form_.ProcessMessages = [this] {
      progress_.emplace_back(form_.LabelRead->text().toStdString(), form_.LabelRead->isVisible());
      QApplication::processEvents();
    };
    const auto draw = form_.StringGridThumb->OnDrawCell;
    form_.StringGridThumb->OnDrawCell = [this, draw](int c, int r, const QRect& rect) {
      ++draws_;
      draw(c, r, rect);
    };
  }
  // Cells at least partly inside the grid's viewport.
  int VisibleCells() const {
    const TThumbGrid* g = form_.StringGridThumb;
    const int step = g->DefaultColWidth() + g->GridLineWidth();
    return std::min(g->ColCount(), (g->ClientWidth() + step - 1) / step) *
           std::min(g->RowCount(), (g->ClientHeight() + step - 1) / step);
  }
  int draws_ = 0;
};

TEST_F(ThumbCostTest, ReadingAFolderPaintsOnlyTheCellsOnScreenAndTheProgressTextRepaintsNoCell) {
  MakePictures(90);
  form_.resize(500, 420);
  form_.show();
  QApplication::processEvents();
  draws_ = 0;
  form_.ScanPictureFolder(dir_.Path());
  ASSERT_EQ(progress_.size(), 90u);  // every file counted in the progress text
  EXPECT_EQ(progress_.back().first, "Reading 90/90  ");
  const int visible = VisibleCells();
  ASSERT_EQ(visible, 30);  // 5 x 6 of the 5 x 18 cells
  // The pass paints each visible cell once and the realigned grid once more;
  // a progress text that repainted the cells under it would cost several
  // decodes per file.
  EXPECT_LE(draws_, 2 * visible + 6);
}

TEST_F(ThumbCostTest, ScrollingPaintsOnlyTheUncoveredCellsAndAClickPaintsNone) {
  MakePictures(90);
  form_.resize(500, 420);
  form_.show();
  form_.ScanPictureFolder(dir_.Path());
  QApplication::processEvents();
  TThumbGrid* g = form_.StringGridThumb;

  draws_ = 0;
  g->verticalScrollBar()->setValue(g->DefaultRowHeight() + g->GridLineWidth());  // one row down
  QApplication::processEvents();
  EXPECT_GT(draws_, 0);
  EXPECT_LE(draws_, 2 * g->ColCount());  // the uncovered strip, not all 30 cells
  EXPECT_EQ(PixelOfCell(0, 5), QColor(255, 0, 0));

  draws_ = 0;
  const QPoint p = g->CellRect(2, 2).center();
  QMouseEvent press(QEvent::MouseButtonPress, p, g->viewport()->mapToGlobal(p), Qt::LeftButton, Qt::LeftButton,
                    Qt::NoModifier);
  QApplication::sendEvent(g->viewport(), &press);
  QApplication::processEvents();
  EXPECT_EQ(draws_, 0);
  EXPECT_EQ(g->Col(), 2);
  EXPECT_EQ(g->Row(), 2);
}

// Cells keep what the reading pass drew: with the files gone afterwards,
// scrolling, resizing and uncovering the window still show every thumbnail,
// also the cells the pass could not show on screen. A new cell size reads
// the files again.
TEST_F(ThumbCostTest, CellsKeepWhatTheReadingPassDrew) {
  MakePictures(90);
  form_.resize(500, 420);
  form_.show();
  form_.ScanPictureFolder(dir_.Path());
  QApplication::processEvents();
  for (const std::string& f : form_.ThumbFiles) std::filesystem::remove(f);
  TThumbGrid* g = form_.StringGridThumb;
  const int step = g->DefaultRowHeight() + g->GridLineWidth();
  for (int row : {1, 6, 17}) {
    g->verticalScrollBar()->setValue(row * step);
    QApplication::processEvents();
    EXPECT_EQ(PixelOfCell(0, row), QColor(255, 0, 0)) << row;
    EXPECT_EQ(PixelOfCell(4, row), QColor(255, 0, 0)) << row;
  }
  form_.resize(620, 300);
  QApplication::processEvents();
  g->verticalScrollBar()->setValue(g->verticalScrollBar()->maximum());
  QApplication::processEvents();
  const int last = int(form_.ThumbFiles.size()) - 1;
  EXPECT_EQ(PixelOfCell(last % g->ColCount(), last / g->ColCount()), QColor(255, 0, 0));
  form_.PMenuSClick();
  QApplication::processEvents();
  EXPECT_NE(PixelOfCell(0, 0), QColor(255, 0, 0));  // the files are gone
}

}  // namespace

TEST(ThumbGrid, ACellThatFailsToDrawLeavesTheOthersDrawn) {
  TThumbGrid g;
  g.resize(300, 100);
  g.SetDefaultColWidth(40);
  g.SetDefaultRowHeight(40);
  g.SetColCount(3);
  g.SetRowCount(1);
  g.OnDrawCell = [&](int c, int, const QRect& rect) {
    if (c == 1) throw std::bad_alloc();
    g.Canvas()->fillRect(rect, Qt::red);
  };
  g.show();
  for (bool doubleBuffered : {false, true}) {
    g.SetDoubleBuffered(doubleBuffered);
    QImage shown;
    ASSERT_NO_THROW(shown = g.viewport()->grab().toImage());
    EXPECT_EQ(shown.pixelColor(g.CellRect(0, 0).center()), QColor(Qt::red));
    EXPECT_EQ(shown.pixelColor(g.CellRect(2, 0).center()), QColor(Qt::red));
    EXPECT_NE(shown.pixelColor(g.CellRect(1, 0).center()), QColor(Qt::red));
    EXPECT_EQ(g.Canvas(), nullptr);
  }
}
