// Start-up, picture lists, hand import and closing in the edge cases: odd
// entries in the picture folders, a hands file whose every set fails, a
// folder in the place of Hands.dat, a renamed program and a settings file
// that cannot be written.
#include <QAction>
#include <QApplication>
#include <QEventLoop>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTimer>
#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/stat.h>

#include <filesystem>
#include <functional>
#include <map>

#include "maker/hands_file.h"
#include "maker_fixture.h"

namespace {

using makertest::MakerFixture;
using makertest::Solid;

// The .bmp files under a folder in the order a depth-first walk of the
// file system's own listing order meets them.
void ListDepthFirst(const std::string& folder, std::vector<std::string>& out) {
  DIR* d = opendir(folder.c_str());
  if (!d) return;
  while (dirent* e = readdir(d)) {
    const std::string name = e->d_name;
    if (name == "." || name == "..") continue;
    const std::string path = folder + name;
    if (std::filesystem::is_directory(path))
      ListDepthFirst(path + "/", out);
    else
      out.push_back(path);
  }
  closedir(d);
}

TEST(PictureLists, SubFoldersAreTakenWhereTheyAreListed) {
  MakerFixture f;
  // Each picture has a width of its own, so the list order can be read back.
  const std::vector<std::pair<std::string, int>> pictures = {
      {"FG/a.bmp", 10},          {"FG/m/b.bmp", 11}, {"FG/m/n/c.bmp", 12}, {"FG/m/d.bmp", 13},
      {"FG/z/e.BMP", 14},        {"FG/f.bmp", 15},   {"FG/g.bmp", 16},     {"FG/q/h.bmp", 17}};
  std::map<std::string, int> widthOf;
  for (const auto& [rel, width] : pictures) {
    QDir().mkpath(QString::fromStdString(std::filesystem::path(f.Prog(rel)).parent_path().string()));
    f.WriteBmp(f.Prog(rel), Solid(width, 5, 0x010203));
    widthOf[f.Prog(rel)] = width;
  }
  std::vector<std::string> walk;
  ListDepthFirst(f.Prog("FG/"), walk);
  std::vector<int> expected;
  for (const auto& p : walk) expected.push_back(widthOf.at(p));
  maker::TFormMain& w = f.Open();
  std::vector<int> got;
  for (size_t i = 1; i < w.FramePictures.size(); ++i) got.push_back(w.FramePictures[i].Width());
  EXPECT_EQ(got, expected);
  EXPECT_EQ(w.StringGridFG->RowCount(), 9);
}

TEST(PictureLists, AHiddenFolderNamedLikeAPictureIsTriedAsOneAndDropped) {
  MakerFixture f;
  // A dot name stands for the hidden attribute: its attribute word is not
  // the bare directory bit, so it is not descended into.
  QDir().mkpath(QString::fromStdString(f.Prog("HR/.rings.bmp")));
  f.WriteBmp(f.Prog("HR/.rings.bmp/inner.bmp"), Solid(9, 9, 0x000001));
  // A plain folder with such a name is descended into.
  QDir().mkpath(QString::fromStdString(f.Prog("HR/open.bmp")));
  f.WriteBmp(f.Prog("HR/open.bmp/inner.bmp"), Solid(8, 8, 0x000001));
  maker::TFormMain& w = f.Open();
  EXPECT_TRUE(w.StartupComplete());
  ASSERT_EQ(w.NumeralRingPictures.size(), 2u);
  EXPECT_EQ(w.NumeralRingPictures[1].Width(), 8);
  EXPECT_EQ(w.StringGridHR->RowCount(), 2);
  EXPECT_TRUE(f.messages.empty());
}

// A named pipe with a picture name in a picture folder is left out at once;
// opening it would wait for a writer and the maker would never start.
TEST(PictureLists, ANamedPipeNamedLikeAPictureIsLeftOutWithoutWaiting) {
  MakerFixture f;
  ASSERT_EQ(mkfifo(f.Prog("FG/pipe.bmp").c_str(), 0600), 0);
  ASSERT_EQ(mkfifo(f.Prog("HR/pipe.BMP").c_str(), 0600), 0);
  f.WriteBmp(f.Prog("FG/good.bmp"), Solid(7, 7, 0x000001));
  maker::TFormMain& w = f.Open();
  EXPECT_TRUE(w.StartupComplete());
  ASSERT_EQ(w.FramePictures.size(), 2u);
  EXPECT_EQ(w.FramePictures[1].Width(), 7);
  EXPECT_EQ(w.NumeralRingPictures.size(), 1u);
}

TEST(PictureLists, AReadOnlyFolderIsNotDescendedIntoWhileAWritableOneIs) {
  MakerFixture f;
  namespace fs = std::filesystem;
  QDir().mkpath(QString::fromStdString(f.Prog("FG/locked.bmp")));
  f.WriteBmp(f.Prog("FG/locked.bmp/a.bmp"), Solid(9, 9, 0x000001));
  QDir().mkpath(QString::fromStdString(f.Prog("FG/shared")));
  f.WriteBmp(f.Prog("FG/shared/b.bmp"), Solid(8, 8, 0x000001));
  // No write bit at all: read-only. Writable by its owner only (as an
  // installed program's folders are for every other user): a plain folder.
  fs::permissions(f.Prog("FG/locked.bmp"), fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                               fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
  fs::permissions(f.Prog("FG/shared"), fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                           fs::perms::others_read | fs::perms::others_exec);
  maker::TFormMain& w = f.Open();
  fs::permissions(f.Prog("FG/locked.bmp"), fs::perms::owner_all);
  ASSERT_EQ(w.FramePictures.size(), 2u);
  EXPECT_EQ(w.FramePictures[1].Width(), 8);
  EXPECT_EQ(w.StringGridFG->RowCount(), 2);
}

TEST(HandImport, AFileWhoseEverySetFailsLeavesOneEnabledRowWithoutASet) {
  MakerFixture f;
  makertest::WriteText(f.Prog("Hands.dat"), "[Hand0]\r\nCP=\r\n[Hand1]\r\nCP=1\r\nH0=x,1\r\n[Hand2X]\r\nCPU=1\r\n");
  maker::TFormMain& w = f.Open();
  EXPECT_EQ(w.HandSets.LastIndex(), 0);
  EXPECT_EQ(w.StringGridHand->RowCount(), 1);
  EXPECT_TRUE(w.StringGridHand->isEnabled());
}

TEST(HandImport, AFolderNamedHandsDatIsNoHandsFile) {
  MakerFixture f;
  QDir().mkpath(QString::fromStdString(f.Prog("Hands.dat")));
  maker::TFormMain& w = f.Open();
  EXPECT_TRUE(w.StartupComplete());
  EXPECT_TRUE(f.messages.empty());
  EXPECT_EQ(w.HandSets.LastIndex(), 0);
  EXPECT_EQ(w.StringGridHand->RowCount(), 1);
  maker::HandSetLists lists;
  const auto r = maker::ImportHandSetsFromFile(f.Prog("Hands.dat"), lists);
  EXPECT_EQ(r.Sections, 0);
  EXPECT_EQ(lists.LastIndex(), 0);
}

TEST(HandImport, HandEditedLinesReadAsTheSettingsFilesRead) {
  maker::HandSetLists lists;
  const auto r = maker::ImportHandSetsFromText(
      "[ Hand0X ]\r\nCP=0.1\r\nH0=0.5,0.25\r\nH1=1,0.5\r\n=2,2\r\n"
      "[Hand1]\r\nCP='0.2'\r\nM0=\"0.5,0.75\"\r\nM1=1,0.125\r\n  ;H0=9,9\r\n",
      lists);
  EXPECT_EQ(r.Sections, 2);
  ASSERT_EQ(lists.LastIndex(), 2);
  // Blanks around the name are no part of it: "X" is its last character.
  EXPECT_EQ(lists.Hour[1].size(), 2u);
  EXPECT_EQ(lists.CenterSize[2], 0.2);
  ASSERT_EQ(lists.Minute[2].size(), 3u);  // two points and the mirrored one
  EXPECT_EQ(lists.Minute[2][0].Length, 0.75);
  EXPECT_TRUE(lists.Hour[2].empty());
}

TEST(HandImport, SectionNamesBeyondTheListBufferAreNotRead) {
  // Names of 1023 characters take 1024 bytes each; the 16384-byte list
  // holds 15 of them and its closing zero.
  std::string text;
  for (int k = 0; k < 17; ++k) {
    std::string digits = std::to_string(k);
    text += "[" + std::string(1023 - digits.size(), 'h') + digits + "]\r\nCP=" + digits + "\r\n";
  }
  maker::HandSetLists lists;
  const auto r = maker::ImportHandSetsFromText(text, lists);
  EXPECT_EQ(r.Sections, 15);
  ASSERT_EQ(lists.LastIndex(), 15);
  EXPECT_EQ(lists.CenterSize[15], 14.0);
  // Keys likewise: 1023-character key names, only 15 of them are seen.
  std::string keys = "[Hand0X]\r\nCP=0\r\n";
  for (int k = 0; k < 17; ++k) keys += "H" + std::string(1022, 'k') + "=" + std::to_string(k) + ",1\r\n";
  maker::HandSetLists lists2;
  maker::ImportHandSetsFromText(keys, lists2);
  ASSERT_EQ(lists2.LastIndex(), 1);
  // After the 3 bytes of "CP", 15 key names of 1024 bytes fit.
  EXPECT_EQ(lists2.Hour[1].size(), 15u);
}

TEST(MakerStartup, EverythingBesideTheProgramFollowsItsNameAndPlace) {
  MakerFixture f;
  QDir().mkpath(QString::fromStdString(f.root + "/elsewhere/FG"));
  const std::string moved = f.root + "/elsewhere/clockmaker.bin";
  std::filesystem::copy_file(f.program, moved);
  f.WriteBmp(f.root + "/elsewhere/FG/x.bmp", Solid(7, 7, 0x000001));
  makertest::WriteText(f.root + "/elsewhere/Hands.dat", "[Hand0]\r\nCP=0.3\r\n");
  makertest::WriteText(f.root + "/elsewhere/clockmaker.ini", "[CONFIG]\r\nMJ2D=a|b\r\n");
  platform::SetProgramFileNameForTest(moved);
  maker::TFormMain& w = f.Open();
  EXPECT_EQ(w.ProgramFolder, f.root + "/elsewhere/");
  EXPECT_EQ(w.MakerSettingsFile, f.root + "/elsewhere/clockmaker.ini");
  EXPECT_EQ(w.FramePictures.size(), 2u);
  EXPECT_EQ(w.HandSets.LastIndex(), 1);
  EXPECT_EQ(w.EditMJ2D->text().toStdString(), "a|b");
  EXPECT_EQ(w.EngineOffset, 5000);
}

TEST(MakerStartup, InstalledItReadsTheSharedFilesAndKeepsItsSettingsInTheConfigurationHome) {
  // The samples in <prefix>/share/clockkit; <prefix>/bin is shared with
  // other programs even where this user may write in it (root, ~/.local).
  MakerFixture f;
  const std::string prefix = f.root + "/usr";
  QDir().mkpath(QString::fromStdString(prefix + "/bin"));
  QDir().mkpath(QString::fromStdString(prefix + "/share/clockkit/FG/sub"));
  QDir().mkpath(QString::fromStdString(prefix + "/share/clockkit/HR"));
  f.WriteBmp(prefix + "/share/clockkit/FG/sub/x.bmp", Solid(7, 7, 0x000001));
  f.WriteBmp(prefix + "/share/clockkit/HR/y.bmp", Solid(6, 6, 0x000001));
  makertest::WriteText(prefix + "/share/clockkit/Hands.dat", "[Hand0]\r\nCP=0.3\r\n");
  const std::string program = prefix + "/bin/brasswick";
  std::filesystem::copy_file(f.program, program);
  platform::SetProgramFileNameForTest(program);
  for (int start = 0; start < 2; ++start) {
    maker::TFormMain& w = f.Open();
    EXPECT_EQ(w.MakerSettingsFile, f.root + "/config/brasswick.ini");
    EXPECT_EQ(w.EditMJ2D->text().toStdString(), start == 0 ? "|" : "a|b");
    EXPECT_EQ(w.FramePictures.size(), 2u);
    EXPECT_EQ(w.NumeralRingPictures.size(), 2u);
    EXPECT_EQ(w.HandSets.LastIndex(), start == 0 ? 1 : 2);
    EXPECT_EQ(w.OpenDialog1.InitialDir, start == 0 ? prefix + "/share/clockkit/" : f.root + "/data/clockkit/");
    EXPECT_EQ(w.EngineOffset, 5000);
    w.EditMJ2D->setText("a|b");
    w.close();
    // The user's own hands file, once the designer saved one, comes first.
    QDir().mkpath(QString::fromStdString(f.root + "/data/clockkit"));
    makertest::WriteText(f.root + "/data/clockkit/Hands.dat", "[Hand0]\r\nCP=0.3\r\n[Hand1]\r\nCP=0.2\r\n");
  }
  EXPECT_TRUE(std::filesystem::is_regular_file(f.root + "/config/brasswick.ini"));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(prefix + "/bin"), {}), 1);
}

