// Saving the picture: the file holds exactly the shown picture in the
// format its extension asks for, a failed save is reported and leaves no
// file behind, and an existing file is replaced whole.
#include <gtest/gtest.h>

#include <filesystem>

#include "imaging/picture_loader.h"
#include "maker_fixture.h"

namespace {

using makertest::MakerFixture;

TEST(PictureSave, ReplacesAnExistingFileWithTheShownPicture) {
  MakerFixture f;
  f.WriteBmp(f.root + "/p.bmp", makertest::Solid(30, 20, 0x336699));
  maker::TFormMain& w = f.Open();
  w.LoadPictureFile(f.root + "/p.bmp");
  const std::string target = f.root + "/out.bmp";
  makertest::WriteText(target, std::string(100000, 'x'));  // longer than the picture
  f.ChooseFile(target);
  w.MenuFSClick();
  EXPECT_EQ(makertest::ReadBytes(target), imaging::WriteBmp24(w.ImagePicture.Pic()));
  EXPECT_FALSE(std::filesystem::exists(target + ".part"));
  // A JPEG reads back at the picture's size.
  f.ChooseFile(f.root + "/out.JPEG");
  w.MenuFSClick();
  const auto back = imaging::LoadPictureAsBitmap(f.root + "/out.JPEG");
  ASSERT_TRUE(back);
  EXPECT_EQ(back->Width(), 30);
  EXPECT_EQ(back->Height(), 20);
}

// Saving under the name of a symbolic link replaces the picture it points
// to and keeps the link, as writing the file in place would.
TEST(PictureSave, ALinkIsWrittenThroughAndKept) {
  MakerFixture f;
  f.WriteBmp(f.root + "/p.bmp", makertest::Solid(30, 20, 0x336699));
  maker::TFormMain& w = f.Open();
  w.LoadPictureFile(f.root + "/p.bmp");
  std::filesystem::create_directory(f.root + "/real");
  const std::string target = f.root + "/real/face.bmp", link = f.root + "/face.bmp";
  makertest::WriteText(target, "old content");
  std::filesystem::create_symlink("real/face.bmp", link);
  f.ChooseFile(link);
  w.MenuFSClick();
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_EQ(makertest::ReadBytes(target), imaging::WriteBmp24(w.ImagePicture.Pic()));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(f.root + "/real"), {}), 1);
}

TEST(PictureSave, AFailedSaveIsReportedAndLeavesNothing) {
  MakerFixture f;
  f.WriteBmp(f.root + "/p.bmp", makertest::Solid(30, 20, 0x336699));
  maker::TFormMain& w = f.Open();
  w.LoadPictureFile(f.root + "/p.bmp");
  const std::string target = f.root + "/no such folder/out.bmp";
  f.ChooseFile(target);
  w.RunCommand([&] { w.MenuFSClick(); });
  ASSERT_EQ(f.messages.size(), 1u);
  EXPECT_EQ(f.messages[0].type, platform::MsgType::Error);
  EXPECT_NE(f.messages[0].text.find("out.bmp"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(f.root + "/no such folder"));
  // Nothing happens without a picture or when the dialog is cancelled.
  f.CancelDialog();
  w.MenuFSClick();
  EXPECT_TRUE(f.dialogAnswers.empty());
  w.MenuFQClick();
  f.ChooseFile(f.root + "/empty.bmp");
  w.MenuFSClick();
  EXPECT_EQ(f.dialogAnswers.size(), 1u);  // the dialog was not even shown
  EXPECT_FALSE(std::filesystem::exists(f.root + "/empty.bmp"));
}

}  // namespace
