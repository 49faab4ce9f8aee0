// What the build lays out in bin/: the shipped maker (its own program file
// with the engine appended and the engine's size in its tag), and the sample
// frames, numeral rings and hand sets beside it.
#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "maker/hands_file.h"
#include "maker/maker_common.h"
#include "maker_fixture.h"

namespace {

const std::string kBin = BIN_DIR;

std::string Digits8(size_t n) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%08zu", n);
  return buf;
}

TEST(ShippedMaker, CarriesTheEngineAndItsSizeInTheTag) {
  const auto maker = makertest::ReadBytes(kBin + "/brasswick");
  const auto engine = makertest::ReadBytes(kBin + "/tolvane");
  ASSERT_GT(engine.size(), 0u);
  ASSERT_GT(maker.size(), engine.size());
  EXPECT_TRUE(std::equal(engine.begin(), engine.end(), maker.end() - std::ptrdiff_t(engine.size())));
  // The tag in the maker's own part names the engine's size, once.
  const std::string own(maker.begin(), maker.end() - std::ptrdiff_t(engine.size()));
  const std::string tag = Digits8(engine.size()) + "Rundavel";
  const size_t at = own.find(tag);
  ASSERT_NE(at, std::string::npos);
  EXPECT_EQ(own.find(tag, at + 1), std::string::npos);
  EXPECT_EQ(own.find("00841216Rundavel"), std::string::npos);
  EXPECT_NE(std::filesystem::status(kBin + "/brasswick").permissions() & std::filesystem::perms::owner_exec,
            std::filesystem::perms::none);
}

TEST(ShippedSamples, FramesRingsAndHandSetsAreAllReadable) {
  makertest::MakerFixture f;
  platform::SetProgramFileNameForTest(kBin + "/brasswick");
  maker::TFormMain& w = f.Open();
  EXPECT_EQ(w.FramePictures.size(), 5u);  // none, three frames, one in a sub-folder
  EXPECT_EQ(w.NumeralRingPictures.size(), 4u);
  for (size_t i = 1; i < w.FramePictures.size(); ++i) {
    // Transparent outside the ring: the key colour is the top-left pixel.
    EXPECT_EQ(w.FramePictures[i].PixelColour(0, 0), 0x00FFFFFFu);
  }
  maker::HandSetLists lists;
  const auto r = maker::ImportHandSetsFromFile(kBin + "/Hands.dat", lists);
  EXPECT_EQ(r.Sections, 4);
  EXPECT_EQ(r.Dropped, 0);
  // Bitmap 99: 128 x 128 on grey.
  EXPECT_EQ(w.FramePictures[0].Width(), 128);
  EXPECT_EQ(w.FramePictures[0].Height(), 128);
  EXPECT_EQ(w.FramePictures[0].PixelColour(0, 127), 0x00C0C0C0u);
}

TEST(ShippedSamples, TheHandsFileIsTheSameUnderALocaleWithADecimalComma) {
  QTemporaryDir dir;
  const std::string root = dir.path().toStdString();
  const std::string locales = root + "/locales";
  QDir().mkpath(QString::fromStdString(locales));
  const std::string build = "localedef -i de_DE -f UTF-8 '" + locales + "/de_DE.UTF-8' >/dev/null 2>&1";
  if (std::system(build.c_str()) != 0) GTEST_SKIP() << "no locale with a decimal comma can be built here";
  const std::string run = "LOCPATH='" + locales + "' LC_ALL=de_DE.UTF-8 QT_QPA_PLATFORM=offscreen '" +
                          MAKE_MAKER_PICTURES + "' samples '" + root + "' >/dev/null 2>&1";
  ASSERT_EQ(std::system(run.c_str()), 0);
  EXPECT_EQ(makertest::ReadBytes(root + "/Hands.dat"), makertest::ReadBytes(kBin + "/Hands.dat"));
}

}  // namespace