TEST(MakerSettings, TheNextStartBeginsWhereThisRunLeftOff) {
  MakerFixture f;
  {
    maker::TFormMain& w = f.Open();
    // A clock saved, no picture opened.
    QDir().mkpath(QString::fromStdString(f.root + "/clocks"));
    f.ChooseFile(f.root + "/clocks/c.exe");
    w.MenuFCClick();
    w.EditMJ2D->setText(QString::fromUtf8("壱|弐"));
    w.close();
  }
  maker::TFormMain& again = f.Open();
  EXPECT_EQ(again.OpenPictureDialog1.InitialDir, f.root + "/Documents");
  EXPECT_EQ(again.SaveDialog1.InitialDir, f.root + "/clocks/");
  EXPECT_EQ(again.EditMJ2D->text().toStdString(), "壱|弐");
  // Kept in Shift-JIS on disk.
  const auto ini = makertest::ReadBytes(f.Prog("brasswick.ini"));
  EXPECT_NE(std::string(ini.begin(), ini.end()).find("MJ2D=\x88\xeb|\x93\xf3\r\n"), std::string::npos);
}

TEST(MakerKeys, KeyCCentresAPictureLargerThanTheViewWithHalvesAwayFromZero) {
  MakerFixture f;
  maker::TFormMain& w = f.Open();
  const int pw = w.PanelPicture->width(), ph = w.PanelPicture->height();
  // Differences of -5 and -1: halves of -2.5 and -0.5 go to -3 and -1.
  f.WriteBmp(f.root + "/big.bmp", Solid(pw + 5, ph + 1, 0x00FF00));
  w.LoadPictureFile(f.root + "/big.bmp");
  ASSERT_EQ(w.ImagePicture.Width, pw + 5);
  w.ImagePicture.Left = w.ImagePicture.Top = 11;
  w.FormKeyDown(Qt::Key_C);
  EXPECT_EQ(w.ImagePicture.Left, -3);
  EXPECT_EQ(w.ImagePicture.Top, -1);
  EXPECT_EQ(w.Shape1.Width, pw + 5);
  EXPECT_EQ(w.Shape1.Height, ph + 1);
  // The outline is the whole picture, where the picture now sits.
  EXPECT_EQ(w.Shape1.Left, -3);
  EXPECT_EQ(w.Shape1.Top, -1);
}

