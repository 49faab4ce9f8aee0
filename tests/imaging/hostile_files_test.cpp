// Damaged and hostile picture files kept in data/: sizes that would need
// gigabytes, runs and indices past their ends, data cut short, bad checksums.
// Inputs the fuzzer (fuzz/) ever finds go into data/ too; every file there
// must load or give none, and never crash.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include "imaging/picture_loader.h"

using namespace imaging;
namespace fs = std::filesystem;

TEST(HostileFiles, EveryDataFileLoadsOrGivesNone) {
  // Files that load, with their size; every other file must give none.
  const std::map<std::string, std::pair<int, int>> loads = {
      {"hostile_bmp_index_past_palette.bmp", {2, 1}},
  };
  int seen = 0;
  for (const auto& entry : fs::directory_iterator(TEST_DATA_DIR)) {
    const std::string name = entry.path().filename().string();
    SCOPED_TRACE(name);
    ++seen;
    auto b = LoadPictureAsBitmap(entry.path().string());
    const auto it = loads.find(name);
    if (it == loads.end()) {
      EXPECT_FALSE(b);
      continue;
    }
    ASSERT_TRUE(b);
    EXPECT_EQ(b->Width(), it->second.first);
    EXPECT_EQ(b->Height(), it->second.second);
    for (int y = 0; y < b->Height(); ++y)
      for (int x = 0; x < b->Width(); ++x) (void)b->PixelColour(x, y);  // every pixel has a colour
  }
  EXPECT_GE(seen, 11);
}

TEST(HostileFiles, PaletteIndexPastTheTableIsBlack) {
  auto b = LoadPictureAsBitmap(std::string(TEST_DATA_DIR) + "/hostile_bmp_index_past_palette.bmp");
  ASSERT_TRUE(b);
  EXPECT_EQ(b->PixelColour(0, 0), RGB(3, 5, 9));  // entry 1 of the two
  EXPECT_EQ(b->PixelColour(1, 0), RGB(0, 0, 0));  // index 250
}
