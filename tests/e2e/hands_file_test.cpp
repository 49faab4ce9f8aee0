// A hands file saved by the designer, read by the maker: every set arrives,
// in order, with symmetrical outlines completed by mirroring.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>

#include "handdesigner/hands_file.h"
#include "maker/hands_file.h"

namespace fs = std::filesystem;

namespace {

engine::HandPolygon Poly(std::initializer_list<std::pair<double, double>> pts) {
  engine::HandPolygon p;
  for (auto [a, l] : pts) p.push_back(engine::HandPoint{a, l});
  return p;
}

}  // namespace

TEST(HandsFileAcrossPrograms, DesignerSavesAndMakerImports) {
  const fs::path dir = fs::temp_directory_path() / ("e2e_hands_" + std::to_string(::getpid()));
  fs::create_directories(dir);
  designer::HandSetList sets(3);
  sets[0] = {Poly({{0, -0.15}, {0.1234, 0.1}, {0.03, 0.55}}), Poly({{0, 0.9}}), Poly({}), 0.08, true};
  sets[1] = {Poly({{0, 0}, {0.3, 0.3}, {-0.3, 0.3}}), Poly({{1.5708, 0.25}, {4.7124, 0.125}}), Poly({{0, 1E-5}}), 0.05,
             false};
  sets[2] = {Poly({}), Poly({}), Poly({}), 0, true};
  const std::string file = (dir / "Hands.dat").string();
  designer::WriteHandsFile(file, (dir / "Hands.da-").string(), sets);

  maker::HandSetLists lists;
  const maker::ImportResult r = maker::ImportHandSetsFromFile(file, lists);
  EXPECT_EQ(r.Sections, 3);
  EXPECT_EQ(r.Dropped, 0);
  ASSERT_EQ(lists.LastIndex(), 3);  // slot 0 is the maker's working set

  // Set 1: symmetrical, the hour hand completed with 2 pi - angle of points 2 and 1.
  const long double twoPi = 6.283185307179586476925286766559L;
  const engine::HandPolygon& hour = lists.Hour[1];
  ASSERT_EQ(hour.size(), 5u);
  EXPECT_DOUBLE_EQ(hour[2].Angle, 0.03);
  EXPECT_EQ(hour[3].Angle, double(twoPi - 0.03L));
  EXPECT_EQ(hour[3].Length, 0.55);
  EXPECT_EQ(hour[4].Angle, double(twoPi - 0.1234L));
  EXPECT_EQ(lists.Minute[1].size(), 1u);
  EXPECT_EQ(lists.CenterSize[1], 0.08);

  // Set 2: not symmetrical, taken point for point.
  EXPECT_EQ(lists.Hour[2].size(), 3u);
  ASSERT_EQ(lists.Minute[2].size(), 2u);
  EXPECT_EQ(lists.Minute[2][1].Angle, 4.7124);
  EXPECT_EQ(lists.Minute[2][1].Length, 0.125);
  ASSERT_EQ(lists.Second[2].size(), 1u);
  EXPECT_EQ(lists.Second[2][0].Length, 1E-5);

  // Set 3: no points at all is still a set.
  EXPECT_TRUE(lists.Hour[3].empty() && lists.Minute[3].empty() && lists.Second[3].empty());
  fs::remove_all(dir);
}