TEST(MakerKeys, KeysHeldWithCtrlAltOrMetaStayWithTheControlAndPlainQCloses) {
  MakerFixture f;
  maker::TFormMain& w = f.Open();
  w.show();
  for (Qt::KeyboardModifier m : {Qt::ControlModifier, Qt::AltModifier, Qt::MetaModifier}) {
    QKeyEvent u(QEvent::KeyPress, Qt::Key_U, m);
    QApplication::sendEvent(w.PanelClockRight, &u);
    QKeyEvent q(QEvent::KeyPress, Qt::Key_Q, m);
    QApplication::sendEvent(w.PanelClockRight, &q);
  }
  EXPECT_FALSE(w.MenuED->isVisible());
  EXPECT_TRUE(w.isVisible());
  // Shift counts as no modifier here.
  QKeyEvent shiftU(QEvent::KeyPress, Qt::Key_U, Qt::ShiftModifier, "U");
  QApplication::sendEvent(w.PanelClockRight, &shiftU);
  EXPECT_TRUE(w.MenuED->isVisible());
  QKeyEvent q(QEvent::KeyPress, Qt::Key_Q, Qt::NoModifier, "q");
  QApplication::sendEvent(w.PanelClockRight, &q);
  EXPECT_FALSE(w.isVisible());
  EXPECT_TRUE(std::filesystem::exists(w.MakerSettingsFile));
}

