// Start-up, settings, picture lists, keyboard commands, drops and closing.
#include <QAction>
#include <QApplication>
#include <QDropEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QUrl>
#include <QTimer>
#include <gtest/gtest.h>

#include <filesystem>

#include "maker_fixture.h"
#include "platform/dropped_files.h"

namespace {

using makertest::MakerFixture;
using makertest::Solid;

TEST(MakerStartup, BuildsTheWindowStateInOrder) {
  MakerFixture f;
  maker::TFormMain& w = f.Open();
  EXPECT_TRUE(w.StartupComplete());
  EXPECT_EQ(w.windowTitle().toStdString(), "[Velmora]");
  EXPECT_EQ(f.log.at(0), "wait 2000");
  EXPECT_EQ(f.log.at(1), "hide splash");
  EXPECT_EQ(w.ProgramFolder, f.root + "/prog/");
  EXPECT_EQ(w.MakerSettingsFile, f.root + "/prog/brasswick.ini");
  EXPECT_EQ(w.EngineOffset, 5000);
  EXPECT_TRUE(w.Timer1->isActive());
  EXPECT_EQ(w.Timer1->interval(), 250);
  EXPECT_EQ(w.PageControl2->ActivePage(), w.TabSheetPicture);
  EXPECT_FALSE(w.PopupMenuAttached());
  EXPECT_FALSE(w.MenuED->isVisible());
  EXPECT_FALSE(w.MenuEU->isEnabled());
  // Slot 0 of both lists is the 128 x 128 placeholder on grey.
  ASSERT_EQ(w.FramePictures.size(), 1u);
  EXPECT_EQ(w.FramePictures[0].Width(), 128);
  EXPECT_EQ(w.FramePictures[0].PixelColour(2, 2), 0x00C0C0C0u);
  EXPECT_EQ(w.StringGridFG->RowCount(), 1);
  EXPECT_EQ(w.NumeralRingPictures.size(), 1u);
  EXPECT_EQ(w.DigitGlyphs.size(), 48u);
  EXPECT_EQ(w.DigitGlyphs[0].Width(), 6);
  EXPECT_EQ(w.DigitGlyphs[47].Height(), 13);
  EXPECT_DOUBLE_EQ(w.HandLengthFactor, 0.8);
  EXPECT_EQ(w.StringGridHand->RowCount(), 1);
  EXPECT_EQ(w.HandSets.LastIndex(), 0);
  // Defaults of the settings and the special folders.
  EXPECT_EQ(w.EditMJ2D->text().toStdString(), "|");
  EXPECT_EQ(w.OpenPictureDialog1.InitialDir, f.root + "/Documents");
  EXPECT_EQ(w.SaveDialog1.InitialDir, f.root + "/Desktop");
  EXPECT_EQ(w.DesktopFolder, f.root + "/Desktop");
  EXPECT_EQ(w.PictureDirPath, f.root + "/Documents");
  // The digital displays sit under the centre of the second-hand image.
  EXPECT_EQ(w.ImageTime.Top, w.ImageS.Top + 64 + 31);
  EXPECT_EQ(w.ImageDate.Top, w.ImageS.Top + 64 + 21);
  EXPECT_EQ(w.ImageTime.Left, w.ImageS.Left + (128 - 40) / 2);
}

TEST(MakerStartup, ScansPictureFoldersDepthFirstAndKeepsOnlyReadableBmps) {
  MakerFixture f;
  QDir().mkpath(QString::fromStdString(f.Prog("FG/sub")));
  f.WriteBmp(f.Prog("FG/a.bmp"), Solid(10, 10, 0x000001));
  f.WriteBmp(f.Prog("FG/sub/b.BMP"), Solid(11, 11, 0x000002));
  f.WriteBmp(f.Prog("FG/c.bmp.txt"), Solid(12, 12, 0x000003));
  makertest::WriteText(f.Prog("FG/broken.BMP"), "not a picture");
  QDir().mkpath(QString::fromStdString(f.Prog("FG/.hidden")));
  f.WriteBmp(f.Prog("FG/.hidden/d.bmp"), Solid(13, 13, 0x000004));
  f.WriteBmp(f.Prog("HR/r.bmp"), Solid(14, 14, 0x000005));
  // A link back to the folder is not followed (no endless descent).
  std::filesystem::create_directory_symlink(f.Prog("FG"), f.Prog("FG/loop"));
  maker::TFormMain& w = f.Open();
  std::vector<int> widths;
  for (size_t i = 1; i < w.FramePictures.size(); ++i) widths.push_back(w.FramePictures[i].Width());
  std::sort(widths.begin(), widths.end());
  EXPECT_EQ(widths, (std::vector<int>{10, 11}));
  EXPECT_EQ(w.StringGridFG->RowCount(), int(w.FramePictures.size()));
  ASSERT_EQ(w.NumeralRingPictures.size(), 2u);
  EXPECT_EQ(w.NumeralRingPictures[1].Width(), 14);
  EXPECT_EQ(w.StringGridHR->RowCount(), 2);
}

TEST(MakerStartup, ImportsHandsDatBesideTheProgram) {
  MakerFixture f;
  makertest::WriteText(f.Prog("Hands.dat"),
                       "[Hand0]\r\nCP=0.05\r\nH0=0,0.5\r\n[Hand1X]\r\nCP=oops\r\n[Hand2]\r\nCP=0.1\r\nM0=0,0.9\r\n");
  maker::TFormMain& w = f.Open();
  EXPECT_EQ(w.HandSets.LastIndex(), 2);
  EXPECT_EQ(w.StringGridHand->RowCount(), 2);
  EXPECT_TRUE(w.StringGridHand->isEnabled());
  EXPECT_DOUBLE_EQ(w.HandSets.CenterSize[2], 0.1);
}

TEST(MakerStartup, AnEmptyHandsFileLeavesOneDisabledRow) {
  MakerFixture f;
  makertest::WriteText(f.Prog("Hands.dat"), "");
  maker::TFormMain& w = f.Open();
  EXPECT_EQ(w.StringGridHand->RowCount(), 1);
  EXPECT_FALSE(w.StringGridHand->isEnabled());
}

TEST(MakerSettings, ReadAtStartAndWrittenAtClose) {
  MakerFixture f;
  QDir().mkpath(QString::fromStdString(f.root + "/pics"));
  makertest::WriteText(f.Prog("brasswick.ini"),
                       "[CONFIG]\r\nPicPath=" + f.root + "/pics/\r\nSavePath=" + f.root +
                           "/out/\r\nPictureDir=" + f.root + "/pics\r\nMJ2D=1,2,3\r\n");
  maker::TFormMain& w = f.Open();
  EXPECT_EQ(w.OpenPictureDialog1.InitialDir, f.root + "/pics/");
  EXPECT_EQ(w.SaveDialog1.InitialDir, f.root + "/out/");
  EXPECT_EQ(w.PictureDirPath, f.root + "/pics");
  EXPECT_EQ(w.EditMJ2D->text().toStdString(), "1,2,3");
  // No picture was opened and no clock saved in this run: both paths are
  // written empty.
  w.close();
  const std::string ini = [&] {
    const auto b = makertest::ReadBytes(f.Prog("brasswick.ini"));
    return std::string(b.begin(), b.end());
  }();
  EXPECT_NE(ini.find("PicPath=\r\n"), std::string::npos);
  EXPECT_NE(ini.find("SavePath=\r\n"), std::string::npos);
  EXPECT_NE(ini.find("PictureDir=" + f.root + "/pics\r\n"), std::string::npos);
  EXPECT_NE(ini.find("MJ2D=1,2,3\r\n"), std::string::npos);
  EXPECT_FALSE(w.Timer1->isActive());
}

TEST(MakerSettings, AMissingPictureDirFallsBackToThePictureDialogsFolder) {
  MakerFixture f;
  makertest::WriteText(f.Prog("brasswick.ini"), "[CONFIG]\r\nPictureDir=" + f.root + "/gone\r\n");
  maker::TFormMain& w = f.Open();
  EXPECT_EQ(w.PictureDirPath, f.root + "/Documents");
}

TEST(MakerSettings, TheChosenPictureFolderIsWrittenBack) {
  MakerFixture f;
  QDir().mkpath(QString::fromStdString(f.root + "/pics"));
  const std::string pic = f.root + "/pics/p.bmp";
  f.WriteBmp(pic, Solid(20, 10, 0x123456));
  maker::TFormMain& w = f.Open();
  f.ChooseFile(pic);
  w.MenuFRClick();
  EXPECT_EQ(w.PictureFileName, pic);
  w.close();
  const auto b = makertest::ReadBytes(f.Prog("brasswick.ini"));
  EXPECT_NE(std::string(b.begin(), b.end()).find("PicPath=" + f.root + "/pics/\r\n"), std::string::npos);
}

TEST(MakerStartup, NoDesktopFolderStopsTheStartUpWithAnError) {
  MakerFixture f;
  unsetenv("HOME");
  maker::TFormMain& w = f.Open();
  EXPECT_FALSE(w.StartupComplete());
  EXPECT_FALSE(w.EngineOffsetKnown);
  ASSERT_FALSE(f.messages.empty());
  EXPECT_EQ(f.messages.back().caption, "Velmora");
  // No clock can be written without the engine's place.
  w.ClockFileName = f.root + "/c.exe";
  EXPECT_THROW(w.WriteClockFile(), std::runtime_error);
}

TEST(MakerKeys, Commands) {
  MakerFixture f;
  f.WriteBmp(f.root + "/p.bmp", Solid(40, 30, 0x00FF00));
  maker::TFormMain& w = f.Open();
  // C without a picture does nothing.
  w.ImagePicture.Left = 7;
  EXPECT_TRUE(w.FormKeyDown(Qt::Key_C));
  EXPECT_EQ(w.ImagePicture.Left, 7);
  w.LoadPictureFile(f.root + "/p.bmp");
  w.Shape1.Visible = true;
  w.Shape1.Hint = "30";
  w.ImagePicture.Left = 3;
  w.FormKeyDown(Qt::Key_C);
  EXPECT_FALSE(w.Shape1.Visible);
  EXPECT_EQ(w.Shape1.Hint, "");
  EXPECT_EQ(w.Shape1.Width, 40);
  EXPECT_EQ(w.ImagePicture.Left, maker::RoundHalfAway((w.PanelPicture->width() - 40) / 2.0L));
  // On the clock tab C does nothing.
  w.PageControl2->SelectTab(1);
  w.ImagePicture.Left = 3;
  w.FormKeyDown(Qt::Key_C);
  EXPECT_EQ(w.ImagePicture.Left, 3);
  // U shows and hides the movement update.
  w.FormKeyDown(Qt::Key_U);
  EXPECT_TRUE(w.MenuED->isVisible());
  w.FormKeyDown(Qt::Key_U);
  EXPECT_FALSE(w.MenuED->isVisible());
  // V opens the version box.
  w.FormKeyDown(Qt::Key_V);
  ASSERT_FALSE(f.messages.empty());
  EXPECT_EQ(f.messages.back().text.substr(0, 11), "[Velmora]\r\n");
  EXPECT_NE(f.messages.back().text.find("\r\nVer 0.91"), std::string::npos);
  EXPECT_EQ(f.messages.back().type, platform::MsgType::Confirmation);
}

TEST(MakerKeys, TypingIntoATextBoxStaysThere) {
  MakerFixture f;
  maker::TFormMain& w = f.Open();
  w.show();
  w.PageControl2->SelectTab(1);
  w.PageControl1->SelectTab(4);
  w.EditCPY->setFocus();
  QKeyEvent press(QEvent::KeyPress, Qt::Key_U, Qt::NoModifier, "u");
  QApplication::sendEvent(w.EditCPY, &press);
  EXPECT_FALSE(w.MenuED->isVisible());
  EXPECT_EQ(w.EditCPY->text().toStdString(), "u");
  // The same key elsewhere reaches the window first.
  QKeyEvent again(QEvent::KeyPress, Qt::Key_U, Qt::NoModifier, "u");
  QApplication::sendEvent(w.PanelClockRight, &again);
  EXPECT_TRUE(w.MenuED->isVisible());
}

TEST(MakerDrop, OnlyTheFirstDroppedFileIsLoaded) {
  MakerFixture f;
  f.WriteBmp(f.root + "/one.bmp", Solid(21, 11, 0x0000FF));
  f.WriteBmp(f.root + "/two.bmp", Solid(22, 12, 0x0000FF));
  maker::TFormMain& w = f.Open();
  w.HandleDroppedFiles({f.root + "/one.bmp", f.root + "/two.bmp", f.root + "/three.bmp"});
  EXPECT_EQ(w.PictureFileName, f.root + "/one.bmp");
  EXPECT_EQ(w.WorkPictureBitmap.Width(), 21);
  EXPECT_EQ(w.windowTitle().toStdString(), "[Velmora] one.bmp (21x11)");
}

TEST(MakerDrop, DropsAreTakenAsACopyEvenWhenAMoveIsProposed) {
  // A move would let the file manager delete the user's picture.
  MakerFixture f;
  f.WriteBmp(f.root + "/one.bmp", Solid(21, 11, 0x0000FF));
  maker::TFormMain& w = f.Open();
  w.show();
  QMimeData mime;
  mime.setUrls({QUrl::fromLocalFile(QString::fromStdString(f.root + "/one.bmp"))});
  const QPoint at(20, 20);
  const Qt::DropActions offered = Qt::CopyAction | Qt::MoveAction;
  QDragEnterEvent enter(at, offered, &mime, Qt::LeftButton, Qt::ShiftModifier);
  ASSERT_EQ(enter.proposedAction(), Qt::MoveAction);
  QApplication::sendEvent(&w, &enter);
  EXPECT_TRUE(enter.isAccepted());
  EXPECT_EQ(enter.dropAction(), Qt::CopyAction);
  QDragMoveEvent move(at, offered, &mime, Qt::LeftButton, Qt::ShiftModifier);
  move.setDropAction(Qt::MoveAction);
  QApplication::sendEvent(&w, &move);
  EXPECT_EQ(move.dropAction(), Qt::CopyAction);
  QDropEvent drop(QPointF(at), offered, &mime, Qt::LeftButton, Qt::ShiftModifier);
  ASSERT_EQ(drop.proposedAction(), Qt::MoveAction);
  QApplication::sendEvent(&w, &drop);
  EXPECT_TRUE(drop.isAccepted());
  EXPECT_EQ(drop.dropAction(), Qt::CopyAction);
  EXPECT_EQ(w.WorkPictureBitmap.Width(), 21);
  // A drag that offers no copy is refused.
  QDragEnterEvent moveOnly(at, Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&w, &moveOnly);
  EXPECT_FALSE(moveOnly.isAccepted());
}

TEST(MakerDrop, OnlyLocalFilesOfADropAreTaken) {
  QMimeData mime;
  const std::string longName = "/tmp/" + std::string(300, 'n') + ".jpg";
  mime.setUrls({QUrl(QStringLiteral("https://example.org/a.jpg")), QUrl::fromLocalFile(QString::fromStdString(longName)),
                QUrl::fromLocalFile(QStringLiteral("/tmp/b.png"))});
  EXPECT_EQ(platform::DroppedFileNames(&mime), (std::vector<std::string>{longName, "/tmp/b.png"}));
  QMimeData text;
  text.setText(QStringLiteral("hello"));
  EXPECT_TRUE(platform::DroppedFileNames(&text).empty());
  EXPECT_TRUE(platform::DroppedFileNames(nullptr).empty());
}

TEST(MakerLists, CellsShowTheirSlotAndTheCurrentRowInRed) {
  MakerFixture f;
  f.WriteBmp(f.Prog("FG/a.bmp"), Solid(128, 128, 0x00FF00));
  maker::TFormMain& w = f.Open();
  w.StringGridFG->SetRow(1);
  w.StringGridFG->Repaint();
  const imaging::Bitmap& c = w.StringGridFG->CanvasBitmap();
  const imaging::Rect r0 = w.StringGridFG->CellRect(0, 0), r1 = w.StringGridFG->CellRect(0, 1);
  EXPECT_EQ(c.PixelColour(r0.Left + 5, r0.Top + 5), 0x00C0C0C0u);
  EXPECT_EQ(c.PixelColour(r1.Left + 5, r1.Top + 5), 0x0000FF00u);
  EXPECT_EQ(c.PixelColour(r1.Left, r1.Top + 5), 0x000000FFu);
  EXPECT_EQ(c.PixelColour(r0.Left, r0.Top + 5), 0x00C0C0C0u);
}

}  // namespace