TEST(MakerClosing, ASettingsFileThatCannotBeWrittenIsReportedAndTheWindowCloses) {
  MakerFixture f;
  maker::TFormMain& w = f.Open();
  w.show();
  // A folder in the settings file's place.
  QDir().mkpath(QString::fromStdString(w.MakerSettingsFile));
  w.close();
  EXPECT_FALSE(w.isVisible());
  ASSERT_EQ(f.messages.size(), 1u);
  EXPECT_EQ(f.messages[0].type, platform::MsgType::Error);
  EXPECT_FALSE(w.Timer1->isActive());
  EXPECT_TRUE(w.FramePictures.empty());
}

TEST(MakerClosing, TheFailedSettingsWriteStaysOnScreenUntilAnsweredAndThenTheProgramEnds) {
  MakerFixture f;
  maker::TFormMain& w = f.Open();
  w.show();
  QDir().mkpath(QString::fromStdString(w.MakerSettingsFile));
  maker::QuitWhenClosed(w);
  // The error box as a modal loop of its own, which the user ends after a
  // while; a quit reaching it first would end it at once.
  bool answeredByUser = false, boxShown = false;
  platform::SetMessageHook([&](const platform::MessageRecord&) {
    boxShown = true;
    QEventLoop box;
    QTimer::singleShot(300, &box, [&] {
      answeredByUser = true;
      box.quit();
    });
    box.exec();
    return platform::ModalResult::OK;
  });
  bool endedInTime = true;
  QTimer::singleShot(0, &w, [&] { w.close(); });
  QTimer watchdog;
  watchdog.setSingleShot(true);
  QObject::connect(&watchdog, &QTimer::timeout, [&] {
    endedInTime = false;
    QCoreApplication::exit(1);
  });
  watchdog.start(5000);
  QApplication::exec();
  EXPECT_TRUE(boxShown);
  EXPECT_TRUE(answeredByUser);
  EXPECT_TRUE(endedInTime);
  EXPECT_FALSE(w.isVisible());
}

}  // namespace
